#include "common/PeEditor.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

#include "common/PeResources.h"

namespace qx::tools {

namespace {

constexpr std::size_t kMaxResources = 100000;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kSecurityDirectory = 4;

std::uint32_t get(std::string_view d, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(d[at + i])) << (8 * i);
    return v;
}

void set(std::string& d, std::size_t at, int bytes, std::uint32_t v) {
    for (int i = 0; i < bytes; ++i) d[at + i] = static_cast<char>(v >> (8 * i));
}

void append(std::string& d, int bytes, std::uint32_t v) {
    for (int i = 0; i < bytes; ++i) d += static_cast<char>(v >> (8 * i));
}

std::uint64_t alignUp(std::uint64_t v, std::uint64_t a) { return a ? (v + a - 1) / a * a : v; }

struct Section {
    std::uint32_t virtualSize = 0, address = 0, rawSize = 0, rawOffset = 0;
};

// What the reader and the writer need from the headers, each field checked against the file.
struct Headers {
    std::size_t coff = 0, optional = 0, sectionTable = 0, directories = 0;
    std::uint32_t directoryCount = 0;
    std::uint32_t sectionAlignment = 0, fileAlignment = 0, sizeOfHeaders = 0;
    std::vector<Section> sections;

    std::uint32_t directoryRva(std::uint32_t i, std::string_view d) const {
        return i < directoryCount ? get(d, directories + 8 * i, 4) : 0;
    }
    std::uint32_t directorySize(std::uint32_t i, std::string_view d) const {
        return i < directoryCount ? get(d, directories + 8 * i + 4, 4) : 0;
    }
    // The file bytes an address maps to: offset and how many follow within its section.
    bool map(std::uint32_t rva, std::size_t fileSize, std::size_t& offset, std::size_t& available) const {
        for (const Section& s : sections) {
            const std::uint64_t extent = std::max(s.virtualSize, s.rawSize);
            if (rva < s.address || rva >= std::uint64_t{s.address} + extent) continue;
            const std::uint64_t into = rva - s.address;
            if (into >= s.rawSize || s.rawOffset + into >= fileSize) return false;
            offset = static_cast<std::size_t>(s.rawOffset + into);
            available = static_cast<std::size_t>(
                std::min<std::uint64_t>(s.rawSize - into, fileSize - (s.rawOffset + into)));
            return true;
        }
        return false;
    }
};

bool readHeaders(std::string_view d, Headers& h, std::string& error) {
    error = "这不是有效的 Windows 可执行文件（PE 文件头已损坏）。";
    if (d.size() < 0x40 || d.substr(0, 2) != "MZ") return false;
    const std::size_t pe = get(d, 0x3C, 4);
    if (pe > d.size() || d.size() - pe < 24 || d.substr(pe, 4) != std::string_view("PE\0\0", 4)) return false;
    h.coff = pe + 4;
    const std::uint32_t sectionCount = get(d, h.coff + 2, 2);
    const std::uint32_t optionalSize = get(d, h.coff + 16, 2);
    h.optional = h.coff + 20;
    if (sectionCount > 96 || d.size() - h.optional < optionalSize) return false;
    const std::uint32_t magic = optionalSize >= 2 ? get(d, h.optional, 2) : 0;
    const std::size_t directoriesAt = magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0;
    if (directoriesAt == 0 || optionalSize < directoriesAt) return false;
    h.sectionAlignment = get(d, h.optional + 32, 4);
    h.fileAlignment = get(d, h.optional + 36, 4);
    h.sizeOfHeaders = get(d, h.optional + 60, 4);
    h.directoryCount = std::min<std::uint32_t>(get(d, h.optional + directoriesAt - 4, 4), 16);
    h.directories = h.optional + directoriesAt;
    if (directoriesAt + 8ull * h.directoryCount > optionalSize) return false;
    if (h.fileAlignment == 0 || h.sectionAlignment == 0 || h.fileAlignment > 0x10000 ||
        h.sectionAlignment > 0x10000000)
        return false;
    h.sectionTable = h.optional + optionalSize;
    if (d.size() - h.sectionTable < 40ull * sectionCount) return false;
    h.sections.clear();
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = h.sectionTable + 40 * i;
        h.sections.push_back({get(d, at + 8, 4), get(d, at + 12, 4), get(d, at + 16, 4), get(d, at + 20, 4)});
    }
    error.clear();
    return true;
}

