// Every arrow points down: a folder includes itself and the folders its matrix line allows,
// nothing else. "platform/*" allows every platform folder; a platform folder's detail/ is
// private to it. Features never include Qt. The helper programs under tools/ are separate
// executables: each may include its own folder, tools/common and the bottom of src/ (core, text,
// platform), never a feature, the window model or another tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
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
    {"platform/script",    {"platform/text", "platform/library"}},
    {"platform/html",      {"platform/text", "platform/library"}},
    {"platform/imaging",   {"platform/system", "platform/text", "platform/library"}, true},
    {"platform/audio",     {"platform/system", "platform/text", "platform/library"}},
    {"core",               {}},
    {"text",               {"core", "platform/*"}},
    {"state",              {"core", "text", "resolvers", "platform/*"}},
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

// Where a file sits and the rule for it; the folder is "" when the file has no rule.
using RuleOf = std::function<Rule(const std::string& file)>;

Rule srcRule(const std::string& file) {
    const Rule* r = ruleFor(fs::path(file).parent_path().generic_string());
    return r ? *r : Rule{};
}

// A tool's folder is its first path part under tools/.
Rule toolRule(const std::string& file) {
    const std::string tool = file.substr(0, file.find('/'));
    if (tool == file) return {};
    return {tool, {"common", "core", "text", "platform/*"}, true};
}

// The folder an include names: a src/ folder of the matrix, or for tools a tool's own folder.
std::string targetOf(const std::string& inc, const std::set<std::string>& tools) {
    const std::string first = inc.substr(0, inc.find('/'));
    if (tools.count(first)) return first;
    const Rule* r = ruleFor(fs::path(inc).parent_path().generic_string());
    return r ? r->folder : "";
}

// Every violation in the tree below root, one line each.
std::vector<std::string> violations(const fs::path& root, const RuleOf& ruleOf,
                                    const std::set<std::string>& tools = {}) {
    static const std::regex kQuoted(R"re(^\s*#\s*include\s*"([^"]+)")re");
    static const std::regex kAngled(R"re(^\s*#\s*include\s*<(Q[A-Za-z]*|qt[A-Za-z]*)[/>])re");
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::string ext = entry.path().extension().string();
        if (ext != ".h" && ext != ".cpp" && ext != ".in") continue;
        std::string file = fs::relative(entry.path(), root).generic_string();
        const Rule rule = ruleOf(file);
        if (rule.folder.empty()) {
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
            if (!rule.qtAllowed && std::regex_search(line, m, kAngled)) {
                out.push_back(where + "Qt header <" + m[1].str() + "> outside the Qt layers");
                continue;
            }
            if (!std::regex_search(line, m, kQuoted)) continue;
            std::string inc = m[1].str();
            if (inc.find('/') == std::string::npos) continue;  // a sibling header
            const std::string target = targetOf(inc, tools);
            if (target.empty()) {
                out.push_back(where + "\"" + inc + "\" names no folder of the matrix");
            } else if (!allows(rule, target)) {
                out.push_back(where + rule.folder + " must not include " + target + " (\"" + inc + "\")");
            } else if (inc.find("/detail/") != std::string::npos && target != rule.folder) {
                out.push_back(where + "\"" + inc + "\" is private to " + target);
            }
        }
    }
    return out;
}

std::set<std::string> toolFolders(const fs::path& root) {
    std::set<std::string> out;
    for (const auto& entry : fs::directory_iterator(root))
        if (entry.is_directory()) out.insert(entry.path().filename().string());
    return out;
}

std::string report(const std::vector<std::string>& found) {
    std::string out;
    for (const std::string& v : found) out += v + "\n";
    return out;
}

std::set<std::string> filesOf(const std::vector<std::string>& found) {
    std::set<std::string> files;
    for (const std::string& v : found) files.insert(v.substr(0, v.find(':')));
    return files;
}

TEST(Layering, EveryIncludeOfSrcAndToolsPointsDown) {
    std::vector<std::string> found = violations(QX_SOURCE_DIR, srcRule);
    EXPECT_TRUE(found.empty()) << report(found);
    found = violations(QX_TOOLS_DIR, toolRule, toolFolders(QX_TOOLS_DIR));
    EXPECT_TRUE(found.empty()) << report(found);
}

// The checker itself: upward, sideways, private and Qt arrows in a scratch tree are caught.
TEST(Layering, TheCheckerCatchesEachKindOfWrongArrow) {
    fs::path root = fs::temp_directory_path() / ("qx_layering_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(root);
    auto write = [&](const std::string& file, const std::string& text) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << text;
    };
    write("src/net/Ok.cpp",
          "#include \"net/Ok.h\"\n#include \"script/X.h\"\n#include \"platform/http/Y.h\"\n");
    write("src/net/Up.cpp", "#include \"ui/Window.h\"\n");
    write("src/tester/Side.cpp", "#include \"notice/Notice.h\"\n");
    write("src/text/Private.cpp", "#include \"platform/http/detail/CurlTransfer.h\"\n");
    write("src/notice/Qt.cpp", "#include <QString>\n");
    write("src/stray/File.cpp", "\n");
    write("tools/common/Ok.h",
          "#include <QWidget>\n#include \"core/Text.h\"\n#include \"platform/text/A.h\"\n");
    write("tools/picker/Ok.cpp",
          "#include \"picker/Ok.h\"\n#include \"common/Ok.h\"\n#include \"text/B.h\"\n");
    write("tools/picker/Feature.cpp", "#include \"tester/WebTester.h\"\n");
    write("tools/picker/Model.cpp", "#include \"ui/Window.h\"\n");
    write("tools/picker/Sideways.cpp", "#include \"other/Tool.h\"\n");
    write("tools/picker/Private.cpp", "#include \"platform/http/detail/CurlTransfer.h\"\n");
    write("tools/other/Tool.h", "\n");
    write("tools/Loose.cpp", "\n");
    const std::vector<std::string> inSrc = violations(root / "src", srcRule);
    const std::vector<std::string> inTools =
        violations(root / "tools", toolRule, toolFolders(root / "tools"));
    fs::remove_all(root);
    EXPECT_EQ(filesOf(inSrc), (std::set<std::string>{"net/Up.cpp", "tester/Side.cpp", "text/Private.cpp",
                                                     "notice/Qt.cpp", "stray/File.cpp"}))
        << report(inSrc);
    EXPECT_EQ(filesOf(inTools),
              (std::set<std::string>{"picker/Feature.cpp", "picker/Model.cpp", "picker/Sideways.cpp",
                                     "picker/Private.cpp", "Loose.cpp"}))
        << report(inTools);
}

}  // namespace
