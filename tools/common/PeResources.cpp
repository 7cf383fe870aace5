#include "common/PeResources.h"

#include "platform/text/Utf8.h"

#include <algorithm>
#include <cstdio>

namespace qx::tools {

namespace {

std::uint16_t u16(std::string_view d, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) |
                                      static_cast<unsigned char>(d[at + 1]) << 8);
}

std::uint32_t u32(std::string_view d, std::size_t at) {
    return static_cast<std::uint32_t>(u16(d, at)) | static_cast<std::uint32_t>(u16(d, at + 2)) << 16;
}

void put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::size_t align4(std::size_t v) { return (v + 3) & ~static_cast<std::size_t>(3); }

// One node of a version resource: wLength, wValueLength, wType, szKey (UTF-16, NUL-ended),
// padding, value, padding, children. `end` is the node's end within data.
struct VersionNode {
    std::size_t start = 0, end = 0;
    std::uint16_t valueLength = 0, type = 0;
    std::string key;
    std::size_t valueStart = 0;
    std::size_t childrenStart = 0;
};

bool readNode(std::string_view d, std::size_t at, std::size_t limit, VersionNode& n) {
    if (at + 6 > limit) return false;
    const std::uint16_t length = u16(d, at);
    if (length < 6 || at + length > limit) return false;
    n.start = at;
    n.end = at + length;
    n.valueLength = u16(d, at + 2);
    n.type = u16(d, at + 4);
    std::size_t p = at + 6;
    std::string key;
    for (;; p += 2) {
        if (p + 2 > n.end) return false;
        const std::uint16_t c = u16(d, p);
        if (c == 0) break;
        key.append(d.substr(p, 2));
    }
    n.key = utf16leToUtf8(key);
    n.valueStart = align4(p + 2);
    // wValueLength counts words for text values (type 1), bytes for binary ones.
    const std::size_t valueBytes = n.type == 1 ? std::size_t{n.valueLength} * 2 : n.valueLength;
    if (n.valueStart > n.end || valueBytes > n.end - n.valueStart) {
        n.valueStart = std::min(n.valueStart, n.end);
        n.childrenStart = n.end;
        n.valueLength = 0;
        return true;
    }
    n.childrenStart = std::min(align4(n.valueStart + valueBytes), n.end);
    return true;
}

std::string textValue(std::string_view d, const VersionNode& n) {
    std::string raw;
    for (std::size_t p = n.valueStart; p + 2 <= n.end && raw.size() < std::size_t{n.valueLength} * 2;
         p += 2) {
        if (u16(d, p) == 0) break;
        raw.append(d.substr(p, 2));
    }
    return utf16leToUtf8(raw);
}

std::string versionOf(std::uint32_t high, std::uint32_t low) {
    return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
           std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
}

}  // namespace

std::string utf16leToUtf8(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = u16(bytes, i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = u16(bytes, i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        platform::appendUtf8(out, c);
    }
    return out;
}

std::string resourceTypeName(std::uint32_t type) {
    switch (type) {
        case 1:
            return "光标 (CURSOR)";
        case 2:
            return "位图 (BITMAP)";
        case kRtIcon:
            return "图标 (ICON)";
        case 4:
            return "菜单 (MENU)";
        case 5:
            return "对话框 (DIALOG)";
        case kRtString:
            return "字符串表 (STRING)";
        case 7:
            return "字体目录 (FONTDIR)";
        case 8:
            return "字体 (FONT)";
        case 9:
            return "快捷键 (ACCELERATOR)";
        case 10:
            return "自定义数据 (RCDATA)";
        case 11:
            return "消息表 (MESSAGETABLE)";
        case 12:
            return "光标组 (GROUP_CURSOR)";
        case kRtGroupIcon:
            return "图标组 (GROUP_ICON)";
        case kRtVersion:
            return "版本信息 (VERSION)";
        case 23:
            return "HTML";
        case kRtManifest:
            return "清单 (MANIFEST)";
        default:
            return "类型 " + std::to_string(type);
    }
}

std::string resourceLabel(const PeResource& r) {
    return r.name.empty() ? "#" + std::to_string(r.id) : r.name;
}

namespace {

// The header of an icon directory (a group resource, or an .ico file) whose entries are
// entrySize bytes each; the number of entries, 0 when the header or the entries do not fit.
std::size_t iconDirectoryCount(std::string_view d, std::size_t entrySize) {
    if (d.size() < 6 || u16(d, 0) != 0 || u16(d, 2) != 1) return 0;
    const std::size_t count = u16(d, 4);
    return 6 + count * entrySize > d.size() ? 0 : count;
}

// The fields both kinds of entry share: size, colours, planes, depth and byte count.
GroupIconEntry iconDirectoryEntry(std::string_view d, std::size_t at) {
    GroupIconEntry e;
    e.width = static_cast<unsigned char>(d[at]) ? static_cast<unsigned char>(d[at]) : 256;
    e.height = static_cast<unsigned char>(d[at + 1]) ? static_cast<unsigned char>(d[at + 1]) : 256;
    e.colorCount = static_cast<unsigned char>(d[at + 2]);
    e.planes = u16(d, at + 4);
    e.bitCount = u16(d, at + 6);
    e.bytesInRes = u32(d, at + 8);
    return e;
}

}  // namespace

bool parseGroupIcon(std::string_view d, std::vector<GroupIconEntry>& out) {
    out.clear();
    const std::size_t count = iconDirectoryCount(d, 14);
    if (count == 0) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + i * 14;
        GroupIconEntry e = iconDirectoryEntry(d, at);
        e.iconId = u16(d, at + 12);
        out.push_back(e);
    }
    return true;
}

