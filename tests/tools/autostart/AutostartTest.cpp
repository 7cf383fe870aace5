// The start-up item editor's core on folders of its own: entries added, turned off and on,
// removed; system entries left untouched; every file it writes passes desktop-file-validate;
// bad input refused with a clear text and nothing written.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "autostart/Autostart.h"

namespace fs = std::filesystem;
using namespace qx::autostart;

namespace {

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class AutostartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("qx_autostart_" + std::to_string(getpid()));
        fs::remove_all(root_);
        dirs_.user = (root_ / "home config" / "autostart").string();  // made when first needed
        dirs_.system = {(root_ / "xdg1" / "autostart").string(), (root_ / "xdg2" / "autostart").string()};
        fs::create_directories(dirs_.system[0]);
        fs::create_directories(dirs_.system[1]);
    }
    void TearDown() override { fs::remove_all(root_); }

    // desktop-file-validate's verdict; its complaints go into the failure message.
    void expectValid(const fs::path& file) {
        std::string command = std::string(QX_DESKTOP_FILE_VALIDATE) + " '" + file.string() + "' 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
        const int status = pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output << readAll(file);
        EXPECT_EQ(output, "") << readAll(file);
    }
    const Entry* entry(const std::vector<Entry>& list, const std::string& id) {
        for (const Entry& e : list)
            if (e.id == id) return &e;
        return nullptr;
    }
    void writeSystem(int dir, const std::string& id, const std::string& extra = {}) {
        std::ofstream(fs::path(dirs_.system[dir]) / id)
            << "[Desktop Entry]\nType=Application\nName=System " << id
            << "\nName[zh_CN]=系统项\nExec=/usr/bin/env true\nActions=x;\n"
            << extra << "\n[Desktop Action x]\nName=X\nExec=true\n";
    }

    fs::path root_;
    Dirs dirs_;
};

}  // namespace

TEST_F(AutostartTest, AddDisableEnableRemoveAUserEntry) {
    // Blanks, quotes, Chinese, a percent sign, a dollar, a backslash: all survive as written.
    fs::create_directories(root_ / "程序 目录");
    const fs::path program = root_ / "程序 目录" / "my \"prog\"";
    fs::copy_file("/bin/true", program);
    NewEntry add{"我的 程序", program.string(), R"(--name "甲 乙" 'it''s' 100% $HOME a\\b)",
                 "说明：开机启动"};
    std::string id;
    ASSERT_EQ(addEntry(dirs_, add, &id), "");
    EXPECT_EQ(id, "my-prog.desktop");  // no ASCII letter in the name: named after the program
    const fs::path file = fs::path(dirs_.user) / id;
    expectValid(file);

    std::vector<Entry> list = listEntries(dirs_);
    const Entry* e = entry(list, id);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->name, "我的 程序");
    EXPECT_EQ(e->comment, "说明：开机启动");
    EXPECT_EQ(e->source, Source::User);
    EXPECT_TRUE(e->enabled);
    std::vector<std::string> argv;
    ASSERT_TRUE(parseExecLine(e->exec, argv));
    EXPECT_EQ(argv, std::vector<std::string>(
                        {program.string(), "--name", "甲 乙", "its", "100%", "$HOME", "a\\b"}));

    ASSERT_EQ(setEnabled(dirs_, id, false), "");
    expectValid(file);
    EXPECT_NE(readAll(file).find("Hidden=true\n"), std::string::npos);
    EXPECT_FALSE(entry(listEntries(dirs_), id)->enabled);
    ASSERT_EQ(setEnabled(dirs_, id, true), "");
    expectValid(file);
    EXPECT_TRUE(entry(listEntries(dirs_), id)->enabled);

    ASSERT_EQ(removeEntry(dirs_, id), "");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(entry(listEntries(dirs_), id), nullptr);
    EXPECT_NE(removeEntry(dirs_, id), "");
}

