// The tool launcher: exact file names under Temp, the run bit, starts detached in a process
// group of their own, the busy-file case, a missing Temp folder, and the embedded bytes against
// the tools the build made.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
extern "C" {
#include <sys/pidfd.h>
}

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "app/MainWindow.h"
#include "platform/system/Worker.h"
#include "app/ToolLauncher.h"
#include "resources/Tools.h"
#include "support/fake/FakeWindowSystem.h"

namespace fs = std::filesystem;
using namespace qx;
using namespace qx::app;

namespace {

struct BuiltTool {
    const char* symbol;
    const char* file;
};
constexpr BuiltTool kBuilt[] = {QX_BUILT_TOOLS};

using Accessor = std::span<const unsigned char> (*)();
const std::map<std::string, Accessor> kAccessors = {
    {"toolIconExtract", res::toolIconExtract}, {"toolAutostart", res::toolAutostart},
    {"toolProcessKill", res::toolProcessKill}, {"toolIpSwitch", res::toolIpSwitch},
    {"toolWindowInfo", res::toolWindowInfo},   {"toolUnlock", res::toolUnlock},
    {"toolShortLink", res::toolShortLink},     {"toolColorPick", res::toolColorPick},
    {"toolExeView", res::toolExeView},
};

// The buttons and the exact file names, blank and case included.
const std::map<std::string, std::string> kExpectedPaths = {
    {"按钮EX23", "Temp_IconGet.exe"},
    {"按钮EX19", "Temp_Run.exe"},
    {"按钮EX35", "Temp_ProCesskill.exe"},
    {"按钮EX36", "Temp_IPStter.exe"},
    {"按钮EX30", "Temp_ViewWizard 2.8.0.exe"},
    {"按钮EX31", "Temp_Unlock.exe"},
    {"按钮EX20", "Temp_Web.exe"},
    {"按钮EX15", "Temp_Get_color.exe"},
    {"按钮EX21", "Temp_EXEedit.exe"},
};

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string asString(std::span<const unsigned char> bytes) { return {bytes.begin(), bytes.end()}; }

// Section names of an ELF64 file; empty when it is not one.
std::set<std::string> elfSections(const std::string& elf) {
    std::set<std::string> names;
    if (elf.size() < 64 ||
        elf.compare(0, 4,
                    "\x7f"
                    "ELF") != 0 ||
        elf[4] != 2)
        return names;
    auto u16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(elf[at]) |
                                        static_cast<unsigned char>(elf[at + 1]) << 8);
    };
    auto u64 = [&](std::size_t at) {
        std::size_t v = 0;
        for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(elf[at + i]);
        return v;
    };
    const std::size_t shoff = u64(0x28), shentsize = u16(0x3A), shnum = u16(0x3C), shstrndx = u16(0x3E);
    if (shoff + shnum * shentsize > elf.size() || shstrndx >= shnum) return names;
    const std::size_t strtab = u64(shoff + shstrndx * shentsize + 0x18);
    for (std::size_t i = 0; i < shnum; ++i) {
        std::size_t name = strtab + (u16(shoff + i * shentsize) | u16(shoff + i * shentsize + 2) << 16);
        if (name < elf.size()) names.insert(std::string(elf.c_str() + name));
    }
    return names;
}

struct ProbeReport {
    int pid = 0, pgid = 0, sid = 0;
    std::string exe, cwd;
};

class ToolLauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qx_launcher_" + std::to_string(getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Temp");
        fs::create_directories(dir_ / "reports");
        setenv("QX_PROBE_DIR", (dir_ / "reports").c_str(), 1);
        state.setExecutablePath((dir_ / "quorvex").string());
        probe_ = readAll(QX_TOOL_PROBE);
        ASSERT_FALSE(probe_.empty());
    }
    void TearDown() override {
        // The notice worker the main window starts ends before the state it reads goes.
        platform::stopAllWorkers();
        EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(20)));
        for (const ProbeReport& r : reports()) end(r.pid);
        fs::remove_all(dir_);
    }

    std::span<const unsigned char> bytes(const std::string& s) {
        return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
    }

    std::vector<ProbeReport> reports() {
        std::vector<ProbeReport> out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir_ / "reports", ec)) {
            if (e.path().extension() != ".txt") continue;
            std::istringstream in(readAll(e.path()));
            ProbeReport r;
            in >> r.pid >> r.pgid >> r.sid;
            in.ignore(1);
            std::getline(in, r.exe);
            std::getline(in, r.cwd);
            out.push_back(r);
        }
        return out;
    }
    // The probes report shortly after they start; the wait ends as soon as they have.
    std::vector<ProbeReport> waitForReports(std::size_t count) {
        for (int i = 0; i < 1000 && reports().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return reports();
    }
    // Ends a process that is not our child and waits until it has ended.
    static void end(int pid) {
        int fd = pidfd_open(pid, 0);
        if (fd < 0) return;
        pidfd_send_signal(fd, SIGKILL, nullptr, 0);
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 10000);
        close(fd);
    }

    fs::path dir_;
    ProgramState state;
    std::string probe_;
};

