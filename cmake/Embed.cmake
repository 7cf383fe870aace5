# quorvex_embed(<target> <symbol> <file>): links <file> into <target> as a byte array
# through the assembler's .incbin (fast even for megabyte-sized payloads).
# Accessor: `std::span<const unsigned char> qx::res::<symbol>()`.
function(quorvex_embed target symbol file)
  get_filename_component(abs ${file} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embed_${symbol}.cpp)
  file(CONFIGURE OUTPUT ${out} CONTENT
"#include <span>
__asm__(\".section .rodata\\n\"
        \".balign 16\\n\"
        \"qx_res_@symbol@_begin:\\n\"
        \".incbin \\\"@abs@\\\"\\n\"
        \"qx_res_@symbol@_end:\\n\"
        \".byte 0\\n\"
        \".previous\\n\");
extern \"C\" const unsigned char qx_res_@symbol@_begin[];
extern \"C\" const unsigned char qx_res_@symbol@_end[];
namespace qx::res {
std::span<const unsigned char> @symbol@() {
    return {qx_res_@symbol@_begin, static_cast<std::size_t>(qx_res_@symbol@_end - qx_res_@symbol@_begin)};
}
}
" @ONLY)
  set_source_files_properties(${out} PROPERTIES OBJECT_DEPENDS ${abs})
  target_sources(${target} PRIVATE ${out})
endfunction()
