// Every arrow points down: a folder includes itself and the folders its matrix line allows,
// nothing else. "platform/*" allows every platform folder; a platform folder's detail/ is
// private to it. Features never include Qt.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Rule {
    std::string folder;
    std::vector<std::string> allowed;
    bool qtAllowed = false;
};

// One line per folder of src/.
// clang-format off
const std::vector<Rule> kMatrix = {
    {"platform/library",   {}},
    {"platform/text",      {"platform/library"}},
    {"platform/system",    {"platform/text"}},
    {"platform/http",      {"platform/system", "platform/text", "platform/library"}},
    {"platform/script",    {"platform/text"}},
    {"platform/html",      {"platform/text", "platform/library"}},
    {"platform/imaging",   {"platform/system", "platform/text", "platform/library"}, true},
    {"platform/audio",     {"platform/system", "platform/text", "platform/library"}},
    {"core",               {}},
    {"text",               {"core", "platform/*"}},
    {"state",              {"core", "text", "platform/*"}},
    {"script",             {"core", "text", "platform/*"}},
    {"net",                {"core", "text", "script", "platform/*"}},
    {"resolvers",          {"core", "text", "script", "net", "platform/*"}},
    {"resources",          {}},
    {"resources/draw",     {}, true},  // the build-time picture program
    {"ui",                 {"core", "text", "platform/system"}},
    {"ui/qt",              {"core", "text", "ui", "platform/*"}, true},
    {"notice",             {"core", "text", "script", "net", "resolvers", "state", "ui", "platform/*"}},
    {"resolvers/window",   {"core", "text", "script", "net", "resolvers", "state", "ui", "resources", "platform/*"}},
    {"tester",             {"core", "text", "script", "net", "state", "ui", "platform/*"}},
    {"utilities/speech",   {"core", "text", "script", "net", "state", "ui", "platform/*"}},
    {"utilities/speedtest",{"core", "text", "script", "net", "state", "ui", "platform/*"}},
    {"utilities/avatar",   {"core", "text", "script", "net", "state", "ui", "platform/*"}},
    {"utilities/siteicon", {"core", "text", "script", "net", "state", "ui", "platform/*"}},
    {"utilities/encoder",  {"core", "text", "script", "net", "state", "ui", "platform/*"}},
    {"utilities/regextester", {"core", "text", "script", "net", "state", "ui", "platform/*"}},
    {"cli",                {"core", "text", "script", "net", "resolvers", "state", "notice", "tester",
                            "utilities/speech", "utilities/speedtest", "utilities/avatar",
                            "utilities/siteicon", "utilities/encoder", "utilities/regextester",
                            "platform/*"}},
    {"app",                {"core", "text", "script", "net", "resolvers", "resolvers/window", "state",
                            "resources", "ui", "ui/qt", "notice", "tester", "utilities/speech",
                            "utilities/speedtest", "utilities/avatar", "utilities/siteicon",
                            "utilities/encoder", "utilities/regextester", "platform/*"}},
};
// clang-format on

bool under(const std::string& path, const std::string& folder) {
    return path == folder || path.rfind(folder + "/", 0) == 0;
}

// The matrix folder that holds path (the longest match); nullptr when none does.
const Rule* ruleFor(const std::string& path) {
    const Rule* best = nullptr;
    for (const Rule& r : kMatrix)
        if (under(path, r.folder) && (!best || r.folder.size() > best->folder.size())) best = &r;
    return best;
}

bool allows(const Rule& from, const std::string& target) {
    if (target == from.folder) return true;
    for (const std::string& a : from.allowed) {
        if (a == target) return true;
        if (a == "platform/*" && target.rfind("platform/", 0) == 0) return true;
    }
    return false;
}

// Every violation in the tree below root, one line each.
std::vector<std::string> violations(const fs::path& root) {
    static const std::regex kQuoted(R"re(^\s*#\s*include\s*"([^"]+)")re");
    static const std::regex kAngled(R"re(^\s*#\s*include\s*<(Q[A-Za-z]*|qt[A-Za-z]*)[/>])re");
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::string ext = entry.path().extension().string();
        if (ext != ".h" && ext != ".cpp" && ext != ".in") continue;
        std::string file = fs::relative(entry.path(), root).generic_string();
        const Rule* rule = ruleFor(fs::path(file).parent_path().generic_string());
        if (!rule) {
            out.push_back(file + ": folder has no line in the layering matrix");
            continue;
        }
        std::ifstream in(entry.path());
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            std::smatch m;
            std::string where = file + ":" + std::to_string(number) + ": ";
            if (!rule->qtAllowed && std::regex_search(line, m, kAngled)) {
                out.push_back(where + "Qt header <" + m[1].str() + "> outside the Qt layers");
                continue;
            }
            if (!std::regex_search(line, m, kQuoted)) continue;
            std::string inc = m[1].str();
            if (inc.find('/') == std::string::npos) continue;  // a sibling header
            const Rule* target = ruleFor(fs::path(inc).parent_path().generic_string());
            if (!target) {
                out.push_back(where + "\"" + inc + "\" names no folder of the matrix");
            } else if (!allows(*rule, target->folder)) {
                out.push_back(where + rule->folder + " must not include " + target->folder + " (\"" + inc + "\")");
            } else if (inc.find("/detail/") != std::string::npos && target->folder != rule->folder) {
                out.push_back(where + "\"" + inc + "\" is private to " + target->folder);
            }
        }
    }
    return out;
}

TEST(Layering, EveryIncludeOfSrcPointsDown) {
    std::vector<std::string> found = violations(QX_SOURCE_DIR);
    std::string report;
    for (const std::string& v : found) report += v + "\n";
    EXPECT_TRUE(found.empty()) << report;
}

// The checker itself: upward, sideways, private and Qt arrows in a scratch tree are caught.
TEST(Layering, TheCheckerCatchesEachKindOfWrongArrow) {
    fs::path root = fs::temp_directory_path() / ("qx_layering_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(root);
    auto write = [&](const std::string& file, const std::string& text) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << text;
    };
    write("net/Ok.cpp", "#include \"net/Ok.h\"\n#include \"script/X.h\"\n#include \"platform/http/Y.h\"\n");
    write("net/Up.cpp", "#include \"ui/Window.h\"\n");
    write("tester/Side.cpp", "#include \"notice/Notice.h\"\n");
    write("text/Private.cpp", "#include \"platform/http/detail/CurlTransfer.h\"\n");
    write("notice/Qt.cpp", "#include <QString>\n");
    write("stray/File.cpp", "\n");
    std::vector<std::string> found = violations(root);
    fs::remove_all(root);
    std::set<std::string> files;
    for (const std::string& v : found) files.insert(v.substr(0, v.find(':')));
    EXPECT_EQ(files, (std::set<std::string>{"net/Up.cpp", "tester/Side.cpp", "text/Private.cpp",
                                            "notice/Qt.cpp", "stray/File.cpp"}));
}

}  // namespace