std::string utf8ToUtf16le(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        char32_t c = 0xFFFD;
        int n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) {
            ++i;
        } else {
            c = n == 1 ? b : b & (0x7F >> n);
            for (int k = 1; k < n; ++k) c = c << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
            i += n;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            append(out, 2, 0xD800 + (c >> 10));
            append(out, 2, 0xDC00 + (c & 0x3FF));
        } else {
            append(out, 2, c);
        }
    }
    return out;
}

// The strict walk of the resource table: three levels (type, name, language), then a data entry.
class TableReader {
  public:
    TableReader(std::string_view image, const Headers& h, std::size_t start, std::size_t length)
        : image_(image), h_(h), table_(image.substr(start, length)) {}

    bool read(std::vector<PeResource>& out, std::string& error) {
        PeResource r;
        if (!directory(0, 0, r, out)) {
            error = "资源表已损坏：" + problem_ + "，不能编辑这个文件。";
            return false;
        }
        return true;
    }

  private:
    bool fail(const char* why) {
        problem_ = why;
        return false;
    }

    bool name(std::uint32_t offset, std::string& out) {
        if (offset > table_.size() || table_.size() - offset < 2) return fail("名称超出资源表");
        const std::size_t length = get(table_, offset, 2);
        if ((table_.size() - offset - 2) / 2 < length) return fail("名称超出资源表");
        out = utf16leToUtf8(table_.substr(offset + 2, 2 * length));
        return true;
    }

    bool directory(std::uint32_t offset, int level, PeResource& r, std::vector<PeResource>& out) {
        if (!seen_.insert(offset).second) return fail("目录被重复引用（循环）");
        if (offset > table_.size() || table_.size() - offset < 16) return fail("目录超出资源表");
        const std::size_t count = get(table_, offset + 12, 2) + std::size_t{get(table_, offset + 14, 2)};
        if ((table_.size() - offset - 16) / 8 < count) return fail("目录项超出资源表");
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = offset + 16 + 8 * i;
            const std::uint32_t key = get(table_, at, 4), target = get(table_, at + 4, 4);
            std::string label;
            if ((key & 0x80000000u) && !name(key & 0x7FFFFFFFu, label)) return false;
            const std::uint32_t id = (key & 0x80000000u) ? 0 : key;
            if (level == 0) {
                r.type = id;
                r.typeName = label;
            } else if (level == 1) {
                r.id = id;
                r.name = label;
            } else {
                if (key & 0x80000000u) return fail("语言项不是数字");
                r.language = id;
            }
            const bool subdirectory = target & 0x80000000u;
            if (subdirectory && seen_.count(target & 0x7FFFFFFFu)) return fail("目录被重复引用（循环）");
            if (subdirectory != (level < 2)) return fail("目录层次不对");
            if (subdirectory ? !directory(target & 0x7FFFFFFFu, level + 1, r, out) : !data(target, r, out))
                return false;
        }
        return true;
    }

    bool data(std::uint32_t offset, PeResource& r, std::vector<PeResource>& out) {
        if (offset > table_.size() || table_.size() - offset < 16) return fail("数据项超出资源表");
        if (out.size() >= kMaxResources) return fail("资源项太多");
        const std::uint32_t rva = get(table_, offset, 4), size = get(table_, offset + 4, 4);
        std::size_t at = 0, available = 0;
        if (size > 0 && (!h_.map(rva, image_.size(), at, available) || available < size))
            return fail("资源数据超出文件范围");
        total_ += size;
        if (total_ > 4 * std::uint64_t{image_.size()} + (1 << 20)) return fail("资源数据重叠得太多");
        r.codePage = get(table_, offset + 8, 4);
        r.data = size > 0 ? std::string(image_.substr(at, size)) : std::string();
        out.push_back(r);
        return true;
    }

    std::string_view image_;
    const Headers& h_;
    std::string_view table_;
    std::set<std::uint32_t> seen_;
    std::uint64_t total_ = 0;
    std::string problem_;
};

