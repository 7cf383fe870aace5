#include "iconextract/IconExtract.h"

#include <QBuffer>
#include <QImageReader>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "common/Executable.h"

namespace fs = std::filesystem;

namespace qx::iconextract {

namespace {

constexpr std::uintmax_t kMaxIconFileBytes = 16u << 20;

bool readSmallFile(const std::string& path, std::string& out) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec || size > kMaxIconFileBytes) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

std::string trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && (s[start] == ' ' || s[start] == '\t')) ++start;
    return s.substr(start);
}

// The keys of one group of an ini-style file (index.theme, desktop entries).
std::map<std::string, std::map<std::string, std::string>> readIni(const std::string& path) {
    std::map<std::string, std::map<std::string, std::string>> groups;
    std::string text;
    if (!readSmallFile(path, text)) return groups;
    std::istringstream in(text);
    std::string group;
    for (std::string line; std::getline(in, line);) {
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = trim(line.substr(0, eq));
        if (!groups[group].count(key)) groups[group][key] = trim(line.substr(eq + 1));
    }
    return groups;
}

std::vector<std::string> splitList(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string item;
    std::istringstream in(s);
    while (std::getline(in, item, sep))
        if (!trim(item).empty()) out.push_back(trim(item));
    return out;
}

QImage decodeBytes(const std::string& bytes, const char* format) {
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    return reader.read();
}

IconImage themeImage(const std::string& path, int size) {
    IconImage img;
    img.path = path;
    img.width = img.height = size;
    const std::string ext = fs::path(path).extension().string();
    img.format = ext == ".svg" ? "svg" : ext == ".xpm" ? "xpm" : "png";
    readSmallFile(path, img.bytes);
    if (img.format != "svg") {
        QImage decoded = decodeBytes(img.bytes, img.format.c_str());
        if (!decoded.isNull()) {
            img.width = decoded.width();
            img.height = decoded.height();
        }
    }
    return img;
}

}  // namespace

bool iconsOfExecutable(const std::string& path, std::vector<IconSet>& out, std::string& error) {
    out.clear();
    tools::ExecutableInfo info;
    if (!tools::readExecutable(path, info, error)) return false;
    if (info.kind != tools::ExecutableInfo::Kind::Pe) {
        error = "这是 Linux 程序（ELF），其中没有图标；可以打开它的 .desktop 文件来取图标。";
        return false;
    }
    for (const tools::PeResource& r : info.resources) {
        if (r.type != tools::kRtGroupIcon) continue;
        IconSet set;
        set.label = tools::resourceLabel(r);
        std::vector<tools::GroupIconEntry> entries;
        if (!tools::parseGroupIcon(r.data, entries)) continue;
        for (const tools::GroupIconEntry& e : entries) {
            const tools::PeResource* icon = tools::findResource(info.resources, tools::kRtIcon, e.iconId);
            if (!icon || icon->data.empty()) continue;
            set.group.push_back(e);
            set.images.push_back({e.width, e.height, e.bitCount, icon->data, "ico-image", {}});
        }
        if (!set.images.empty()) out.push_back(std::move(set));
    }
    if (out.empty()) {
        error = "这个文件中没有图标。";
        return false;
    }
    return true;
}

