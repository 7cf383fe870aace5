#pragma once
// The resource viewer's core: the tree it shows for a PE file (resource type, name, language,
// size) or an ELF file (header, needed libraries, sections, program headers, notes), and the
// view of one resource: version information, string table or manifest as text, icons as
// images, anything else as a hex dump. Viewing only: nothing here writes a file.
#include <string>
#include <string_view>
#include <vector>

#include "common/Executable.h"

namespace qx::exeview {

struct Node {
    std::string label;
    std::string detail;  // the text the viewer shows when the node is chosen
    int resource = -1;   // index into ExecutableInfo::resources, or -1
    std::vector<Node> children;
};

Node treeOf(const tools::ExecutableInfo& info, const std::string& fileName);

struct ResourceView {
    enum class Kind { Text, Image, Hex };
    Kind kind = Kind::Hex;
    std::string text;                   // Text and Hex
    std::vector<std::string> icoFiles;  // Image: one .ico per image to show
};
ResourceView viewOf(const tools::ExecutableInfo& info, std::size_t index);

// Offset, 16 bytes in hex, the same as characters; at most `limit` bytes, then a note.
std::string hexDump(std::string_view bytes, std::size_t limit = 64 * 1024);
// "中文(简体) 0804" and the like; unknown ones as their number.
std::string languageName(std::uint32_t language);
// A file name for a resource's raw bytes: type_name_language.bin
std::string exportName(const tools::PeResource& r);

}  // namespace qx::exeview