// A directory key: named entries first, ordered by their UTF-16 text, then numbers ascending.
struct Key {
    bool named = false;
    std::string name16;  // UTF-16LE
    std::uint32_t id = 0;
    bool operator<(const Key& o) const {
        if (named != o.named) return named;
        if (!named) return id < o.id;
        for (std::size_t i = 0; i + 1 < name16.size() && i + 1 < o.name16.size(); i += 2) {
            const std::uint32_t a = get(name16, i, 2), b = get(o.name16, i, 2);
            if (a != b) return a < b;
        }
        return name16.size() < o.name16.size();
    }
};

Key typeKey(const PeResource& r) {
    return r.typeName.empty() ? Key{false, {}, r.type} : Key{true, utf8ToUtf16le(r.typeName), 0};
}
Key nameKey(const PeResource& r) {
    return r.name.empty() ? Key{false, {}, r.id} : Key{true, utf8ToUtf16le(r.name), 0};
}

// The table for a section at `rva`.
bool buildTable(const std::vector<PeResource>& resources, std::uint32_t rva, std::string& out,
                std::string& error) {
    std::map<Key, std::map<Key, std::map<std::uint32_t, const PeResource*>>> tree;
    for (const PeResource& r : resources) {
        const PeResource*& slot = tree[typeKey(r)][nameKey(r)][r.language];
        if (slot) {
            error = "有两项资源的类型、名称和语言都相同，无法保存。";
            return false;
        }
        slot = &r;
    }
    auto directorySize = [](std::size_t n) { return 16 + 8 * n; };
    std::size_t at = directorySize(tree.size());
    std::size_t leaves = 0;
    for (const auto& [type, entries] : tree) {
        at += directorySize(entries.size());
        for (const auto& [name, languages] : entries) {
            at += directorySize(languages.size());
            leaves += languages.size();
        }
    }
    const std::size_t dataEntries = at;
    at += 16 * leaves;
    std::map<std::string, std::size_t> strings;  // UTF-16 text -> offset
    for (const auto& [type, entries] : tree) {
        if (type.named) strings.emplace(type.name16, 0);
        for (const auto& [name, languages] : entries)
            if (name.named) strings.emplace(name.name16, 0);
    }
    for (auto& [text, offset] : strings) {
        offset = at;
        at += 2 + text.size();
    }
    at = alignUp(at, 8);
    std::size_t payload = at;
    for (const PeResource& r : resources) payload = alignUp(payload + r.data.size(), 8);
    if (payload > 0x7FFFFFFF) {
        error = "资源太大，无法保存。";
        return false;
    }
    out.assign(payload, '\0');

    std::size_t next = directorySize(tree.size());  // where the next directory goes
    std::size_t entry = dataEntries;
    std::size_t blob = at;
    auto keyOf = [&](const Key& k) {
        return k.named ? 0x80000000u | static_cast<std::uint32_t>(strings[k.name16]) : k.id;
    };
    auto header = [&](std::size_t offset, const auto& children) {
        std::size_t named = 0;
        for (const auto& child : children) named += child.first.named;
        set(out, offset + 12, 2, static_cast<std::uint32_t>(named));
        set(out, offset + 14, 2, static_cast<std::uint32_t>(children.size() - named));
    };
    header(0, tree);
    std::size_t slot = 16;
    for (const auto& [type, entries] : tree) {
        const std::size_t typeAt = next;
        next += directorySize(entries.size());
        set(out, slot, 4, keyOf(type));
        set(out, slot + 4, 4, 0x80000000u | static_cast<std::uint32_t>(typeAt));
        slot += 8;
        header(typeAt, entries);
        std::size_t nameSlot = typeAt + 16;
        for (const auto& [name, languages] : entries) {
            const std::size_t nameAt = next;
            next += directorySize(languages.size());
            set(out, nameSlot, 4, keyOf(name));
            set(out, nameSlot + 4, 4, 0x80000000u | static_cast<std::uint32_t>(nameAt));
            nameSlot += 8;
            set(out, nameAt + 14, 2, static_cast<std::uint32_t>(languages.size()));
            std::size_t languageSlot = nameAt + 16;
            for (const auto& [language, r] : languages) {
                set(out, languageSlot, 4, language);
                set(out, languageSlot + 4, 4, static_cast<std::uint32_t>(entry));
                languageSlot += 8;
                set(out, entry, 4, rva + static_cast<std::uint32_t>(blob));
                set(out, entry + 4, 4, static_cast<std::uint32_t>(r->data.size()));
                set(out, entry + 8, 4, r->codePage);
                entry += 16;
                out.replace(blob, r->data.size(), r->data);
                blob = alignUp(blob + r->data.size(), 8);
            }
        }
    }
    for (const auto& [text, offset] : strings) {
        set(out, offset, 2, static_cast<std::uint32_t>(text.size() / 2));
        out.replace(offset + 2, text.size(), text);
    }
    return true;
}

