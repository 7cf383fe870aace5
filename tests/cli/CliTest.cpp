// The real quorvex-cli binary, run as a process against the local doubles: what it prints, its
// JSON, its exit codes, and what it sent to the services.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "cli/CliProcess.h"
#include "cli/ServiceChoice.h"
#include "resolvers/ResolverTable.h"
#include "support/doubles/NoticeDouble.h"
#include "support/doubles/SpeechDouble.h"
#include "support/doubles/UtilityDoubles.h"
#include "support/doubles/WireDouble.h"
#include "text/CodePages.h"

namespace qx::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Every host but the local one goes to a closed port: nothing leaves the machine.
std::map<std::string, std::string> offlineEnv() {
    return {{"QUORVEX_CONNECT_TO", "127.0.0.1::127.0.0.1:,::127.0.0.1:" + std::to_string(closedLocalPort())}};
}

bool has(const std::vector<std::string>& args, const std::string& arg) {
    return std::find(args.begin(), args.end(), arg) != args.end();
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A folder of its own for a test's output files, removed afterwards.
class ScratchDir {
  public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
        path_ = fs::temp_directory_path() / ("qx-cli-" + std::to_string(getpid()) + "-" + name);
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Every name in the folder, hidden ones too.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(path_)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

  private:
    fs::path path_;
};

// The one failure line on standard error names the reason in parentheses.
void expectFailureReport(const CliResult& r, const std::string& reason, bool jsonOut) {
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("quorvex-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("(" + reason + ")"), std::string::npos) << r.err;
    if (!jsonOut) {
        EXPECT_EQ(r.out, "");
        return;
    }
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << "exactly one JSON line: " << r.out;
    const json j = json::parse(r.out, nullptr, false);
    ASSERT_FALSE(j.is_discarded()) << r.out;
    EXPECT_EQ(j, (json{{"ok", false}, {"error", j.value("error", "")}, {"reason", reason}})) << r.out;
    EXPECT_NE(j.value("error", "").find("(" + reason + ")"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// The table: commands that need no service, or only an absent one, and every kind of bad input.

struct Row {
    std::string name;
    std::vector<std::string> args;
    int exit = 0;
    std::string out;     // text: exactly standard output; with --json: the expected object
    std::string reason;  // failures: the key word
    std::optional<std::string> input = std::nullopt;
    bool closeInput = false;
    std::map<std::string, std::string> env = {};
};

std::string gbkBytes(std::u8string_view utf8) { return gbk(utf8); }

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        // encode: the four forms of the encoder window
        {"EncodeText",
         {"encode", "你好 a&b"},
         0,
         "URL: %C4%E3%BA%C3+a%26b\nUTF-8: 浣犲ソ a&b\nAnsi: ??? a&b\nUnicode: "
         "%u4F60%u597D%u0020%u0061%u0026%u0062\n"},
        {"EncodeJson",
         {"--json", "encode", "A 1"},
         0,
         R"({"ok":true,"result":{"url":"A+1","utf8":"A 1","ansi":"A 1","unicode":"%u0041%u0020%u0031"}})"},
        {"EncodeJsonAfterCommand",
         {"encode", "x", "--json"},
         0,
         R"({"ok":true,"result":{"url":"x","utf8":"x","ansi":"x","unicode":"%u0078"}})"},
        {"EncodeFromStdin",
         {"encode", "-"},
         0,
         "URL: %D6%D0\nUTF-8: 涓\uFFFD\nAnsi: ??\nUnicode: %u4E2D\n",
         "",
         "中\n"},
        // decode
        {"DecodePercent", {"decode", "--percent", "%C4%E3%BA%C3+%zz"}, 0, "你好+%zz\n"},
        {"DecodeUtf8", {"decode", "--utf8", "浣犲ソ"}, 0, "你好\n"},
        {"DecodeUnicode",
         {"--json", "decode", "--unicode", "\\u4f60%u597D"},
         0,
         R"({"ok":true,"result":{"text":"你好"}})"},
        {"DecodeWithoutMode", {"decode", "x"}, 2, "", "missing-argument"},
        {"DecodeTwoModes", {"--json", "decode", "--utf8", "--percent", "x"}, 2, "", "conflicting-options"},
        // regex: the regex tester's matches, case ignored, ^ and $ at line ends
        {"RegexMatches", {"regex", "^a\\d+$", "A1\nb2\na22"}, 0, "A1\na22\n"},
        {"RegexJson",
         {"--json", "regex", "[0-9]+", "a1b22中333"},
         0,
         R"({"ok":true,"result":{"matches":["1","22","333"]}})"},
        {"RegexNoMatch", {"regex", "z", "abc"}, 1, "", "no-match"},
        {"RegexBadPattern", {"--json", "regex", "(", "abc"}, 2, "", "bad-pattern"},
        {"RegexTextFromStdin", {"regex", "b.", "-"}, 0, "bc\n", "", "abc\n"},
        // resolve without the network: the OneDrive rewrite and the choice of service
        {"ResolveOneDrive",
         {"--json", "resolve", "onedrive",
          "https://contoso-my.sharepoint.com/:u:/g/personal/alice/EnewVersion1?e=Ab12Cd"},
         0,
         R"({"ok":true,"result":{"service":"onedrive","url":"https://contoso-my.sharepoint.com/personal/alice/_layouts/52/download.aspx?share=EnewVersion1"}})"},
        {"ResolveAutoOneDrive",
         {"resolve", "auto", "https://contoso-my.sharepoint.com/:u:/g/personal/alice/EnewVersion1?e=Ab12Cd"},
         0,
         "https://contoso-my.sharepoint.com/personal/alice/_layouts/52/download.aspx?share=EnewVersion1\n"},
        {"ResolveOneDriveUnusable", {"resolve", "onedrive", "https://x"}, 1, "", "no-result"},
        {"ResolveUnknownService", {"--json", "resolve", "dropbox", "https://x"}, 2, "", "unknown-service"},
        {"ResolveUnknownHost", {"resolve", "auto", "https://example.com/s/1"}, 2, "", "unknown-host"},
        {"ResolveMissingLink", {"resolve", "lanzou"}, 2, "", "missing-argument"},
        {"ResolveMissingLinkJson", {"resolve", "lanzou", "--json"}, 2, "", "missing-argument"},
        {"ResolveRefusedService", {"resolve", "bilnn", "https://pan.bilnn.com/s/Qrvx9"}, 3, "", "network"},
        // the command line itself
        {"NoCommand", {}, 2, "", "missing-argument"},
        {"UnknownCommand", {"--json", "fly"}, 2, "", "unknown-command"},
        {"UnknownOption", {"encode", "--frobnicate", "x"}, 2, "", "extra-argument"},
        {"Version", {"--version"}, 0, "quorvex-cli " QX_FILE_VERSION "\n"},
        // standard input
        {"StdinClosed", {"--json", "encode", "-"}, 2, "", "stdin-closed", std::nullopt, true},
        {"StdinTwice", {"regex", "-", "-"}, 2, "", "stdin-twice", "a"},
        {"StdinEmpty",
         {"--json", "decode", "--percent", "-"},
         0,
         R"({"ok":true,"result":{"text":""}})",
         "",
         ""},
        // the terminal's charset
        {"InvalidUtf8Argument", {"encode", "\xC4\xE3"}, 2, "", "invalid-utf8"},
        {"GbkTerminal",
         {"encode", gbkBytes(u8"你好")},
         0,
         "URL: %C4%E3%BA%C3\nUTF-8: " + gbkBytes(u8"浣犲ソ") + "\nAnsi: ???\nUnicode: %u4F60%u597D\n",
         "",
         std::nullopt,
         false,
         {{"LC_ALL", "zh_CN.GBK"}}},
        {"GbkTerminalJsonIsUtf8",
         {"--json", "decode", "--percent", "%C4%E3"},
         0,
         R"({"ok":true,"result":{"text":"你"}})",
         "",
         std::nullopt,
         false,
         {{"LC_ALL", "zh_CN.GBK"}}},
        {"UnknownCharset",
         {"--json", "encode", "x"},
         2,
         "",
         "unsupported-charset",
         std::nullopt,
         false,
         {{"LC_ALL", "xx_XX.NO-SUCH-CHARSET"}}},
        {"CLocaleCountsAsUtf8",
         {"decode", "--utf8", "浣犲ソ"},
         0,
         "你好\n",
         "",
         std::nullopt,
         false,
         {{"LANG", "C"}}},
        // output files that cannot be written are refused before anything is sent
        {"UnwritableFolder",
         {"--json", "tts", "x", "-o", "/nonexistent-dir/a.mp3"},
         2,
         "",
         "unwritable-output"},
        {"OutputIsAFolder", {"request", "http://127.0.0.1:1/", "-o", "/tmp"}, 2, "", "unwritable-output"},
        {"OutputToStdoutWithJson", {"--json", "tts", "x", "-o", "-"}, 2, "", "conflicting-options"},
        {"TtsBlankText", {"tts", " ", "-o", "/tmp/never.mp3"}, 2, "", "empty-text"},
        {"TtsWithoutOutput", {"tts", "x"}, 2, "", "missing-argument"},
        {"RequestConflictingViews", {"request", "x", "--text", "-o", "f"}, 2, "", "conflicting-options"},
        {"RequestBadMethod", {"request", "x", "-X", "PUT"}, 2, "", "invalid-argument"},
        // absent services
        {"RequestNoServer", {"--json", "request", "http://127.0.0.1:1/x"}, 3, "", "network"},
        {"NoticeOffline", {"notice"}, 3, "", "offline"},
        {"TtsOffline", {"tts", "x", "-o", "/tmp/qx-cli-never.mp3"}, 3, "", "network"},
        {"AvatarOffline", {"avatar", "10001", "-o", "/tmp/qx-cli-never.png"}, 3, "", "network"},
        {"AvatarNotANumber",
         {"--json", "avatar", "12a", "-o", "/tmp/qx-cli-never.png"},
         2,
         "",
         "invalid-number"},
        {"FaviconOffline", {"favicon", "icon.example", "-o", "/tmp/qx-cli-never.png"}, 3, "", "network"},
        {"FaviconUnknownFormat", {"favicon", "x", "-o", "y", "--format", "webp"}, 2, "", "invalid-argument"},
        {"FaviconBlankSite", {"favicon", "  ", "-o", "y"}, 2, "", "empty-site"},
        {"SpeedTestUnreachable", {"--json", "speedtest", "http://127.0.0.1:1/x"}, 3, "", "network"},
        {"SpeedTestWithoutNotice", {"speedtest"}, 3, "", "offline"},
        {"SpeedTestTooShort", {"speedtest", "http://x", "--seconds", "3"}, 2, "", "invalid-argument"},
    };
    return table;
}

class CliTableTest : public ::testing::TestWithParam<Row> {};

TEST_P(CliTableTest, OutputAndExitCode) {
    const Row& row = GetParam();
    CliRun run;
    run.args = row.args;
    run.env = offlineEnv();
    for (const auto& [k, v] : row.env) run.env[k] = v;
    run.input = row.input;
    run.closeInput = row.closeInput;
    const CliResult r = runCli(run);
    EXPECT_EQ(r.exitCode, row.exit) << r.out << r.err;
    const bool jsonOut = has(row.args, "--json");
    if (row.exit != 0) {
        expectFailureReport(r, row.reason, jsonOut);
        return;
    }
    EXPECT_EQ(r.err, "");
    if (jsonOut) {
        EXPECT_EQ(r.out.back(), '\n');
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
        EXPECT_EQ(json::parse(r.out, nullptr, false), json::parse(row.out)) << r.out;
        // Stable keys in a stable order.
        EXPECT_EQ(r.out, row.out + "\n");
    } else {
        EXPECT_EQ(r.out, row.out);
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, CliTableTest, ::testing::ValuesIn(rows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

TEST(CliHelp, EveryCommandListsItsOptions) {
    const std::map<std::string, std::vector<std::string>> expected = {
        {"",
         {"resolve", "request", "encode", "decode", "regex", "tts", "notice", "avatar", "favicon",
          "speedtest", "--json", "--version"}},
        {"resolve", {"SERVICE", "LINK", "--password", "--json", "wenshushu"}},
        {"request",
         {"URL", "--method", "--data", "--header", "--cookie", "--no-redirect", "--utf8", "--t2s", "--text",
          "--ts10", "--output", "--json", "[romtime10]"}},
        {"encode", {"TEXT", "--json"}},
        {"decode", {"--utf8", "--percent", "--unicode", "--json"}},
        {"regex", {"PATTERN", "TEXT", "--json"}},
        {"tts", {"TEXT", "--output", "--json"}},
        {"notice", {"--json"}},
        {"avatar", {"NUMBER", "--output", "--json"}},
        {"favicon", {"SITE", "--output", "--format", "tiff", "--json"}},
        {"speedtest", {"URL", "--seconds", "--json"}},
    };
    for (const auto& [command, words] : expected) {
        CliRun run;
        if (!command.empty()) run.args.push_back(command);
        run.args.push_back("--help");
        const CliResult r = runCli(run);
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find("用法: quorvex-cli"), std::string::npos) << r.out;
        for (const std::string& w : words)
            EXPECT_NE(r.out.find(w), std::string::npos) << command << ": " << w;
    }
}

TEST(CliCompletion, NamesEveryCommandAndOption) {
    const std::string script = readAll(QX_CLI_COMPLETION);
    for (const char* word :
         {"resolve", "request", "encode", "decode", "regex", "tts", "notice", "avatar", "favicon",
          "speedtest", "--seconds", "--format", "tiff", "--no-redirect", "--t2s", "--ts10", "--percent",
          "--unicode", "complete -F _quorvex_cli quorvex-cli"})
        EXPECT_NE(script.find(word), std::string::npos) << word;
}

// The services it offers after "resolve" come from the program's resolver table, asked for at
// completion time through the hidden --list-services.
TEST(CliCompletion, OffersTheServicesOfTheResolverTable) {
    std::string names;
    for (const qx::resolvers::ResolverDescriptor* d : qx::resolvers::resolverTable())
        names += std::string(d->commandName) + " ";
    const auto complete = [](const std::string& word) {
        const std::string command =
            "bash -c 'source \"" QX_CLI_COMPLETION "\"; COMP_WORDS=(\"" QX_CLI_PATH "\" resolve \"" + word +
            "\"); COMP_CWORD=2; _quorvex_cli; "
            "echo \"${COMPREPLY[*]}\"' 2>&1";
        std::string out;
        if (FILE* p = popen(command.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
            pclose(p);
        }
        return out;
    };
    EXPECT_EQ(complete(""), names + "auto\n");
    EXPECT_EQ(complete("wen"), "wenshushu\n");
    CliRun run;
    run.args = {"--help"};
    EXPECT_EQ(runCli(run).out.find("--list-services"), std::string::npos);  // hidden
}

TEST(CliServiceChoice, HostsAndNames) {
    using namespace qx::cli;
    EXPECT_EQ(linkHost("https://User@Pan.Bilnn.com:443/s/x?y#z"), "pan.bilnn.com");
    EXPECT_EQ(linkHost("  wss1.cn/f/x"), "wss1.cn");
    EXPECT_EQ(linkHost(""), "");
    EXPECT_EQ(serviceForLink("https://www.lanzoux.com/iQ"), 1);
    EXPECT_EQ(serviceForLink("https://contoso-my.sharepoint.com/:u:/g/x"), 2);
    EXPECT_EQ(serviceForLink("pan.bilnn.com/s/Q"), 3);
    EXPECT_EQ(serviceForLink("https://url37.ctfile.com/f/1-2-3"), 4);
    EXPECT_EQ(serviceForLink("https://yunpan.cn/surl_x"), 5);
    EXPECT_EQ(serviceForLink("https://www.wenshushu.cn/f/x"), 6);
    EXPECT_EQ(serviceForLink("https://notbilnn.com/s/x"), 0);  // a domain only by its own name
    EXPECT_EQ(serviceForLink("https://bilnn.com.evil.example/s/x"), 0);
    EXPECT_EQ(serviceNumberOf("360"), 5);
    EXPECT_EQ(serviceNumberOf("Yunpan360"), 5);
    EXPECT_EQ(serviceNumberOf("4"), 4);
    EXPECT_EQ(serviceNumberOf("AUTO"), kAutoService);
    EXPECT_EQ(serviceNumberOf("7"), 0);
    EXPECT_EQ(cliServiceName(5), "360");
}

// ---------------------------------------------------------------------------------------------
// Every resolver wire case, through the command line: the double checks every byte sent, and the
// result is the case's. The password goes in as an argument, "&" and quotes included.

// Every case the command line can run, found without loading the cases: the list is made each
// time the test program starts, and loading would expand their padding (megabytes) each time.
std::vector<std::string> wireCaseFiles() {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(QX_RESOLVER_DATA_DIR)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".case") continue;
        // A caller's own Lanzou stem has no command-line form; stalls and trickles end only at
        // the minute-long deadline, which the in-process suite shortens and a process cannot.
        std::ifstream in(entry.path());
        std::string line;
        bool runs = true;
        while (runs && std::getline(in, line))
            runs = line.rfind("stem:", 0) != 0 && line.rfind("=== reply stall", 0) != 0 &&
                   line.rfind("=== reply drip", 0) != 0;
        if (runs) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class CliWireCaseTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CliWireCaseTest, ResolveThroughTheCommandLine) {
    WireCase c;
    std::string error;
    ASSERT_TRUE(loadWireCase(GetParam(), c, error)) << error;
    WireDouble service(c);
    CliRun run;
    run.args = {"--json", "resolve", c.service, c.link};
    if (!c.password.empty()) run.args.insert(run.args.end(), {"-p", c.password});
    run.env["QUORVEX_CONNECT_TO"] = service.connectTo();
    run.env["QUORVEX_EXTRA_CA_FILE"] = c.untrusted ? "" : TestServer::certificateFile();
    const CliResult r = runCli(run);
    // Wenshushu answers a message instead of an address: no result either.
    const bool noResult = c.result.empty() || c.result == "分享连接已失效,文件已过期！";
    if (c.networkFailure) {
        EXPECT_EQ(r.exitCode, 3) << r.out << r.err;
        expectFailureReport(r, "network", true);
    } else if (noResult) {
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        expectFailureReport(r, "no-result", true);
    } else {
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        const json j = json::parse(r.out, nullptr, false);
        ASSERT_TRUE(j.is_object()) << r.out;
        EXPECT_EQ(j["result"]["url"], c.result);
        EXPECT_EQ(r.err, "");
    }
    for (const std::string& problem : service.problems()) ADD_FAILURE() << problem;
}

INSTANTIATE_TEST_SUITE_P(Data, CliWireCaseTest, ::testing::ValuesIn(wireCaseFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             fs::path p(info.param);
                             std::string name = p.parent_path().filename().string() + "_" + p.stem().string();
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

TEST(CliResolve, AutoPicksTheServiceAndReadsTheLinkFromStdin) {
    WireCase c;
    std::string error;
    ASSERT_TRUE(loadWireCase(std::string(QX_RESOLVER_DATA_DIR) + "/bilnn/success.case", c, error)) << error;
    WireDouble service(c);
    CliRun run;
    run.args = {"resolve", "auto", "-"};
    run.input = c.link + "\n";
    run.env["QUORVEX_CONNECT_TO"] = service.connectTo();
    run.env["QUORVEX_EXTRA_CA_FILE"] = TestServer::certificateFile();
    const CliResult r = runCli(run);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, c.result + "\n");
    EXPECT_EQ(r.err, "");
    for (const std::string& problem : service.problems()) ADD_FAILURE() << problem;
}

// ---------------------------------------------------------------------------------------------
// request: the tester's request against the raw test server.

class CliRequestTest : public ::testing::Test {
  protected:
    static std::string traditionalGbk() { return gbk(u8"漢字與繁體"); }

    void SetUp() override {
        server_.route("/utf8", [](const HttpRequestRecord&, HttpResponse& res) { res.body = "中文 ok"; });
        server_.route("/big5ish",
                      [](const HttpRequestRecord&, HttpResponse& res) { res.body = traditionalGbk(); });
        server_.route("/page", [](const HttpRequestRecord&, HttpResponse& res) {
            res.body =
                "<html><head><title>t</title><script>var x=1;</script></head>"
                "<body><p>first &amp; one</p><p>second</p></body></html>";
        });
        server_.route("/binary", [](const HttpRequestRecord&, HttpResponse& res) {
            res.body = std::string("PK\x03\x04", 4) + std::string(1, '\0') + "rest";
        });
    }

    CliResult request(std::vector<std::string> args, bool terminal = false) {
        CliRun run;
        run.args = {"request"};
        run.args.insert(run.args.end(), args.begin(), args.end());
        run.env = offlineEnv();
        run.terminal = terminal;
        return runCli(run);
    }

    std::string url(const std::string& path) const { return server_.url(path); }

    TestServer server_;
    ScratchDir dir_;
};

TEST_F(CliRequestTest, GetSendsTheTestersDefaults) {
    const CliResult r = request({server_.hostPort() + "/echo"});  // no scheme: http:// in front
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const HttpRequestRecord seen = server_.lastRequest();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(
        seen.headerLines(),
        (std::vector<std::string>{"Host: " + server_.hostPort(),
                                  "User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 "
                                  "(KHTML, like Gecko) Chrome/92.0.4515.107 Safari/537.36",
                                  "Accept: */*", "Referer: " + url("/echo"), "Accept-Language: zh-cn"}));
    // The echo is the request itself, printed as it came (it ends in a line break already).
    EXPECT_EQ(r.out, seen.head);
    EXPECT_EQ(r.err, "");
}

TEST_F(CliRequestTest, PostWithHeadersCookiesAndOneTimestamp) {
    const CliResult r = request({url("/echo"), "-d", "a=[romtime10]&b=[romtime10]&n=中", "--ts10", "-H",
                                 "X-One: 1", "-H", "Accept: text/html", "-b", "sid=\"q&1\"", "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const HttpRequestRecord seen = server_.lastRequest();
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.header("X-One"), "1");
    EXPECT_EQ(seen.headerCount("Accept"), 1);
    EXPECT_EQ(seen.header("Accept"), "text/html");
    EXPECT_EQ(seen.header("Cookie"), "sid=\"q&1\"");
    EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
    // The browser line stands in only for an empty header box; otherwise the request's own default.
    EXPECT_EQ(seen.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(seen.body, m, std::regex("a=(\\d{10})&b=(\\d{10})&n=中"))) << seen.body;
    EXPECT_EQ(m[1], m[2]);
    const json j = json::parse(r.out);
    EXPECT_EQ(j["ok"], true);
    EXPECT_EQ(j["result"]["url"], url("/echo"));
    EXPECT_EQ(j["result"]["status"], 200);
    EXPECT_EQ(j["result"]["headers"],
              json::array({"Content-Type: text/plain",
                           "Content-Length: " + std::to_string(seen.head.size() + seen.body.size())}));
    // Shown as the window shows it: the bytes read as GBK.
    EXPECT_EQ(j["result"]["body"], gbkToUtf8(seen.head + seen.body));
    // Keys in the documented order.
    std::vector<std::string> keys;
    const nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(r.out);
    for (const auto& [k, v] : ordered["result"].items()) keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"url", "status", "headers", "body"}));
}

TEST_F(CliRequestTest, ExplicitGetSendsNoBody) {
    const CliResult r = request({url("/echo"), "-X", "get", "-d", "x=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(server_.lastRequest().method, "GET");
    EXPECT_EQ(server_.lastRequest().body, "");
}

TEST_F(CliRequestTest, ViewsOfTheAnswer) {
    // As the window shows it: the bytes read as GBK unless decoded as UTF-8.
    EXPECT_EQ(request({url("/utf8"), "--utf8"}).out, "中文 ok\n");
    EXPECT_EQ(request({url("/utf8")}).out, gbkToUtf8("中文 ok") + "\n");
    EXPECT_EQ(request({url("/big5ish"), "--t2s"}).out, "汉字与繁体\n");
    EXPECT_EQ(request({url("/big5ish")}).out, "漢字與繁體\n");
    // With both, only the UTF-8 decoding applies.
    EXPECT_EQ(request({url("/big5ish"), "--utf8", "--t2s"}).out, request({url("/big5ish"), "--utf8"}).out);
    // 取文本
    const CliResult text = request({url("/page"), "--text", "--json"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(json::parse(text.out)["result"]["body"], "first & one\n\nsecond");
    const CliResult none = request({url("/status?code=200&body=%20%20"), "--text"});
    EXPECT_EQ(none.exitCode, 1);
    expectFailureReport(none, "no-text", false);
}

TEST_F(CliRequestTest, StatusRedirectsAndEmptyAnswers) {
    const CliResult missing = request({url("/status?code=404&body=gone"), "--json"});
    EXPECT_EQ(missing.exitCode, 0) << "an HTTP error is an answer";
    EXPECT_EQ(json::parse(missing.out)["result"]["status"], 404);

    const CliResult held = request({url("/redirect?code=302&to=/echo"), "--no-redirect", "--json"});
    EXPECT_EQ(held.exitCode, 0);
    EXPECT_EQ(json::parse(held.out)["result"]["status"], 302);
    EXPECT_EQ(json::parse(held.out)["result"]["body"], "redirect");
    const CliResult followed = request({url("/redirect?code=302&to=/utf8"), "--utf8"});
    EXPECT_EQ(followed.out, "中文 ok\n");

    const CliResult empty = request({url("/status?code=204")});
    EXPECT_EQ(empty.exitCode, 1);
    expectFailureReport(empty, "empty-answer", false);
}

TEST_F(CliRequestTest, NetworkFailuresExitWithThree) {
    for (const std::string path : {"/close", "/drop?length=1000&sent=10"}) {
        const CliResult r = request({url(path), "--json"});
        EXPECT_EQ(r.exitCode, 3) << path;
        expectFailureReport(r, "network", true);
    }
}

TEST_F(CliRequestTest, BinaryAnswersAreShownToTheirFirstZeroWithANote) {
    const CliResult r = request({url("/binary")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "PK\x03\x04\n");
    EXPECT_NE(r.err.find("(binary)"), std::string::npos) << r.err;
}

TEST_F(CliRequestTest, OutputFileHoldsTheBytesAndNoProgressOffATerminal) {
    const std::string file = dir_.file("big.bin");
    const std::size_t n = 3 << 20;
    const CliResult r = request({url("/bytes?n=" + std::to_string(n)), "-o", file, "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(readAll(file) == TestServer::patternBytes(0, n));
    const json j = json::parse(r.out);
    EXPECT_EQ(j["result"]["file"], file);
    EXPECT_EQ(j["result"]["bytes"], n);
    EXPECT_EQ(dir_.names(), std::vector<std::string>{"big.bin"});

    // The same to standard output, byte for byte.
    const CliResult raw = request({url("/binary"), "-o", "-"});
    EXPECT_EQ(raw.out, std::string("PK\x03\x04", 4) + std::string(1, '\0') + "rest");
}

TEST_F(CliRequestTest, ProgressLineOnATerminal) {
    const std::string file = dir_.file("big.bin");
    const std::size_t n = 8 << 20;
    server_.route("/big", [n](const HttpRequestRecord&, HttpResponse& res) {
        res.body = TestServer::patternBytes(0, n);
    });
    const CliResult r = request({url("/big"), "-o", file}, true);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("\r已下载 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" / 8.0 MB ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("已保存 " + file), std::string::npos) << r.out;
    EXPECT_EQ(fs::file_size(file), n);
    // Small answers draw no line.
    const CliResult small = request({url("/utf8"), "-o", dir_.file("small")}, true);
    EXPECT_EQ(small.out.find("已下载"), std::string::npos) << small.out;
}

// SIGINT while the answer is coming: the transfer ends at once, 130, and no file of either name.
TEST_F(CliRequestTest, InterruptLeavesNoFile) {
    const std::string file = dir_.file("part.bin");
    CliRun run;
    run.args = {"--json", "request", url("/stall?phase=body&length=1000000&sent=50000"), "-o", file};
    run.env = offlineEnv();
    run.interruptWhen = [this] { return server_.requestCount() >= 1 && server_.openConnections() >= 1; };
    const CliResult r = runCli(run);
    EXPECT_TRUE(r.interruptSent);
    EXPECT_EQ(r.exitCode, 130) << r.out << r.err;
    expectFailureReport(r, "interrupted", true);
    EXPECT_TRUE(dir_.names().empty()) << dir_.names().front();
}

TEST_F(CliRequestTest, TerminationSignalEndsWithItsOwnCode) {
    CliRun run;
    run.args = {"request", url("/stall?phase=head")};
    run.env = offlineEnv();
    run.interruptWhen = [this] { return server_.requestCount() >= 1; };
    run.interruptSignal = SIGTERM;
    const CliResult r = runCli(run);
    EXPECT_EQ(r.exitCode, 128 + SIGTERM);
    expectFailureReport(r, "interrupted", false);
}

// ---------------------------------------------------------------------------------------------
// tts against the speech double.

class CliTtsTest : public ::testing::Test {
  protected:
    CliResult tts(std::vector<std::string> args, std::optional<std::string> input = std::nullopt) {
        CliRun run;
        run.args = {"tts"};
        run.args.insert(run.args.end(), args.begin(), args.end());
        run.env = offlineEnv();
        run.env["QUORVEX_CONNECT_TO"] = speech_.connectTo() + "," + run.env["QUORVEX_CONNECT_TO"];
        run.input = std::move(input);
        return runCli(run);
    }
    SpeechDouble speech_;
    ScratchDir dir_;
};

TEST_F(CliTtsTest, SavesTheMp3) {
    const std::string file = dir_.file("hello.mp3");
    const CliResult r = tts({"你好 world&x", "-o", file, "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(speech_.lastProblem(), "");
    EXPECT_EQ(speech_.texts(), std::vector<std::string>{"你好 world&x"});
    EXPECT_TRUE(readAll(file) == SpeechDouble::mp3());
    EXPECT_EQ(r.out, R"({"ok":true,"result":{"file":")" + file + R"(","bytes":)" +
                         std::to_string(SpeechDouble::mp3().size()) + "}}\n");
    EXPECT_EQ(dir_.names(), std::vector<std::string>{"hello.mp3"});

    const CliResult fromStdin = tts({"-", "-o", file}, "第二段\n");
    EXPECT_EQ(fromStdin.exitCode, 0);
    EXPECT_EQ(fromStdin.out,
              "已保存 " + file + "（" + std::to_string(SpeechDouble::mp3().size()) + " 字节）\n");
    EXPECT_EQ(speech_.texts().back(), "第二段");
}

TEST_F(CliTtsTest, AnErrorPageIsNoMp3AndNoFile) {
    const std::string file = dir_.file("a.mp3");
    speech_.setAnswer(SpeechDouble::Answer::ErrorPage);
    const CliResult page = tts({"x", "-o", file});
    EXPECT_EQ(page.exitCode, 1);
    expectFailureReport(page, "no-audio", false);
    speech_.setAnswer(SpeechDouble::Answer::Refuse);
    const CliResult refused = tts({"x", "-o", file, "--json"});
    EXPECT_EQ(refused.exitCode, 3);
    expectFailureReport(refused, "network", true);
    EXPECT_TRUE(dir_.names().empty());
}

TEST_F(CliTtsTest, InterruptWhileTheServiceIsSilent) {
    speech_.hold(true);
    const std::string file = dir_.file("a.mp3");
    std::ofstream(file) << "old";  // an earlier file of that name stays as it was
    CliRun run;
    run.args = {"tts", "x", "-o", file};
    run.env["QUORVEX_CONNECT_TO"] = speech_.connectTo();
    run.interruptWhen = [this] { return speech_.server().requestCount() >= 1; };
    const CliResult r = runCli(run);
    EXPECT_EQ(r.exitCode, 130);
    expectFailureReport(r, "interrupted", false);
    EXPECT_EQ(dir_.names(), std::vector<std::string>{"a.mp3"});
    EXPECT_EQ(readAll(file), "old");
}

// ---------------------------------------------------------------------------------------------
// notice against the notice double, which verifies like the real service.

class CliNoticeTest : public ::testing::Test {
  protected:
    CliNoticeTest() { notice_.setNoteHtml(readAll(QX_NOTICE_SAMPLE)); }
    CliResult notice(std::vector<std::string> args, bool trustTestCa = true) {
        CliRun run;
        run.args = {"notice"};
        run.args.insert(run.args.end(), args.begin(), args.end());
        run.env = offlineEnv();
        run.env["QUORVEX_CONNECT_TO"] = notice_.connectTo() + "," + run.env["QUORVEX_CONNECT_TO"];
        if (trustTestCa) run.env["QUORVEX_EXTRA_CA_FILE"] = TestServer::certificateFile();
        return runCli(run);
    }
    NoticeDouble notice_{"QrvxNote", "tmvrke"};
};

TEST_F(CliNoticeTest, VersionsAndChangeLog) {
    const CliResult text = notice({});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(notice_.lastProblem(), "");
    EXPECT_EQ(text.out, "当前版本：" QX_FILE_VERSION
                        "\n最新版本：1.0.0.18\n新的版本已经发布。\n更新内容：\n"
                        "1. 新增网速测试\n2. 修复若干问题\n3. 界面优化\n");
    const CliResult j = notice({"--json"});
    EXPECT_EQ(
        j.out,
        R"({"ok":true,"result":{"currentVersion":")" QX_FILE_VERSION R"(","latestVersion":"1.0.0.18",)"
        R"("updateAvailable":true,"changeLog":"1. 新增网速测试\n2. 修复若干问题\n3. 界面优化",)"
        R"("speedTestLink":"https://speed.example/100m.bin",)"
        R"("updateAddress":"https://contoso-my.sharepoint.com/:u:/g/personal/alice/EnewVersion1?e=Ab12Cd"}})"
        "\n");
}

TEST_F(CliNoticeTest, AnUntrustedCertificateIsNoNotice) {
    const CliResult r = notice({"--json"}, false);
    EXPECT_EQ(r.exitCode, 3);
    expectFailureReport(r, "offline", true);
    EXPECT_EQ(notice_.notesServed(), 0);
}

// ---------------------------------------------------------------------------------------------
// avatar, favicon and speedtest against the utility doubles.

class CliImageTest : public ::testing::Test {
  protected:
    CliResult run(std::vector<std::string> args) {
        CliRun r;
        r.args = std::move(args);
        r.env = offlineEnv();
        r.env["QUORVEX_CONNECT_TO"] =
            avatar_.connectTo() + "," + site_.connectTo("icon.example") + "," + r.env["QUORVEX_CONNECT_TO"];
        return runCli(r);
    }
    AvatarDouble avatar_;
    SiteDouble site_;
    ScratchDir dir_;
};

TEST_F(CliImageTest, AvatarSavesTheServicesPicture) {
    const std::string picture = samplePng(100, 100);
    avatar_.setPicture("10001", picture);
    const std::string file = dir_.file("head.png");
    const CliResult r = run({"avatar", "10001", "-o", file, "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(avatar_.lastProblem(), "");
    EXPECT_EQ(avatar_.lastAccount(), "10001");
    EXPECT_TRUE(readAll(file) == picture);
    EXPECT_EQ(r.out,
              R"({"ok":true,"result":{"account":"10001","url":"http://q1.qlogo.cn/g?b=qq&nk=10001&s=100",)"
              R"("format":"png","file":")" +
                  file + R"(","bytes":)" + std::to_string(picture.size()) +
                  R"(,"width":100,"height":100}})"
                  "\n");

    avatar_.setOverride("<html>busy</html>");
    const CliResult page = run({"avatar", "10002", "-o", dir_.file("other.png")});
    EXPECT_EQ(page.exitCode, 1);
    expectFailureReport(page, "no-picture", false);
    EXPECT_EQ(dir_.names(), std::vector<std::string>{"head.png"});
}

TEST_F(CliImageTest, FaviconConvertsToTheAskedFormat) {
    site_.setFavicon(sampleIco16());
    struct Want {
        std::vector<std::string> extra;
        std::string name, format, magic;
    };
    const Want wants[] = {
        {{}, "icon", "png", "\x89PNG"},                  // no extension: PNG, as the window shows it
        {{}, "icon.gif", "gif", "GIF89a"},               // the file's extension
        {{"--format", "BMP"}, "icon.png", "bmp", "BM"},  // the option wins
        {{"--format", "jpeg"}, "icon.jpg", "jpg", "\xFF\xD8"},
        {{"--format", "tiff"}, "icon.tiff", "tiff", "II*"},
    };
    for (const Want& w : wants) {
        std::vector<std::string> args = {"--json", "favicon", "icon.example", "-o", dir_.file(w.name)};
        args.insert(args.end(), w.extra.begin(), w.extra.end());
        const CliResult r = run(args);
        EXPECT_EQ(r.exitCode, 0) << w.name << r.err;
        EXPECT_EQ(site_.lastProblem(), "");
        const json j = json::parse(r.out, nullptr, false);
        EXPECT_EQ(j["result"]["url"], "http://icon.example/favicon.ico");
        EXPECT_EQ(j["result"]["format"], w.format) << w.name;
        EXPECT_EQ(j["result"]["width"], 16);
        EXPECT_EQ(j["result"]["height"], 16);
        EXPECT_EQ(readAll(dir_.file(w.name)).rfind(w.magic, 0), 0u) << w.name;
    }
}

TEST_F(CliImageTest, ASiteWithoutAnIconGivesNoFile) {
    const CliResult r = run({"favicon", "http://icon.example", "-o", dir_.file("icon.png")});
    EXPECT_EQ(r.exitCode, 1);
    expectFailureReport(r, "no-icon", false);
    EXPECT_TRUE(dir_.names().empty());
}

class CliSpeedTest : public ::testing::Test {
  protected:
    CliSpeedTest() : server_(paced()) {
        notice_.setNoteHtml("<html><body><p>测速链接[http://speed.example" +
                            std::string(SpeedTestServer::kPath) +
                            "]测速链接</p><p>[|=*1.0.0.18*=|]</p></body></html>");
    }
    static SpeedTestServer::Behaviour paced() {
        SpeedTestServer::Behaviour b;
        b.bytesPerSecond = 256 * 1024;
        return b;
    }
    CliRun speedTest(std::vector<std::string> args) {
        CliRun r;
        r.args = {"speedtest"};
        r.args.insert(r.args.end(), args.begin(), args.end());
        r.env = offlineEnv();
        r.env["QUORVEX_CONNECT_TO"] = notice_.connectTo() + "," + server_.connectTo("speed.example") + "," +
                                      r.env["QUORVEX_CONNECT_TO"];
        r.env["QUORVEX_EXTRA_CA_FILE"] = TestServer::certificateFile();
        return r;
    }
    SpeedTestServer server_;
    NoticeDouble notice_{"QrvxNote", "tmvrke"};
};

// The numbers depend on the machine's pace; what is checked is the shape of the test.
TEST_F(CliSpeedTest, GivenAddressAsJson) {
    const CliResult r = runCli(speedTest({server_.url(), "--seconds", "4", "--json"}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(server_.lastProblem(), "");
    EXPECT_EQ(notice_.notesServed(), 0) << "an address of its own needs no notice";
    const json j = json::parse(r.out, nullptr, false);
    ASSERT_TRUE(j.is_object()) << r.out;
    EXPECT_EQ(j["result"]["url"], server_.url());
    EXPECT_EQ(j["result"]["seconds"], 4);
    EXPECT_EQ(j["result"]["samplesKb"].size(), 1u) << "three seconds of warm-up";
    EXPECT_GT(j["result"]["bytes"].get<long long>(), 0);
    EXPECT_EQ(j["result"]["caption"].get<std::string>().rfind("您的平均接入速度：", 0), 0u);
    EXPECT_TRUE(server_.server().waitForNoOpenConnections(5000)) << "the download ends with the test";
}

TEST_F(CliSpeedTest, NoticeAddressWithALiveLineOnATerminal) {
    CliRun run = speedTest({"--seconds", "4"});
    run.terminal = true;
    const CliResult r = runCli(run);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(notice_.lastProblem(), "");
    EXPECT_EQ(server_.lastProblem(), "");
    for (const char* line :
         {"\r测速中 1/4 秒：", "（预热）", "\r测速中 4/4 秒：", "\r\x1b[K您的平均接入速度："})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << " in " << r.out;
}

TEST_F(CliSpeedTest, InterruptStopsTheDownload) {
    CliRun run = speedTest({server_.url()});
    run.interruptWhen = [this] { return server_.bytesSent() > 0; };
    const CliResult r = runCli(run);
    EXPECT_EQ(r.exitCode, 130);
    expectFailureReport(r, "interrupted", false);
    EXPECT_TRUE(server_.server().waitForNoOpenConnections(5000));
}

}  // namespace
}  // namespace qx::test