std::string buildIco(const std::vector<GroupIconEntry>& group,
                     const std::function<const std::string*(std::uint16_t)>& image) {
    std::vector<std::pair<const GroupIconEntry*, const std::string*>> found;
    for (const GroupIconEntry& e : group)
        if (const std::string* data = image(e.iconId); data && !data->empty()) found.push_back({&e, data});
    if (found.empty() || found.size() > 0xFFFF) return {};
    std::string out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(found.size()));
    std::size_t offset = 6 + 16 * found.size();
    for (auto [e, data] : found) {
        out += static_cast<char>(e->width >= 256 ? 0 : e->width);
        out += static_cast<char>(e->height >= 256 ? 0 : e->height);
        out += static_cast<char>(e->colorCount);
        out += '\0';
        put16(out, static_cast<std::uint32_t>(e->planes));
        put16(out, static_cast<std::uint32_t>(e->bitCount));
        put32(out, static_cast<std::uint32_t>(data->size()));  // the bytes as stored, whatever the group said
        put32(out, static_cast<std::uint32_t>(offset));
        offset += data->size();
    }
    for (auto [e, data] : found) out += *data;
    return out;
}

GroupIconEntry describeIconImage(std::string_view d) {
    GroupIconEntry e;
    e.planes = 1;
    auto be32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(
            static_cast<unsigned char>(d[at]) << 24 | static_cast<unsigned char>(d[at + 1]) << 16 |
            static_cast<unsigned char>(d[at + 2]) << 8 | static_cast<unsigned char>(d[at + 3]));
    };
    if (d.size() >= 24 && d.substr(0, 8) == "\x89PNG\r\n\x1a\n") {
        const std::uint32_t w = be32(16), h = be32(20);
        if (w == 0 || h == 0 || w > 256 || h > 256) return GroupIconEntry{};
        e.width = static_cast<int>(w);
        e.height = static_cast<int>(h);
        e.bitCount = 32;
        return e;
    }
    if (d.size() >= 40 && u32(d, 0) == 40) {
        const std::int32_t w = static_cast<std::int32_t>(u32(d, 4)), h = static_cast<std::int32_t>(u32(d, 8));
        if (w <= 0 || w > 256 || h <= 0 || h / 2 > 256) return GroupIconEntry{};
        e.width = w;
        e.height = h / 2;  // colour rows and mask rows
        e.bitCount = u16(d, 14);
        return e;
    }
    return GroupIconEntry{};
}

std::string singleIco(const GroupIconEntry& entry, std::string_view image) {
    const std::string data(image);
    return buildIco({entry}, [&](std::uint16_t) { return &data; });
}

bool parseIco(std::string_view d, std::vector<std::pair<GroupIconEntry, std::string>>& out) {
    out.clear();
    const std::size_t count = iconDirectoryCount(d, 16);
    if (count == 0) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + i * 16;
        GroupIconEntry e = iconDirectoryEntry(d, at);
        const std::uint32_t offset = u32(d, at + 12);
        if (offset > d.size() || e.bytesInRes > d.size() - offset) return false;
        out.push_back({e, std::string(d.substr(offset, e.bytesInRes))});
    }
    return true;
}

bool parseVersionInfo(std::string_view d, VersionInfo& out) {
    out = VersionInfo{};
    VersionNode root;
    if (!readNode(d, 0, d.size(), root) || root.key != "VS_VERSION_INFO") return false;
    // VS_FIXEDFILEINFO: signature 0xFEEF04BD, then the versions.
    if (root.valueLength >= 52 && root.valueStart + 52 <= root.end && u32(d, root.valueStart) == 0xFEEF04BD) {
        out.fileVersion = versionOf(u32(d, root.valueStart + 8), u32(d, root.valueStart + 12));
        out.productVersion = versionOf(u32(d, root.valueStart + 16), u32(d, root.valueStart + 20));
    }
    // StringFileInfo -> StringTable (one per language) -> String.
    int visited = 0;
    for (std::size_t at = root.childrenStart; at < root.end;) {
        VersionNode info;
        if (!readNode(d, at, root.end, info)) break;
        if (info.key == "StringFileInfo") {
            for (std::size_t t = info.childrenStart; t < info.end;) {
                VersionNode table;
                if (!readNode(d, t, info.end, table)) break;
                for (std::size_t s = table.childrenStart; s < table.end && ++visited < 10000;) {
                    VersionNode str;
                    if (!readNode(d, s, table.end, str)) break;
                    out.strings.push_back({str.key, textValue(d, str)});
                    s = align4(str.end);
                }
                t = align4(table.end);
            }
        }
        at = align4(info.end);
    }
    return true;
}

bool parseStringTable(std::string_view d, std::uint32_t block,
                      std::vector<std::pair<std::uint32_t, std::string>>& out) {
    out.clear();
    if (block == 0 || block > 4096) return false;
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < 16; ++i) {
        if (at + 2 > d.size()) return false;
        const std::size_t length = u16(d, at);
        at += 2;
        if (length * 2 > d.size() - at) return false;
        if (length > 0) out.push_back({(block - 1) * 16 + i, utf16leToUtf8(d.substr(at, length * 2))});
        at += length * 2;
    }
    return true;
}

std::string manifestText(std::string_view d) {
    if (d.size() >= 2 && static_cast<unsigned char>(d[0]) == 0xFF && static_cast<unsigned char>(d[1]) == 0xFE)
        return utf16leToUtf8(d.substr(2));
    if (d.size() >= 3 && d.substr(0, 3) == "\xEF\xBB\xBF") d.remove_prefix(3);
    return std::string(d);
}

const PeResource* findResource(const std::vector<PeResource>& all, std::uint32_t type, std::uint32_t id) {
    for (const PeResource& r : all)
        if (r.type == type && r.name.empty() && r.id == id) return &r;
    return nullptr;
}

}  // namespace qx::tools
