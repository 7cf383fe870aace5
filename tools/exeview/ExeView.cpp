#include "exeview/ExeView.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "common/PeResources.h"

namespace qx::exeview {

using tools::ExecutableInfo;
using tools::PeResource;

namespace {

std::string hex(std::uint64_t v) {
    char b[24];
    std::snprintf(b, sizeof b, "0x%llx", static_cast<unsigned long long>(v));
    return b;
}

std::string bytesText(std::uint64_t n) { return std::to_string(n) + " 字节"; }

std::string typeLabel(const PeResource& r) {
    return r.typeName.empty() ? tools::resourceTypeName(r.type) : "\"" + r.typeName + "\"";
}

Node elfTree(const ExecutableInfo& info, const std::string& fileName) {
    Node root{fileName, "", -1, {}};
    std::string head =
        "文件：" + fileName + "\n格式：ELF\n机器：" + info.machine + "\n类型：" + info.fileType + "\n";
    if (!info.interpreter.empty()) head += "解释器：" + info.interpreter + "\n";
    root.detail = head;
    root.children.push_back({"文件头", head, -1, {}});

    Node needed{"需要的库 (" + std::to_string(info.needed.size()) + ")", "", -1, {}};
    for (const std::string& n : info.needed) {
        needed.detail += n + "\n";
        needed.children.push_back({n, "需要的库：" + n, -1, {}});
    }
    if (info.needed.empty()) needed.detail = "没有需要的动态库（静态链接或不是动态程序）。";
    root.children.push_back(std::move(needed));

    Node sections{"节 (" + std::to_string(info.sections.size()) + ")", "", -1, {}};
    for (const tools::ElfSection& s : info.sections) {
        const std::string name = s.name.empty() ? "(无名)" : s.name;
        std::string d = "节：" + name + "\n类型：" + s.type + "\n标志：" + s.flags + "\n地址：" +
                        hex(s.address) + "\n文件偏移：" + hex(s.offset) + "\n大小：" + bytesText(s.size) +
                        "\n";
        sections.detail += name + "  " + s.type + "  " + hex(s.address) + "  " + bytesText(s.size) + "\n";
        sections.children.push_back({name, d, -1, {}});
    }
    root.children.push_back(std::move(sections));

    Node segments{"程序头 (" + std::to_string(info.segments.size()) + ")", "", -1, {}};
    for (const tools::ElfSegment& s : info.segments) {
        std::string d = "类型：" + s.type + "\n权限：" + s.flags + "\n文件偏移：" + hex(s.offset) +
                        "\n地址：" + hex(s.address) + "\n文件中大小：" + bytesText(s.fileSize) +
                        "\n内存中大小：" + bytesText(s.memorySize) + "\n";
        segments.detail +=
            s.type + "  " + s.flags + "  " + hex(s.address) + "  " + bytesText(s.memorySize) + "\n";
        segments.children.push_back({s.type + " " + s.flags, d, -1, {}});
    }
    root.children.push_back(std::move(segments));

    Node notes{"注释 (" + std::to_string(info.notes.size()) + ")", "", -1, {}};
    for (const tools::ElfNote& n : info.notes) {
        std::string d = "名称：" + n.name + "\n类型：" + n.type + "\n内容：" + n.description + "\n";
        notes.detail += n.name + "  " + n.type + "  " + n.description + "\n";
        notes.children.push_back({n.name + " " + n.type, d, -1, {}});
    }
    root.children.push_back(std::move(notes));
    return root;
}

}  // namespace

std::string languageName(std::uint32_t lang) {
    static const std::map<std::uint32_t, const char*> names = {
        {0x0000, "中性"},       {0x0004, "中文"},       {0x0404, "中文(繁体，台湾)"},
        {0x0804, "中文(简体)"}, {0x0c04, "中文(香港)"}, {0x0409, "英语(美国)"},
        {0x0809, "英语(英国)"}, {0x0411, "日语"},       {0x0412, "韩语"},
        {0x0407, "德语"},       {0x040c, "法语"},       {0x0419, "俄语"},
        {0x0410, "意大利语"},   {0x0c0a, "西班牙语"},   {0x0416, "葡萄牙语(巴西)"},
        {0x0800, "系统默认"},   {0x0400, "用户默认"},
    };
    char code[16];
    std::snprintf(code, sizeof code, "%04x", lang);
    auto it = names.find(lang);
    return it == names.end() ? std::string("语言 ") + code : std::string(it->second) + " " + code;
}

std::string hexDump(std::string_view bytes, std::size_t limit) {
    std::string out;
    const std::size_t shown = std::min(bytes.size(), limit);
    char line[96];
    for (std::size_t at = 0; at < shown; at += 16) {
        int n = std::snprintf(line, sizeof line, "%08zx  ", at);
        std::string ascii;
        for (std::size_t i = 0; i < 16; ++i) {
            if (at + i < shown) {
                const unsigned char c = static_cast<unsigned char>(bytes[at + i]);
                n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "%02x ", c);
                ascii += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '.';
            } else {
                n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "   ");
            }
            if (i == 7) n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), " ");
        }
        out += std::string(line, static_cast<std::size_t>(n)) + " " + ascii + "\n";
    }
    if (bytes.size() > shown)
        out += "……（只显示前 " + std::to_string(shown) + " 字节，共 " + std::to_string(bytes.size()) +
               " 字节）\n";
    return out;
}

