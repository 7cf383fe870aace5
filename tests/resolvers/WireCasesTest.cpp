// Every wire case of tests/resolvers/data: the resolver of the case's service runs against a
// double that plays the service's side of the conversation and checks every byte the program
// sends; the result must be the case's, and no request may open a second connection to a host
// while the first is still open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "net/FetchLimits.h"
#include "resolvers/Lanzou.h"
#include "resolvers/ResolverTable.h"
#include "support/doubles/WireDouble.h"
#include "text/CodePages.h"

namespace qx::resolvers {
namespace {

using test::WireCase;
using test::WireDouble;

// The cases of the source tree, or of the folder QUORVEX_WIRE_CASES names (for trying one).
std::vector<std::string> caseFiles() {
    const char* folder = std::getenv("QUORVEX_WIRE_CASES");
    std::vector<std::string> files;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(folder ? folder : QX_RESOLVER_DATA_DIR))
        if (entry.is_regular_file() && entry.path().extension() == ".case")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

int serviceNumber(const std::string& service) {
    for (const ResolverDescriptor* d : resolverTable())
        if (d->key == service) return static_cast<int>(d->service);
    return 0;
}

// Sets an environment variable for one scope, restoring what was there.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (saved_) {
            ::setenv(name_, saved_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

class WireCaseTest : public ::testing::TestWithParam<std::string> {
  protected:
    // A service that trickles or stalls ends at the whole-request deadline; a short one keeps
    // those cases quick. Idle time-outs keep their real values.
    static void SetUpTestSuite() { net::setFetchDeadlineForTests(std::chrono::seconds(3)); }
    static void TearDownTestSuite() { net::setFetchDeadlineForTests(std::chrono::milliseconds(0)); }
};

TEST_P(WireCaseTest, ConversationAndResult) {
    WireCase wireCase;
    std::string error;
    ASSERT_TRUE(test::loadWireCase(GetParam(), wireCase, error)) << error;
    const int service = serviceNumber(wireCase.service);
    ASSERT_NE(service, 0) << "unknown service " << wireCase.service;

    WireDouble service_double(wireCase);
    ScopedEnv connectTo("QUORVEX_CONNECT_TO", service_double.connectTo());
    // The double's certificate is signed by the test CA; without it no server is trusted.
    ScopedEnv trust("QUORVEX_EXTRA_CA_FILE", wireCase.untrusted ? "" : test::TestServer::certificateFile());
    std::optional<Text> result;
    if (wireCase.stem.empty()) {
        const std::optional<ResolveResult> typed =
            resolveShareLink(service, gbk(wireCase.link), gbk(wireCase.password));
        ASSERT_TRUE(typed.has_value());
        result = typed->text;
        ResolveOutcome expected = ResolveOutcome::Address;
        if (wireCase.networkFailure) {
            expected = ResolveOutcome::NetworkFailure;
        } else if (wireCase.result == "分享连接已失效,文件已过期！") {
            expected = ResolveOutcome::ServiceMessage;
        } else if (wireCase.result.empty()) {
            expected = ResolveOutcome::NoResult;
        }
        EXPECT_EQ(static_cast<int>(typed->outcome), static_cast<int>(expected));
    } else {
        // A caller's own stem is used and left as it was.
        Text stem = wireCase.stem;
        result = resolveLanzouLink(gbk(wireCase.link), gbk(wireCase.password), stem);
        EXPECT_EQ(stem, wireCase.stem);
    }

    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(gbkToUtf8(*result), wireCase.result);
    for (const std::string& problem : service_double.problems()) ADD_FAILURE() << problem;
    // One connection per host for the whole chain, unless one side ended it.
    for (const std::string& problem : service_double.connectionProblems()) ADD_FAILURE() << problem;
}

std::string caseName(const ::testing::TestParamInfo<std::string>& info) {
    std::filesystem::path p(info.param);
    std::string name = p.parent_path().filename().string() + "_" + p.stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Data, WireCaseTest, ::testing::ValuesIn(caseFiles()), caseName);

}  // namespace
}  // namespace qx::resolvers