// ---- Version resources ----

struct VersionNode {
    std::string key16;  // UTF-16LE, without the ending NUL
    std::uint16_t type = 0;
    std::uint16_t valueLength = 0;
    std::string value;
    std::vector<VersionNode> children;
};

bool parseVersionNode(std::string_view d, std::size_t at, std::size_t limit, VersionNode& n, int depth) {
    if (depth > 6 || at + 6 > limit) return false;
    const std::size_t length = get(d, at, 2);
    if (length < 6 || at + length > limit) return false;
    const std::size_t end = at + length;
    n.valueLength = static_cast<std::uint16_t>(get(d, at + 2, 2));
    n.type = static_cast<std::uint16_t>(get(d, at + 4, 2));
    std::size_t p = at + 6;
    for (;; p += 2) {
        if (p + 2 > end) return false;
        if (get(d, p, 2) == 0) break;
    }
    n.key16 = std::string(d.substr(at + 6, p - at - 6));
    const std::size_t valueAt = alignUp(p + 2, 4);
    const std::size_t valueBytes = n.type == 1 ? std::size_t{n.valueLength} * 2 : n.valueLength;
    if (valueAt > end || valueBytes > end - valueAt) {
        // Some writers count a text value in bytes: take what is there.
        n.value = valueAt < end ? std::string(d.substr(valueAt, end - valueAt)) : std::string();
        return true;
    }
    n.value = std::string(d.substr(valueAt, valueBytes));
    for (std::size_t c = alignUp(valueAt + valueBytes, 4); c < end;) {
        VersionNode child;
        if (!parseVersionNode(d, c, end, child, depth + 1)) return false;
        c = alignUp(c + get(d, c, 2), 4);
        n.children.push_back(std::move(child));
    }
    return true;
}

void pad4(std::string& s) {
    while (s.size() % 4) s += '\0';
}

std::string writeVersionNode(const VersionNode& n) {
    std::string out;
    append(out, 2, 0);
    append(out, 2, n.valueLength);
    append(out, 2, n.type);
    out += n.key16;
    append(out, 2, 0);
    pad4(out);
    out += n.value;
    for (const VersionNode& c : n.children) {
        pad4(out);
        out += writeVersionNode(c);
    }
    set(out, 0, 2, static_cast<std::uint32_t>(out.size()));
    return out;
}

VersionNode textNode(const std::string& key, const std::string& value) {
    VersionNode n;
    n.key16 = utf8ToUtf16le(key);
    n.type = 1;
    n.value = utf8ToUtf16le(value);
    append(n.value, 2, 0);
    n.valueLength = static_cast<std::uint16_t>(n.value.size() / 2);
    return n;
}

// "1.2.3.4" (fewer parts are zero-filled) as the two words of the fixed part.
bool versionNumbers(const std::string& text, std::uint32_t& high, std::uint32_t& low) {
    std::uint32_t part[4] = {};
    int count = 0;
    std::size_t at = 0;
    while (count < 4) {
        std::size_t end = at;
        std::uint32_t v = 0;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9' && v <= 65535)
            v = v * 10 + (text[end++] - '0');
        if (end == at || v > 65535) return false;
        part[count++] = v;
        if (end == text.size()) break;
        if (text[end] != '.' && text[end] != ',') return false;
        at = end + 1;
        if (count == 4) return false;
    }
    high = part[0] << 16 | part[1];
    low = part[2] << 16 | part[3];
    return true;
}

}  // namespace