std::string exportName(const PeResource& r) {
    std::string type = r.typeName.empty() ? std::to_string(r.type) : r.typeName;
    std::string name = r.name.empty() ? std::to_string(r.id) : r.name;
    std::string out = type + "_" + name + "_" + std::to_string(r.language) + ".bin";
    for (char& c : out)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
    return out;
}

Node treeOf(const ExecutableInfo& info, const std::string& fileName) {
    if (info.kind == ExecutableInfo::Kind::Elf) return elfTree(info, fileName);
    Node root{fileName, "", -1, {}};
    root.detail = "文件：" + fileName + "\n格式：PE（Windows）\n机器：" + info.machine + "\n资源：" +
                  std::to_string(info.resources.size()) + " 项\n";
    if (info.resources.empty()) root.detail += "这个文件没有资源。\n";
    // type -> entry -> languages, in the order the file lists them.
    std::vector<std::string> typeOrder;
    std::map<std::string, std::vector<std::size_t>> byType;
    for (std::size_t i = 0; i < info.resources.size(); ++i) {
        const std::string t = typeLabel(info.resources[i]);
        if (!byType.count(t)) typeOrder.push_back(t);
        byType[t].push_back(i);
    }
    for (const std::string& t : typeOrder) {
        Node type{t + " (" + std::to_string(byType[t].size()) + ")", "", -1, {}};
        std::vector<std::string> entryOrder;
        std::map<std::string, std::vector<std::size_t>> byEntry;
        for (std::size_t i : byType[t]) {
            const std::string e = tools::resourceLabel(info.resources[i]);
            if (!byEntry.count(e)) entryOrder.push_back(e);
            byEntry[e].push_back(i);
        }
        for (const std::string& e : entryOrder) {
            Node entry{e, "", -1, {}};
            for (std::size_t i : byEntry[e]) {
                const PeResource& r = info.resources[i];
                const std::string label = languageName(r.language) + "  " + bytesText(r.data.size());
                entry.children.push_back({label, "", static_cast<int>(i), {}});
                type.detail += e + "  " + label + "\n";
            }
            if (entry.children.size() == 1) entry.resource = entry.children[0].resource;
            type.children.push_back(std::move(entry));
        }
        root.children.push_back(std::move(type));
    }
    return root;
}

ResourceView viewOf(const ExecutableInfo& info, std::size_t index) {
    ResourceView v;
    if (index >= info.resources.size()) return v;
    const PeResource& r = info.resources[index];
    const std::string head = "类型：" + typeLabel(r) + "\n名称：" + tools::resourceLabel(r) + "\n语言：" +
                             languageName(r.language) + "\n代码页：" + std::to_string(r.codePage) +
                             "\n大小：" + bytesText(r.data.size()) + "\n\n";
    if (r.typeName.empty()) {
        switch (r.type) {
            case tools::kRtVersion: {
                tools::VersionInfo version;
                if (!tools::parseVersionInfo(r.data, version)) break;
                v.kind = ResourceView::Kind::Text;
                v.text = head + "文件版本：" + version.fileVersion + "\n产品版本：" + version.productVersion +
                         "\n";
                for (const auto& [key, value] : version.strings) v.text += key + "：" + value + "\n";
                return v;
            }
            case tools::kRtString: {
                std::vector<std::pair<std::uint32_t, std::string>> strings;
                if (!r.name.empty() || !tools::parseStringTable(r.data, r.id, strings)) break;
                v.kind = ResourceView::Kind::Text;
                v.text = head;
                for (const auto& [id, text] : strings) v.text += std::to_string(id) + "：" + text + "\n";
                return v;
            }
            case tools::kRtManifest:
                v.kind = ResourceView::Kind::Text;
                v.text = head + tools::manifestText(r.data);
                return v;
            case tools::kRtIcon: {
                tools::GroupIconEntry e = tools::describeIconImage(r.data);
                if (e.width == 0) break;
                v.kind = ResourceView::Kind::Image;
                v.text = head + std::to_string(e.width) + "×" + std::to_string(e.height) + " " +
                         std::to_string(e.bitCount) + "位\n";
                v.icoFiles.push_back(tools::singleIco(e, r.data));
                return v;
            }
            case tools::kRtGroupIcon: {
                std::vector<tools::GroupIconEntry> group;
                if (!tools::parseGroupIcon(r.data, group)) break;
                v.kind = ResourceView::Kind::Image;
                v.text = head;
                for (const tools::GroupIconEntry& e : group) {
                    v.text += "图标 #" + std::to_string(e.iconId) + "：" + std::to_string(e.width) + "×" +
                              std::to_string(e.height) + " " + std::to_string(e.bitCount) + "位\n";
                    const PeResource* icon = tools::findResource(info.resources, tools::kRtIcon, e.iconId);
                    if (icon) v.icoFiles.push_back(tools::singleIco(e, icon->data));
                }
                return v;
            }
            default:
                break;
        }
    }
    v.kind = ResourceView::Kind::Hex;
    v.text = head + hexDump(r.data);
    return v;
}

}  // namespace qx::exeview