TEST_F(AutostartTest, SystemEntriesAreTurnedOffPerUserAndNeverWritten) {
    writeSystem(0, "agent.desktop");
    writeSystem(1, "agent.desktop", "Comment=lower precedence");
    writeSystem(1, "off.desktop", "Hidden=true");
    const std::string before = readAll(fs::path(dirs_.system[0]) / "agent.desktop");

    std::vector<Entry> list = listEntries(dirs_);
    ASSERT_EQ(list.size(), 2u);
    const Entry* agent = entry(list, "agent.desktop");
    ASSERT_NE(agent, nullptr);
    EXPECT_EQ(agent->name, "系统项");
    EXPECT_EQ(agent->comment, "");  // the first folder wins
    EXPECT_EQ(agent->source, Source::System);
    EXPECT_TRUE(agent->enabled);
    EXPECT_FALSE(entry(list, "off.desktop")->enabled);

    ASSERT_EQ(setEnabled(dirs_, "agent.desktop", false), "");
    const fs::path hiding = fs::path(dirs_.user) / "agent.desktop";
    ASSERT_TRUE(fs::exists(hiding));
    expectValid(hiding);
    list = listEntries(dirs_);
    agent = entry(list, "agent.desktop");
    EXPECT_EQ(agent->source, Source::UserOverride);
    EXPECT_TRUE(agent->ourHidingEntry);
    EXPECT_FALSE(agent->enabled);
    EXPECT_NE(readAll(hiding).find("[Desktop Action x]"), std::string::npos);  // the rest kept

    // Turned on again, the hiding entry goes: the system entry speaks for itself.
    ASSERT_EQ(setEnabled(dirs_, "agent.desktop", true), "");
    EXPECT_FALSE(fs::exists(hiding));
    EXPECT_TRUE(entry(listEntries(dirs_), "agent.desktop")->enabled);
    // A system entry that is off by itself can be turned on for this user.
    ASSERT_EQ(setEnabled(dirs_, "off.desktop", true), "");
    expectValid(fs::path(dirs_.user) / "off.desktop");
    EXPECT_TRUE(entry(listEntries(dirs_), "off.desktop")->enabled);

    EXPECT_EQ(removeEntry(dirs_, "agent.desktop"), "系统启动项不能删除，只能停用（停用只对当前用户有效）。");
    EXPECT_EQ(readAll(fs::path(dirs_.system[0]) / "agent.desktop"), before);

    // A new entry never takes the name of a system entry by accident, nor replaces a user one.
    std::string id1, id2;
    ASSERT_EQ(addEntry(dirs_, {"Agent", "true", "", ""}, &id1), "");
    ASSERT_EQ(addEntry(dirs_, {"Agent", "true", "", ""}, &id2), "");
    EXPECT_EQ(id1, "agent-2.desktop");
    EXPECT_EQ(id2, "agent-3.desktop");
}

TEST_F(AutostartTest, BadInputIsRefusedAndNothingIsWritten) {
    struct Case {
        NewEntry entry;
        std::string error;
    };
    const std::string plain = (root_ / "plain file").string();  // no run bit
    std::ofstream(plain) << "text";
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    const Case cases[] = {
        {{"", "true", "", ""}, "请填写名称。"},
        {{"  ", "true", "", ""}, "请填写名称。"},
        {{"x", "", "", ""}, "请填写要启动的程序。"},
        {{"x", "no-such-program-anywhere", "", ""}, "找不到程序“no-such-program-anywhere”，请填写完整路径。"},
        {{"x", "bin/true", "", ""}, "请填写程序的完整路径（以 / 开头），或只填写程序名。"},
        {{"x", plain, "", ""}, "“" + plain + "”不存在或不是可执行的程序。"},
        {{"x", "/tmp", "", ""}, "“/tmp”不存在或不是可执行的程序。"},
        {{"x", "true", "\"open", ""}, "参数中的引号不成对。"},
        {{"x", "true", "it's", ""}, "参数中的引号不成对。"},
        {{"two\nlines", "true", "", ""}, "名称、程序、参数和说明都不能包含换行等控制字符。"},
        {{"x", "true", "", "a\tb"}, "名称、程序、参数和说明都不能包含换行等控制字符。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry.name + "|" + c.entry.command + "|" + c.entry.arguments);
        EXPECT_EQ(addEntry(dirs_, c.entry), c.error);
    }
    EXPECT_FALSE(fs::exists(dirs_.user));
    EXPECT_NE(setEnabled(dirs_, "../escape.desktop", false), "");
    EXPECT_NE(setEnabled(dirs_, "missing.desktop", false), "");
    EXPECT_FALSE(fs::exists(dirs_.user));
}

TEST(AutostartPieces, QuotingAndEscapesRoundTrip) {
    const std::vector<std::vector<std::string>> lists = {
        {"/usr/bin/prog"},
        {"/opt/my app/run", ""},
        {"p", "a\"b", "`x`", "$y", "c\\d", "50%", "%f", "tab\there", "semi;colon", "中文 参数"},
    };
    for (const auto& argv : lists) {
        std::vector<std::string> back;
        const std::string line = execLine(argv);
        ASSERT_TRUE(parseExecLine(unescapeValue(escapeValue(line)), back)) << line;
        EXPECT_EQ(back, argv) << line;
    }
    EXPECT_EQ(execLine({"/bin/a b", "x%y"}), "\"/bin/a b\" x%%y");
    EXPECT_EQ(escapeValue(" lead\\back\nline"), "\\slead\\\\back\\nline");
    std::vector<std::string> split;
    ASSERT_TRUE(splitArguments(R"(  one "two three" 'four "five"' six\ seven "" )", split));
    EXPECT_EQ(split, std::vector<std::string>({"one", "two three", "four \"five\"", "six seven", ""}));
    EXPECT_FALSE(parseExecLine("\"unterminated", split));
}

TEST(AutostartPieces, FoldersFromTheEnvironment) {
    setenv("XDG_CONFIG_HOME", "/cfg home", 1);
    setenv("XDG_CONFIG_DIRS", "/a:relative:/b", 1);
    Dirs d = dirsFromEnvironment();
    EXPECT_EQ(d.user, "/cfg home/autostart");
    EXPECT_EQ(d.system, std::vector<std::string>({"/a/autostart", "/b/autostart"}));
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_CONFIG_DIRS");
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    setenv("HOME", "/home/甲", 1);
    d = dirsFromEnvironment();
    EXPECT_EQ(d.user, "/home/甲/.config/autostart");
    EXPECT_EQ(d.system, std::vector<std::string>({"/etc/xdg/autostart"}));
    if (home) setenv("HOME", savedHome.c_str(), 1);
}