bool readPeResources(std::string_view image, std::vector<PeResource>& out, std::string& error) {
    out.clear();
    Headers h;
    if (!readHeaders(image, h, error)) return false;
    const std::uint32_t rva = h.directoryRva(kResourceDirectory, image);
    if (rva == 0) return true;
    std::size_t at = 0, available = 0;
    if (!h.map(rva, image.size(), at, available)) {
        error = "资源表已损坏：资源目录不在任何节里，不能编辑这个文件。";
        return false;
    }
    return TableReader(image, h, at, available).read(out, error);
}

bool loadForEditing(const std::string& path, std::string& image, std::vector<PeResource>& resources,
                    std::string& error, ReadLimits limits) {
    image.clear();
    resources.clear();
    if (!checkReadable(path, limits, error)) return false;
    std::ifstream in(path, std::ios::binary);
    image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = "无法读取文件“" + path + "”。";
        return false;
    }
    std::string result;
    const std::string_view bytes = image;
    if (!runLimited(
            [bytes](std::string& text) {
                ExecutableInfo info;
                info.kind = ExecutableInfo::Kind::Pe;
                if (!readPeResources(bytes, info.resources, text)) return false;
                text = serialize(info);
                return true;
            },
            result, error, limits))
        return false;
    ExecutableInfo info;
    if (!deserialize(result, info)) {
        error = "无法解析该文件：解析结果不完整。";
        return false;
    }
    resources = std::move(info.resources);
    return true;
}

