#pragma once
// Windows (PE) and Linux (ELF) executables as plain data, read with LIEF in a child process:
// a damaged or hostile file can neither crash nor hang the tool that asks, it only fails with
// a message. What is read here is what the icon extractor and the resource viewer show.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qx::tools {

struct PeResource {
    std::uint32_t type = 0;  // 3 icon, 14 icon group, 16 version, 6 string table, 24 manifest...
    std::string typeName;    // a named type (UTF-8); then type is 0
    std::uint32_t id = 0;
    std::string name;  // a named entry (UTF-8); then id is 0
    std::uint32_t language = 0;
    std::uint32_t codePage = 0;
    std::string data;
};

struct ElfSection {
    std::string name;
    std::string type;
    std::string flags;
    std::uint64_t address = 0, offset = 0, size = 0;
};

struct ElfSegment {
    std::string type;
    std::string flags;  // "RWX" style
    std::uint64_t offset = 0, address = 0, fileSize = 0, memorySize = 0;
};

struct ElfNote {
    std::string name;
    std::string type;
    std::string description;  // as hex, or the text for the ABI tag and build id
};

struct ExecutableInfo {
    enum class Kind { Unknown, Pe, Elf };
    Kind kind = Kind::Unknown;
    std::string machine;
    // PE
    std::vector<PeResource> resources;
    // ELF
    std::string fileType;
    std::string interpreter;
    std::vector<std::string> needed;
    std::vector<ElfSection> sections;
    std::vector<ElfSegment> segments;
    std::vector<ElfNote> notes;
};

// Limits of what a read may cost; past them the read fails with a message.
struct ReadLimits {
    std::uint64_t maxFileBytes = 512ull << 20;
    std::uint64_t maxMemoryBytes = 2ull << 30;  // of the child that parses
    int maxSeconds = 20;
};

// Reads the file in a child process. False with a message (Chinese) when the file is missing,
// too large, neither PE nor ELF, or cannot be parsed.
bool readExecutable(const std::string& path, ExecutableInfo& out, std::string& error, ReadLimits limits = {});

// Runs `work` in a child process under the limits (memory, processor time, wall time); the text
// it leaves in its argument comes back in `result`. False with a message: the work's own (when
// it returns false), or one for a child that crashed or went past the limits.
bool runLimited(const std::function<bool(std::string&)>& work, std::string& result, std::string& error,
                const ReadLimits& limits);
// The file exists, is regular, readable, and within the size limit; else false with a message.
bool checkReadable(const std::string& path, const ReadLimits& limits, std::string& error);

// The parse itself, in this process (the child's part; LIEF may misbehave on hostile input).
bool parseExecutable(const std::string& path, ExecutableInfo& out, std::string& error);

// How the child hands its result over; deserialize refuses anything malformed.
std::string serialize(const ExecutableInfo& info);
bool deserialize(std::string_view bytes, ExecutableInfo& out);

}  // namespace qx::tools
