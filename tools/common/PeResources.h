#pragma once
// What the resources of a Windows executable hold, decoded from their raw bytes: icon groups
// (and .ico files built from them), version information, string tables, manifests. Every
// decoder checks each length against the bytes it has and fails rather than read past them.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Executable.h"

namespace qx::tools {

// Resource type numbers.
inline constexpr std::uint32_t kRtIcon = 3;
inline constexpr std::uint32_t kRtString = 6;
inline constexpr std::uint32_t kRtGroupIcon = 14;
inline constexpr std::uint32_t kRtVersion = 16;
inline constexpr std::uint32_t kRtManifest = 24;

// The type's usual name ("图标组 (GROUP_ICON)" ...), or its number.
std::string resourceTypeName(std::uint32_t type);
// The entry's name or number as a resource viewer shows it.
std::string resourceLabel(const PeResource& r);

struct GroupIconEntry {
    int width = 0, height = 0;  // 0 in the file means 256
    int colorCount = 0;
    int planes = 0, bitCount = 0;
    std::uint32_t bytesInRes = 0;
    std::uint16_t iconId = 0;
};
bool parseGroupIcon(std::string_view data, std::vector<GroupIconEntry>& out);

// An .ico file of the group: every image the group names that `image` finds (by icon id).
// Empty when none is found.
std::string buildIco(const std::vector<GroupIconEntry>& group,
                     const std::function<const std::string*(std::uint16_t)>& image);
// The entry an icon image needs in an .ico file, read from the image itself (a PNG's header or
// the DIB's BITMAPINFOHEADER); width 0 when it is neither.
GroupIconEntry describeIconImage(std::string_view image);
// An .ico file of one image (what an image viewer needs to decode one icon).
std::string singleIco(const GroupIconEntry& entry, std::string_view image);
// An .ico file's images: reads back what buildIco writes (and other .ico files).
bool parseIco(std::string_view ico, std::vector<std::pair<GroupIconEntry, std::string>>& out);

struct VersionInfo {
    std::string fileVersion;                                   // from the fixed part, "1.2.3.4"
    std::string productVersion;                                // likewise
    std::vector<std::pair<std::string, std::string>> strings;  // "CompanyName" -> value, in order
};
bool parseVersionInfo(std::string_view data, VersionInfo& out);

// The strings of one string-table block (resource id `block`): string id -> text, empty
// strings left out.
bool parseStringTable(std::string_view data, std::uint32_t block,
                      std::vector<std::pair<std::uint32_t, std::string>>& out);

// A manifest's text as UTF-8 (UTF-8 with or without BOM, or UTF-16 with BOM).
std::string manifestText(std::string_view data);

std::string utf16leToUtf8(std::string_view bytes);

// The first resource of that type and id (any language); nullptr when absent.
const PeResource* findResource(const std::vector<PeResource>& all, std::uint32_t type, std::uint32_t id);

}  // namespace qx::tools