std::uint32_t peChecksum(std::string_view image) {
    Headers h;
    std::string ignored;
    const std::size_t skip = readHeaders(image, h, ignored) ? h.optional + 64 : image.size();
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < image.size(); i += 2) {
        if (i == skip || i == skip + 2) continue;
        std::uint32_t word = static_cast<unsigned char>(image[i]);
        if (i + 1 < image.size())
            word |= static_cast<std::uint32_t>(static_cast<unsigned char>(image[i + 1])) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

bool writePeResources(std::string_view image, const std::vector<PeResource>& resources, std::string& out,
                      std::string& error) {
    out.clear();
    Headers h;
    if (!readHeaders(image, h, error)) return false;
    if (h.directoryCount <= kResourceDirectory) {
        error = "这个文件的数据目录里没有资源项，无法保存。";
        return false;
    }
    // One more section header must fit before the headers' end and the first section's bytes.
    std::uint64_t room = h.sizeOfHeaders;
    std::uint64_t imageEnd = alignUp(h.sizeOfHeaders, h.sectionAlignment);
    for (const Section& s : h.sections) {
        if (s.rawSize > 0) room = std::min<std::uint64_t>(room, s.rawOffset);
        imageEnd = std::max(imageEnd, alignUp(std::uint64_t{s.address} + std::max(s.virtualSize, s.rawSize),
                                              h.sectionAlignment));
    }
    const std::size_t newHeader = h.sectionTable + 40 * h.sections.size();
    // ... and the place must be unused (a bound import table may sit there).
    if (newHeader + 40 > room || newHeader + 40 > image.size() ||
        image.substr(newHeader, 40).find_first_not_of('\0') != std::string_view::npos) {
        error = "文件头里没有空间再加一个节，无法保存。";
        return false;
    }
    if (imageEnd > 0x7FFFFFFF) {
        error = "这个文件的映像太大，无法保存。";
        return false;
    }
    const std::uint32_t rva = static_cast<std::uint32_t>(imageEnd);
    std::string table;
    if (!buildTable(resources, rva, table, error)) return false;
    const std::uint64_t rawOffset = alignUp(image.size(), h.fileAlignment);
    const std::uint64_t rawSize = alignUp(table.size(), h.fileAlignment);
    const std::uint64_t newEnd = alignUp(std::uint64_t{rva} + table.size(), h.sectionAlignment);
    if (rawOffset + rawSize > 0xFFFFFFFF || newEnd > 0xFFFFFFFF) {
        error = "文件太大，无法保存。";
        return false;
    }

    out.assign(image);
    out.resize(rawOffset, '\0');
    out += table;
    out.resize(rawOffset + rawSize, '\0');
    std::string header(40, '\0');
    header.replace(0, 7, ".qxrsrc");
    set(header, 8, 4, static_cast<std::uint32_t>(table.size()));
    set(header, 12, 4, rva);
    set(header, 16, 4, static_cast<std::uint32_t>(rawSize));
    set(header, 20, 4, static_cast<std::uint32_t>(rawOffset));
    set(header, 36, 4, 0x40000040);  // initialised data, readable
    out.replace(newHeader, 40, header);
    set(out, h.coff + 2, 2, static_cast<std::uint32_t>(h.sections.size() + 1));
    set(out, h.optional + 8, 4, get(out, h.optional + 8, 4) + static_cast<std::uint32_t>(rawSize));
    set(out, h.optional + 56, 4, static_cast<std::uint32_t>(newEnd));
    set(out, h.directories + 8 * kResourceDirectory, 4, rva);
    set(out, h.directories + 8 * kResourceDirectory + 4, 4, static_cast<std::uint32_t>(table.size()));
    if (h.directoryCount > kSecurityDirectory) {
        set(out, h.directories + 8 * kSecurityDirectory, 4, 0);
        set(out, h.directories + 8 * kSecurityDirectory + 4, 4, 0);
    }
    set(out, h.optional + 64, 4, peChecksum(out));
    return true;
}

bool setVersionString(std::string& versionData, const std::string& key, const std::string& value,
                      std::string& error) {
    VersionNode root;
    if (!parseVersionNode(versionData, 0, versionData.size(), root, 0) ||
        utf16leToUtf8(root.key16) != "VS_VERSION_INFO") {
        error = "版本信息已损坏，无法修改。";
        return false;
    }
    if (key.empty()) {
        error = "请填写要修改的字符串名称。";
        return false;
    }
    VersionNode* strings = nullptr;
    for (VersionNode& c : root.children)
        if (utf16leToUtf8(c.key16) == "StringFileInfo") strings = &c;
    if (!strings) {
        VersionNode info;
        info.key16 = utf8ToUtf16le("StringFileInfo");
        info.type = 1;
        root.children.insert(root.children.begin(), std::move(info));
        strings = &root.children.front();
    }
    if (strings->children.empty()) {
        VersionNode table;
        table.key16 = utf8ToUtf16le("080404b0");  // Chinese (PRC), Unicode
        table.type = 1;
        strings->children.push_back(std::move(table));
    }
    for (VersionNode& table : strings->children) {
        bool found = false;
        for (VersionNode& s : table.children) {
            if (utf16leToUtf8(s.key16) != key) continue;
            s = textNode(key, value);
            found = true;
        }
        if (!found) table.children.push_back(textNode(key, value));
    }
    std::uint32_t high = 0, low = 0;
    const bool fixed = root.value.size() >= 52 && get(root.value, 0, 4) == 0xFEEF04BD;
    if (fixed && (key == "FileVersion" || key == "ProductVersion") && versionNumbers(value, high, low)) {
        const std::size_t at = key == "FileVersion" ? 8 : 16;
        set(root.value, at, 4, high);
        set(root.value, at + 4, 4, low);
    }
    const std::string written = writeVersionNode(root);
    if (written.size() > 0xFFFF) {
        error = "版本信息太长，无法保存。";
        return false;
    }
    versionData = written;
    return true;
}

bool replaceIconGroup(std::vector<PeResource>& resources, std::size_t group, std::string_view ico,
                      std::string& error) {
    if (group >= resources.size() || resources[group].type != kRtGroupIcon ||
        !resources[group].typeName.empty()) {
        error = "请先选中一个图标组。";
        return false;
    }
    std::vector<std::pair<GroupIconEntry, std::string>> images;
    if (!parseIco(ico, images) || images.empty()) {
        error = "这不是有效的 .ico 图标文件。";
        return false;
    }
    std::vector<GroupIconEntry> old;
    parseGroupIcon(resources[group].data, old);  // a damaged group is simply replaced
    // Icon images another group still shows stay.
    std::set<std::uint32_t> shared;
    for (std::size_t i = 0; i < resources.size(); ++i) {
        std::vector<GroupIconEntry> other;
        if (i == group || resources[i].type != kRtGroupIcon || !resources[i].typeName.empty() ||
            !parseGroupIcon(resources[i].data, other))
            continue;
        for (const GroupIconEntry& e : other) shared.insert(e.iconId);
    }
    std::set<std::uint32_t> remove;
    for (const GroupIconEntry& e : old)
        if (!shared.count(e.iconId)) remove.insert(e.iconId);
    const std::uint32_t language = resources[group].language;
    std::vector<PeResource> kept;
    std::set<std::uint32_t> used;
    std::size_t place = std::string::npos;  // the new images go where the old ones were
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const PeResource& r = resources[i];
        const bool icon = r.type == kRtIcon && r.typeName.empty() && r.name.empty();
        if (icon && remove.count(r.id)) {
            place = std::min(place, kept.size());
            continue;
        }
        if (icon) used.insert(r.id);
        kept.push_back(r);
    }
    PeResource* target = nullptr;
    const PeResource groupKey = resources[group];
    std::string data;
    append(data, 2, 0);
    append(data, 2, 1);
    append(data, 2, static_cast<std::uint32_t>(images.size()));
    std::uint32_t id = 1;
    std::vector<PeResource> added;
    for (auto& [entry, image] : images) {
        while (used.count(id)) ++id;
        if (id > 0xFFFF) {
            error = "图标编号已用完，无法替换。";
            return false;
        }
        used.insert(id);
        GroupIconEntry e = entry;
        const GroupIconEntry seen = describeIconImage(image);
        if (e.bitCount == 0) e.bitCount = seen.bitCount;
        if (e.planes == 0) e.planes = 1;
        data += static_cast<char>(e.width >= 256 ? 0 : e.width);
        data += static_cast<char>(e.height >= 256 ? 0 : e.height);
        data += static_cast<char>(e.colorCount);
        data += '\0';
        append(data, 2, static_cast<std::uint32_t>(e.planes));
        append(data, 2, static_cast<std::uint32_t>(e.bitCount));
        append(data, 4, static_cast<std::uint32_t>(image.size()));
        append(data, 2, id);
        PeResource r;
        r.type = kRtIcon;
        r.id = id;
        r.language = language;
        r.codePage = groupKey.codePage;
        r.data = std::move(image);
        added.push_back(std::move(r));
    }
    for (PeResource& r : kept)
        if (r.type == groupKey.type && r.typeName.empty() && r.id == groupKey.id && r.name == groupKey.name &&
            r.language == groupKey.language)
            target = &r;
    if (!target) {
        error = "找不到要替换的图标组。";
        return false;
    }
    target->data = std::move(data);
    kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(std::min(place, kept.size())),
                std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    resources = std::move(kept);
    return true;
}

