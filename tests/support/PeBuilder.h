#pragma once
// Small Windows executables made from our own bytes for tests: a PE32 image with one .rsrc
// section holding the resources a test asks for, plus the damaged variants hostile input
// tests need (a resource directory that points back at itself, a data entry claiming 2 GB).
// Also the payloads: icon images, icon groups, version information, string tables.
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace qx::test {

struct PeDamage {
    bool loopingDirectory = false;  // the first name directory's first entry points at the root
    bool hugeDataEntry = false;     // the first data entry claims 0x80000000 bytes
};

class PeBuilder {
  public:
    using Options = PeDamage;

    // A resource under a numeric type and id, or under a name.
    void add(std::uint32_t type, std::uint32_t id, std::uint32_t language, std::string data) {
        entries_[{type, id, language}] = std::move(data);
    }
    void addNamed(std::uint32_t type, std::u16string name, std::uint32_t language, std::string data) {
        named_[{type, std::move(name), language}] = std::move(data);
    }

    std::string build(const Options& options = {}) const {
        const std::string rsrc = resourceSection(options);
        const std::uint32_t rawSize = align(static_cast<std::uint32_t>(rsrc.size()), 0x200);
        std::string out(0x200, '\0');
        put(out, 0, 2, 0x5A4D);  // "MZ"
        put(out, 0x3C, 4, 0x40);
        out.replace(0x40, 4, std::string("PE\0\0", 4));
        const std::size_t coff = 0x44;
        put(out, coff, 2, 0x14C);
        put(out, coff + 2, 2, 1);
        put(out, coff + 16, 2, 0xE0);
        put(out, coff + 18, 2, 0x0102);
        const std::size_t opt = coff + 20;
        put(out, opt, 2, 0x10B);
        put(out, opt + 8, 4, rawSize);
        put(out, opt + 20, 4, kRva);
        put(out, opt + 24, 4, kRva);
        put(out, opt + 28, 4, 0x400000);
        put(out, opt + 32, 4, 0x1000);
        put(out, opt + 36, 4, 0x200);
        put(out, opt + 40, 2, 4);
        put(out, opt + 48, 2, 4);
        put(out, opt + 56, 4, kRva + align(static_cast<std::uint32_t>(rsrc.size()), 0x1000));
        put(out, opt + 60, 4, 0x200);
        put(out, opt + 68, 2, 2);  // GUI
        put(out, opt + 72, 4, 0x100000);
        put(out, opt + 76, 4, 0x1000);
        put(out, opt + 80, 4, 0x100000);
        put(out, opt + 84, 4, 0x1000);
        put(out, opt + 92, 4, 16);
        put(out, opt + 96 + 2 * 8, 4, kRva);  // the resource directory
        put(out, opt + 96 + 2 * 8 + 4, 4, static_cast<std::uint32_t>(rsrc.size()));
        const std::size_t section = opt + 0xE0;
        out.replace(section, 8, std::string(".rsrc\0\0\0", 8));
        put(out, section + 8, 4, static_cast<std::uint32_t>(rsrc.size()));
        put(out, section + 12, 4, kRva);
        put(out, section + 16, 4, rawSize);
        put(out, section + 20, 4, 0x200);
        put(out, section + 36, 4, 0x40000040);
        std::string body = rsrc;
        body.resize(rawSize, '\0');
        return out + body;
    }

    // ---- Payloads ----

    // A 32-bit DIB icon image: every pixel `argb`.
    static std::string dibIcon(int size, std::uint32_t argb) {
        std::string out;
        put32(out, 40);
        put32(out, static_cast<std::uint32_t>(size));
        put32(out, static_cast<std::uint32_t>(size * 2));  // colour rows and mask rows
        put16(out, 1);
        put16(out, 32);
        put32(out, 0);
        const int maskRow = ((size + 31) / 32) * 4;
        put32(out, static_cast<std::uint32_t>(size * size * 4 + maskRow * size));
        put32(out, 0);
        put32(out, 0);
        put32(out, 0);
        put32(out, 0);
        for (int i = 0; i < size * size; ++i) put32(out, argb);  // BGRA in memory
        out.append(static_cast<std::size_t>(maskRow * size), '\0');
        return out;
    }
    // A group entry: width, height, bit count, bytes, icon id.
    static std::string groupIcon(
        const std::vector<std::tuple<int, int, int, std::uint32_t, std::uint16_t>>& entries) {
        std::string out;
        put16(out, 0);
        put16(out, 1);
        put16(out, static_cast<std::uint32_t>(entries.size()));
        for (auto [w, h, bits, bytes, id] : entries) {
            out += static_cast<char>(w >= 256 ? 0 : w);
            out += static_cast<char>(h >= 256 ? 0 : h);
            out += '\0';
            out += '\0';
            put16(out, 1);
            put16(out, static_cast<std::uint32_t>(bits));
            put32(out, bytes);
            put16(out, id);
        }
        return out;
    }
    // VS_VERSIONINFO with the fixed part and one string table.
    static std::string versionInfo(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d,
                                   const std::vector<std::pair<std::u16string, std::u16string>>& strings) {
        std::string fixed;
        put32(fixed, 0xFEEF04BD);
        put32(fixed, 0x00010000);
        put32(fixed, static_cast<std::uint32_t>(a) << 16 | b);
        put32(fixed, static_cast<std::uint32_t>(c) << 16 | d);
        put32(fixed, static_cast<std::uint32_t>(a) << 16 | b);
        put32(fixed, static_cast<std::uint32_t>(c) << 16 | d);
        fixed.append(28, '\0');
        std::string children;
        for (const auto& [key, value] : strings) {
            std::u16string v = value + u'\0';
            std::string valueBytes = utf16(v);
            children += node(key, valueBytes, static_cast<std::uint16_t>(v.size()), 1, "");
        }
        std::string table = node(u"080404b0", "", 0, 1, children);
        std::string info = node(u"StringFileInfo", "", 0, 1, table);
        return node(u"VS_VERSION_INFO", fixed, static_cast<std::uint16_t>(fixed.size()), 0, info);
    }
    // A string-table block: 16 filled, the given ones filled.
    static std::string stringTable(const std::map<int, std::u16string>& filled) {
        std::string out;
        for (int i = 0; i < 16; ++i) {
            auto it = filled.find(i);
            const std::u16string s = it == filled.end() ? std::u16string() : it->second;
            put16(out, static_cast<std::uint32_t>(s.size()));
            out += utf16(s);
        }
        return out;
    }
    static std::string utf16(const std::u16string& s) {
        std::string out;
        for (char16_t c : s) put16(out, c);
        return out;
    }

  private:
    static constexpr std::uint32_t kRva = 0x1000;

    static std::uint32_t align(std::uint32_t v, std::uint32_t a) { return (v + a - 1) / a * a; }
    static void put(std::string& s, std::size_t at, int bytes, std::uint32_t v) {
        for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
    }
    static void put16(std::string& s, std::uint32_t v) {
        s += static_cast<char>(v);
        s += static_cast<char>(v >> 8);
    }
    static void put32(std::string& s, std::uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    }
    static std::string pad4(std::string s) {
        while (s.size() % 4) s += '\0';
        return s;
    }
    // wLength, wValueLength, wType, key, padding, value, padding, children.
    static std::string node(const std::u16string& key, const std::string& value, std::uint16_t valueLength,
                            std::uint16_t type, const std::string& children) {
        std::string head;
        put16(head, 0);
        put16(head, valueLength);
        put16(head, type);
        head += utf16(key + u'\0');
        std::string out = pad4(head) + value;
        if (!children.empty()) out = pad4(out) + children;
        put(out, 0, 2, static_cast<std::uint32_t>(out.size()));
        return pad4(out);
    }

    // Name keys: a named entry sorts first, by name; then ids ascending.
    struct NameKey {
        bool named;
        std::u16string name;
        std::uint32_t id;
        bool operator<(const NameKey& o) const {
            if (named != o.named) return named;
            return named ? name < o.name : id < o.id;
        }
    };

    std::string resourceSection(const Options& options) const {
        // type -> name -> language -> data
        std::map<std::uint32_t, std::map<NameKey, std::map<std::uint32_t, const std::string*>>> tree;
        for (const auto& [k, data] : entries_)
            tree[std::get<0>(k)][NameKey{false, {}, std::get<1>(k)}][std::get<2>(k)] = &data;
        for (const auto& [k, data] : named_)
            tree[std::get<0>(k)][NameKey{true, std::get<1>(k), 0}][std::get<2>(k)] = &data;

        // Offsets: root, type directories, name directories, data entries, name strings, data.
        auto dirSize = [](std::size_t n) { return static_cast<std::uint32_t>(16 + 8 * n); };
        std::uint32_t at = dirSize(tree.size());
        std::map<std::uint32_t, std::uint32_t> typeDir;
        for (const auto& [type, names] : tree) {
            typeDir[type] = at;
            at += dirSize(names.size());
        }
        std::map<std::pair<std::uint32_t, NameKey>, std::uint32_t> nameDir;
        for (const auto& [type, names] : tree)
            for (const auto& [name, langs] : names) {
                nameDir[{type, name}] = at;
                at += dirSize(langs.size());
            }
        std::vector<const std::string*> order;
        std::map<const std::string*, std::uint32_t> dataEntry;
        for (const auto& [type, names] : tree)
            for (const auto& [name, langs] : names)
                for (const auto& [lang, data] : langs) {
                    dataEntry[data] = at;
                    order.push_back(data);
                    at += 16;
                }
        std::map<std::u16string, std::uint32_t> strings;
        for (const auto& [type, names] : tree)
            for (const auto& [name, langs] : names)
                if (name.named && !strings.count(name.name)) {
                    strings[name.name] = at;
                    at += static_cast<std::uint32_t>(2 + 2 * name.name.size());
                }
        at = align(at, 4);
        std::map<const std::string*, std::uint32_t> dataAt;
        for (const std::string* d : order) {
            dataAt[d] = at;
            at = align(at + static_cast<std::uint32_t>(d->size()), 4);
        }

        std::string out(at, '\0');
        auto directory = [&](std::uint32_t offset, std::size_t named, std::size_t ids) {
            put(out, offset + 12, 2, static_cast<std::uint32_t>(named));
            put(out, offset + 14, 2, static_cast<std::uint32_t>(ids));
        };
        directory(0, 0, tree.size());
        std::uint32_t entry = 16;
        for (const auto& [type, names] : tree) {
            put(out, entry, 4, type);
            put(out, entry + 4, 4, 0x80000000u | typeDir[type]);
            entry += 8;
        }
        bool firstName = true, firstData = true;
        for (const auto& [type, names] : tree) {
            std::size_t namedCount = 0;
            for (const auto& [name, langs] : names) namedCount += name.named;
            directory(typeDir[type], namedCount, names.size() - namedCount);
            std::uint32_t e = typeDir[type] + 16;
            for (const auto& [name, langs] : names) {
                put(out, e, 4, name.named ? 0x80000000u | strings[name.name] : name.id);
                put(out, e + 4, 4, 0x80000000u | nameDir[{type, name}]);
                e += 8;
                const std::uint32_t dir = nameDir[{type, name}];
                directory(dir, 0, langs.size());
                std::uint32_t l = dir + 16;
                for (const auto& [lang, data] : langs) {
                    put(out, l, 4, lang);
                    put(out, l + 4, 4, dataEntry[data]);
                    if (firstName && options.loopingDirectory)
                        put(out, l + 4, 4, 0x80000000u);  // back to the root
                    firstName = false;
                    l += 8;
                    const std::uint32_t de = dataEntry[data];
                    put(out, de, 4, kRva + dataAt[data]);
                    put(out, de + 4, 4,
                        firstData && options.hugeDataEntry ? 0x80000000u
                                                           : static_cast<std::uint32_t>(data->size()));
                    put(out, de + 8, 4, 936);
                    firstData = false;
                    out.replace(dataAt[data], data->size(), *data);
                }
            }
        }
        for (const auto& [name, offset] : strings) {
            put(out, offset, 2, static_cast<std::uint32_t>(name.size()));
            for (std::size_t i = 0; i < name.size(); ++i) put(out, offset + 2 + 2 * i, 2, name[i]);
        }
        return out;
    }

    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::string> entries_;
    std::map<std::tuple<std::uint32_t, std::u16string, std::uint32_t>, std::string> named_;
};

}  // namespace qx::test