IconThemes themesFromEnvironment(const std::string& themeName) {
    IconThemes t;
    t.theme = themeName.empty() ? "hicolor" : themeName;
    if (const char* home = std::getenv("HOME"); home && *home)
        t.baseDirs.push_back(std::string(home) + "/.icons");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome)
        t.baseDirs.push_back(std::string(dataHome) + "/icons");
    else if (const char* home = std::getenv("HOME"); home && *home)
        t.baseDirs.push_back(std::string(home) + "/.local/share/icons");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    for (const std::string& d :
         splitList(dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share", ':'))
        t.baseDirs.push_back(d + "/icons");
    t.pixmapDirs.push_back("/usr/share/pixmaps");
    return t;
}

bool iconOfTheme(const IconThemes& themes, const std::string& rawName, IconSet& out, std::string& error) {
    out = IconSet{};
    const std::string name = trim(rawName);
    if (name.empty()) {
        error = "请输入图标名称。";
        return false;
    }
    out.label = name;
    if (name.front() == '/') {
        std::error_code ec;
        if (!fs::is_regular_file(name, ec)) {
            error = "图标文件“" + name + "”不存在。";
            return false;
        }
        out.images.push_back(themeImage(name, 0));
        return true;
    }
    if (name.find('/') != std::string::npos || name == "." || name == "..") {
        error = "图标名称“" + name + "”无效。";
        return false;
    }
    // The theme, the themes it inherits (depth first, each once), then hicolor.
    std::vector<std::string> chain;
    std::set<std::string> seen;
    std::vector<std::string> pending{themes.theme};
    while (!pending.empty() && chain.size() < 50) {
        std::string theme = pending.front();
        pending.erase(pending.begin());
        if (!seen.insert(theme).second) continue;
        chain.push_back(theme);
        std::vector<std::string> parents;
        for (const std::string& base : themes.baseDirs) {
            auto ini = readIni(base + "/" + theme + "/index.theme");
            if (ini.count("Icon Theme")) {
                parents = splitList(ini["Icon Theme"]["Inherits"], ',');
                break;
            }
        }
        pending.insert(pending.begin(), parents.begin(), parents.end());
    }
    if (!seen.count("hicolor")) chain.push_back("hicolor");

    for (const std::string& theme : chain) {
        std::map<int, IconImage> bySize;  // one file per size, the first base folder wins
        for (const std::string& base : themes.baseDirs) {
            auto ini = readIni(base + "/" + theme + "/index.theme");
            if (!ini.count("Icon Theme")) continue;
            std::vector<std::string> dirs = splitList(ini["Icon Theme"]["Directories"], ',');
            for (const std::string& extra : splitList(ini["Icon Theme"]["ScaledDirectories"], ','))
                dirs.push_back(extra);
            for (const std::string& base2 : themes.baseDirs) {
                for (const std::string& dir : dirs) {
                    auto& keys = ini[dir];
                    const int size = std::atoi(keys["Size"].c_str());
                    const int scale = std::max(1, std::atoi(keys["Scale"].c_str()));
                    for (const char* ext : {".png", ".svg", ".xpm"}) {
                        const std::string file = base2 + "/" + theme + "/" + dir + "/" + name + ext;
                        std::error_code ec;
                        if (!fs::is_regular_file(file, ec)) continue;
                        const bool vector = std::string(ext) == ".svg";
                        const int key = vector ? 0 : size * scale;
                        if (!bySize.count(key)) bySize[key] = themeImage(file, vector ? size : size * scale);
                        break;
                    }
                }
            }
            break;  // the first index.theme of the theme describes it
        }
        if (!bySize.empty()) {
            for (auto& [size, image] : bySize) out.images.push_back(std::move(image));
            return true;
        }
    }
    for (const std::string& dir : themes.pixmapDirs) {
        for (const char* ext : {".png", ".svg", ".xpm"}) {
            const std::string file = dir + "/" + name + ext;
            std::error_code ec;
            if (fs::is_regular_file(file, ec)) {
                out.images.push_back(themeImage(file, 0));
                return true;
            }
        }
    }
    error = "当前图标主题（" + themes.theme + "）及其继承的主题中都没有名为“" + name + "”的图标。";
    return false;
}

bool iconOfDesktopEntry(const std::string& path, std::string& icon, std::string& error) {
    auto ini = readIni(path);
    if (!ini.count("Desktop Entry")) {
        error = "“" + path + "”不是有效的桌面项（.desktop）文件。";
        return false;
    }
    icon = ini["Desktop Entry"]["Icon"];
    if (icon.empty()) {
        error = "这个桌面项没有指定图标（Icon=）。";
        return false;
    }
    return true;
}

QImage decode(const IconSet& set, std::size_t index) {
    if (index >= set.images.size()) return {};
    const IconImage& img = set.images[index];
    if (img.format == "ico-image" && index < set.group.size())
        return decodeBytes(tools::singleIco(set.group[index], img.bytes), "ico");
    if (img.format == "png" || img.format == "xpm") return decodeBytes(img.bytes, img.format.c_str());
    return {};
}

std::string icoOf(const IconSet& set) {
    if (!set.group.empty() && set.group.size() == set.images.size()) {
        std::map<std::uint16_t, const std::string*> byId;
        for (std::size_t i = 0; i < set.group.size(); ++i) byId[set.group[i].iconId] = &set.images[i].bytes;
        return tools::buildIco(set.group,
                               [&](std::uint16_t id) { return byId.count(id) ? byId[id] : nullptr; });
    }
    // Theme sizes: each raster size as a PNG image (ICO holds up to 256 pixels a side).
    std::vector<tools::GroupIconEntry> entries;
    std::vector<std::string> pngs;
    for (std::size_t i = 0; i < set.images.size(); ++i) {
        QImage image = decode(set, i);
        if (image.isNull() || image.width() > 256 || image.height() > 256) continue;
        tools::GroupIconEntry e;
        e.width = image.width();
        e.height = image.height();
        e.planes = 1;
        e.bitCount = 32;
        e.iconId = static_cast<std::uint16_t>(pngs.size() + 1);
        entries.push_back(e);
        pngs.push_back(pngOf(set, i));
    }
    return tools::buildIco(entries, [&](std::uint16_t id) { return &pngs[id - 1]; });
}

std::string pngOf(const IconSet& set, std::size_t index) {
    QImage image = decode(set, index);
    if (image.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return bytes.toStdString();
}

std::string safeFileName(const std::string& label) {
    std::string out;
    for (char c : label) {
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
            c == '|' || static_cast<unsigned char>(c) < 0x20)
            out += '_';
        else if (!(out.empty() && (c == '#' || c == '.')))
            out += c;
    }
    return out.empty() ? "icon" : out;
}

}  // namespace qx::iconextract
