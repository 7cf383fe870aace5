#pragma once
// Editing the resources of a Windows executable. Our own strict reader of the resource table
// (every offset checked against the bytes there, loops and shared directories refused), the
// edits the resource editor offers, and the writer that puts the edited table into a new last
// section: the old table stays where it was, unreferenced, so nothing else in the file moves.
//
//   std::string image; std::vector<PeResource> all;
//   if (!loadForEditing(path, image, all, error)) ...;      // in a limited child process
//   setVersionString(versionResource.data, "ProductName", "新名字", error);
//   writePeResources(image, all, edited, error);             // then save `edited` elsewhere
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Executable.h"

namespace qx::tools {

// The resources of a PE image in the order of its table. False with a message (Chinese) when
// the headers or the resource table are damaged. A file without resources gives an empty list.
bool readPeResources(std::string_view image, std::vector<PeResource>& out, std::string& error);

// Reads the file, then its resource table in a limited child process (as readExecutable does).
bool loadForEditing(const std::string& path, std::string& image, std::vector<PeResource>& resources,
                    std::string& error, ReadLimits limits = {});

// `image` with a resource table holding exactly `resources`, in a new last section; the data
// directory, section count, image size and checksum follow. A signature no longer matches an
// edited file, so its directory entry is cleared. False with a message when the headers leave
// no room for one more section or two resources share type, name and language.
bool writePeResources(std::string_view image, const std::vector<PeResource>& resources, std::string& out,
                      std::string& error);

// The checksum of the optional header, computed as the system's loader checks it.
std::uint32_t peChecksum(std::string_view image);

// Sets one string of a version resource in every string table it has (added where missing);
// for FileVersion and ProductVersion a value of up to four numbers also sets the fixed part.
bool setVersionString(std::string& versionData, const std::string& key, const std::string& value,
                      std::string& error);

// Replaces the icon group resources[group] by the pictures of an .ico file: its icon images go,
// unless another group shows them too, and the new ones take free icon numbers.
bool replaceIconGroup(std::vector<PeResource>& resources, std::size_t group, std::string_view ico,
                      std::string& error);

// Reads a saved file back with our own reader and with LIEF (both in child processes) and checks
// that both find exactly `expected`. False with a message saying what differs.
bool checkWritten(const std::string& path, const std::vector<PeResource>& expected, std::string& error);

}  // namespace qx::tools