namespace {

using ResourceKey = std::tuple<std::uint32_t, std::string, std::uint32_t, std::string, std::uint32_t>;

std::map<ResourceKey, std::string> keyed(const std::vector<PeResource>& all) {
    std::map<ResourceKey, std::string> out;
    for (const PeResource& r : all) out[{r.type, r.typeName, r.id, r.name, r.language}] = r.data;
    return out;
}

}  // namespace

bool checkWritten(const std::string& path, const std::vector<PeResource>& expected, std::string& error) {
    const auto want = keyed(expected);
    std::string image;
    std::vector<PeResource> ours;
    if (!loadForEditing(path, image, ours, error)) {
        error = "保存的文件读不回来：" + error;
        return false;
    }
    if (ours.size() != expected.size() || keyed(ours) != want) {
        error = "保存的文件读回来的资源与编辑的不一致。";
        return false;
    }
    ExecutableInfo lief;
    if (!readExecutable(path, lief, error) || lief.kind != ExecutableInfo::Kind::Pe) {
        error = "保存的文件 LIEF 读不出来：" + error;
        return false;
    }
    if (lief.resources.size() != expected.size() || keyed(lief.resources) != want) {
        error = "保存的文件 LIEF 读出的资源与编辑的不一致。";
        return false;
    }
    return true;
}

}  // namespace qx::tools
