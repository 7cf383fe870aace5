#pragma once
// The program's own version record: embedded in the executable at build time, read back
// from the executable file as the system reads a version resource.
#include <array>
#include <string>
#include <string_view>

namespace qx::platform {

constexpr std::size_t kVersionFieldCount = 11;
using VersionFields = std::array<std::string, kVersionFieldCount>;

// The section the build puts the record in, so reading it costs the same for any file size.
inline constexpr std::string_view kVersionSection = ".qxversion";

// Field names in record order; the first is "FileVersion".
const std::array<const char*, kVersionFieldCount>& versionFieldNames();

// Reads the record from an executable file (GBK path). False when the file has none.
bool readVersionRecord(std::string_view path, VersionFields& fields);

// The bytes of a record block, as the build embeds it (also used by tests to make files).
std::string makeVersionRecord(const VersionFields& fields);

}  // namespace qx::platform