TEST_F(ToolLauncherTest, EmbeddedBytesAreTheStrippedToolsTheBuildMade) {
    ASSERT_EQ(std::size(kBuilt), kAccessors.size());
    for (const BuiltTool& b : kBuilt) {
        SCOPED_TRACE(b.symbol);
        ASSERT_TRUE(kAccessors.count(b.symbol));
        const std::string built = readAll(b.file);
        ASSERT_GT(built.size(), 1000u);
        EXPECT_TRUE(asString(kAccessors.at(b.symbol)()) == built);
        const std::set<std::string> sections = elfSections(built);
        EXPECT_TRUE(sections.count(".text"));
        EXPECT_FALSE(sections.count(".symtab"));
        EXPECT_FALSE(sections.count(".debug_info"));
    }
    // Every button of the table carries one of them, under its exact name.
    std::map<std::string, std::string> paths;
    for (const EmbeddedTool& t : embeddedTools()) {
        paths[t.button] = t.relativePath;
        bool known = false;
        for (const auto& [symbol, accessor] : kAccessors) known |= accessor == t.bytes;
        EXPECT_TRUE(known) << t.button;
    }
    ASSERT_EQ(paths.size(), kExpectedPaths.size());
    for (const auto& [button, name] : kExpectedPaths) EXPECT_EQ(paths[button], "\\Temp\\" + name) << button;
}

TEST_F(ToolLauncherTest, WritesTheExactNameWithTheRunBitAndStartsItDetached) {
    launchEmbeddedTool(state, "\\Temp\\Temp_ViewWizard 2.8.0.exe", bytes(probe_));
    const fs::path file = dir_ / "Temp" / "Temp_ViewWizard 2.8.0.exe";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(readAll(file), probe_);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);

    auto r = waitForReports(1);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].exe, file.string());
    // A process group and a session of its own: nothing aimed at ours reaches it.
    EXPECT_NE(r[0].pgid, getpgid(0));
    EXPECT_NE(r[0].sid, getsid(0));
    // Not our child: nothing waits for it and it leaves no zombie behind.
    std::ifstream stat("/proc/" + std::to_string(r[0].pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    int ppid = 0;
    std::istringstream(line.substr(line.rfind(')') + 3)) >> ppid;
    EXPECT_NE(ppid, getpid());
    // The working directory is the program's own, as an empty one means.
    EXPECT_EQ(r[0].cwd, fs::current_path().string());
    // The file stays after the tool ends.
    end(r[0].pid);
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(ToolLauncherTest, ABusyFileStaysAndItsToolStartsAgainThenIsReplacedOnceFree) {
    const std::string newer = probe_ + std::string("newer build");  // still runs: ELF ignores the tail
    launchEmbeddedTool(state, "\\Temp\\Temp_Unlock.exe", bytes(probe_));
    ASSERT_EQ(waitForReports(1).size(), 1u);
    // The first copy runs from the file, so the new bytes cannot be written: the old file starts.
    launchEmbeddedTool(state, "\\Temp\\Temp_Unlock.exe", bytes(newer));
    const fs::path file = dir_ / "Temp" / "Temp_Unlock.exe";
    EXPECT_TRUE(readAll(file) == probe_);
    auto r = waitForReports(2);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_NE(r[0].pid, r[1].pid);
    for (const ProbeReport& p : r) {
        EXPECT_EQ(p.exe, file.string());
        end(p.pid);
    }
    // Nothing runs from it any more: the new bytes replace the file and start.
    launchEmbeddedTool(state, "\\Temp\\Temp_Unlock.exe", bytes(newer));
    EXPECT_TRUE(readAll(file) == newer);
    EXPECT_EQ(waitForReports(3).size(), 3u);
}

TEST_F(ToolLauncherTest, TenQuickClicksStartTenCopies) {
    for (int i = 0; i < 10; ++i) launchEmbeddedTool(state, "\\Temp\\Temp_Run.exe", bytes(probe_));
    auto r = waitForReports(10);
    EXPECT_EQ(r.size(), 10u);
    std::set<int> pids;
    for (const ProbeReport& p : r) pids.insert(p.pid);
    EXPECT_EQ(pids.size(), 10u);
}

TEST_F(ToolLauncherTest, AMissingOrUnwritableTempFolderShowsNothing) {
    fs::remove_all(dir_ / "Temp");
    launchEmbeddedTool(state, "\\Temp\\Temp_Run.exe", bytes(probe_));
    EXPECT_FALSE(fs::exists(dir_ / "Temp"));
    // A file where the folder should be: nothing can be written below it.
    std::ofstream(dir_ / "Temp") << "not a folder";
    launchEmbeddedTool(state, "\\Temp\\Temp_Run.exe", bytes(probe_));
    EXPECT_EQ(readAll(dir_ / "Temp"), "not a folder");
    EXPECT_TRUE(reports().empty());  // nothing could start: there is no file to run
}

TEST_F(ToolLauncherTest, EachButtonOfTheMainWindowStartsItsToolFromTemp) {
    // The tools are real window programs; without a display they run on the offscreen one.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    test::FakeWindowSystem fake;
    ui::WindowPtr w = makeMainWindow(state, fake, [] { return 12; });
    for (const EmbeddedTool& t : embeddedTools()) {
        SCOPED_TRACE(t.button);
        ASSERT_TRUE(w->click(t.button));
        const fs::path file = dir_ / "Temp" / kExpectedPaths.at(t.button);
        EXPECT_TRUE(readAll(file) == asString(t.bytes()));
        struct stat st {};
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_TRUE(st.st_mode & S_IXUSR);
        // The start returns once the program runs: its process runs from that very file now.
        int found = 0;
        for (const auto& e : fs::directory_iterator("/proc")) {
            std::error_code ec;
            if (fs::read_symlink(e.path() / "exe", ec) == file)
                found = std::atoi(e.path().filename().c_str());
        }
        EXPECT_GT(found, 0);
        if (found) end(found);
    }
}

}  // namespace
