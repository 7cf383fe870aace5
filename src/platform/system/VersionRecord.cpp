#include "platform/system/VersionRecord.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "platform/system/Files.h"

namespace qx::platform {
namespace {

// Built at run time so that the reader's own code never holds the marker in one piece.
std::string marker() {
    std::string m = "QXVER";
    m += "SIONRECORD1";
    m.push_back('\0');
    return m;
}

// The first marker in bytes followed by eleven fields and the closing NUL is the record.
bool parseRecord(std::string_view bytes, VersionFields& fields) {
    std::string m = marker();
    for (std::size_t at = bytes.find(m); at != std::string_view::npos; at = bytes.find(m, at + 1)) {
        std::size_t pos = at + m.size();
        VersionFields out;
        bool complete = true;
        for (std::size_t i = 0; i < kVersionFieldCount && complete; ++i) {
            std::size_t end = bytes.find('\0', pos);
            if (end == std::string_view::npos || end - pos > 256) {
                complete = false;
                break;
            }
            out[i] = std::string(bytes.substr(pos, end - pos));
            pos = end + 1;
        }
        if (!complete || pos >= bytes.size() || bytes[pos] != '\0') continue;
        fields = out;
        return true;
    }
    return false;
}

bool readAt(int fd, std::uint64_t offset, std::size_t n, std::string& out) {
    out.resize(n);
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = ::pread(fd, out.data() + got, n - got, static_cast<off_t>(offset + got));
        if (r < 0) return false;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    out.resize(got);
    return true;
}

// The content of the named section of a little-endian ELF file, through its section headers.
bool elfSection(int fd, std::uint64_t fileSize, std::string_view name, std::string& content) {
    std::string ident;
    if (!readAt(fd, 0, sizeof(Elf64_Ehdr), ident) || ident.size() < EI_NIDENT ||
        std::memcmp(ident.data(), ELFMAG, SELFMAG) != 0 || ident[EI_DATA] != ELFDATA2LSB)
        return false;
    const bool wide = ident[EI_CLASS] == ELFCLASS64;
    std::uint64_t shoff = 0, entSize = 0, count = 0, strIndex = 0;
    if (wide && ident.size() >= sizeof(Elf64_Ehdr)) {
        Elf64_Ehdr h;
        std::memcpy(&h, ident.data(), sizeof h);
        shoff = h.e_shoff, entSize = h.e_shentsize, count = h.e_shnum, strIndex = h.e_shstrndx;
    } else if (!wide && ident.size() >= sizeof(Elf32_Ehdr)) {
        Elf32_Ehdr h;
        std::memcpy(&h, ident.data(), sizeof h);
        shoff = h.e_shoff, entSize = h.e_shentsize, count = h.e_shnum, strIndex = h.e_shstrndx;
    } else {
        return false;
    }
    const std::uint64_t minEnt = wide ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    if (entSize < minEnt || count == 0 || count > 65535 || strIndex >= count || shoff > fileSize ||
        count * entSize > fileSize - shoff)
        return false;
    std::string table;
    if (!readAt(fd, shoff, static_cast<std::size_t>(count * entSize), table) || table.size() != count * entSize)
        return false;
    struct Section {
        std::uint64_t name, offset, size;
    };
    auto section = [&](std::uint64_t i) {
        Section s {};
        if (wide) {
            Elf64_Shdr h;
            std::memcpy(&h, table.data() + i * entSize, sizeof h);
            s = {h.sh_name, h.sh_offset, h.sh_size};
        } else {
            Elf32_Shdr h;
            std::memcpy(&h, table.data() + i * entSize, sizeof h);
            s = {h.sh_name, h.sh_offset, h.sh_size};
        }
        return s;
    };
    constexpr std::uint64_t kMaxSection = 64 * 1024;
    Section names = section(strIndex);
    if (names.offset > fileSize || names.size > fileSize - names.offset || names.size > (1 << 20)) return false;
    std::string strings;
    if (!readAt(fd, names.offset, static_cast<std::size_t>(names.size), strings)) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
        Section s = section(i);
        if (s.name >= strings.size()) continue;
        if (std::string_view(strings.c_str() + s.name) != name) continue;
        if (s.offset > fileSize || s.size > fileSize - s.offset || s.size > kMaxSection) return false;
        return readAt(fd, s.offset, static_cast<std::size_t>(s.size), content);
    }
    return false;
}

}  // namespace

const std::array<const char*, kVersionFieldCount>& versionFieldNames() {
    static const std::array<const char*, kVersionFieldCount> names = {
        "FileVersion",    "ProductVersion", "FileDescription",  "ProductName",
        "CompanyName",    "LegalCopyright", "LegalTrademarks",  "InternalName",
        "OriginalFilename", "Comments",     "PrivateBuild"};
    return names;
}

std::string makeVersionRecord(const VersionFields& fields) {
    // marker, then 11 fields each ended by NUL, then a second NUL.
    std::string out = marker();
    for (auto& f : fields) {
        out += f;
        out.push_back('\0');
    }
    out.push_back('\0');
    return out;
}

bool readVersionRecord(std::string_view path, VersionFields& fields) {
    int fd = ::open(toNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool found = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // The build keeps the record in its own section: a few reads, whatever the file's size.
        std::string section;
        if (elfSection(fd, static_cast<std::uint64_t>(st.st_size), kVersionSection, section))
            found = parseRecord(section, fields);
        // Other files (and executables without the section): scan in windows that overlap by
        // the longest record, so one never falls between two reads.
        constexpr std::size_t kWindow = 1 << 20, kOverlap = 64 * 1024;
        std::string window;
        for (std::uint64_t offset = 0; !found && offset < static_cast<std::uint64_t>(st.st_size);
             offset += kWindow - kOverlap) {
            if (!readAt(fd, offset, kWindow, window)) break;
            found = parseRecord(window, fields);
            if (window.size() < kWindow) break;
        }
    }
    ::close(fd);
    return found;
}

}  // namespace qx::platform
