// The fault matrix: every network feature against a local service in every fault mode. Each
// cell checks the feature's result under the fault, that it ended within its limit, and that a
// window closed while the fault played got no write afterwards. The matrix prints as a table at
// the end of the run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

#include "faults/FaultFeature.h"
#include "net/FetchLimits.h"
#include "platform/audio/Mci.h"

namespace qx::test {
namespace {

using Clock = std::chrono::steady_clock;
using Cell = std::pair<std::shared_ptr<FaultFeature>, Fault>;

std::vector<std::shared_ptr<FaultFeature>> features() {
    std::vector<std::shared_ptr<FaultFeature>> all;
    for (auto group : {noticeFeatures, resolverFeatures, testerFeatures, speechFeatures, pictureFeatures,
                       speedTestFeatures, shortLinkFeatures, cliFeatures})
        for (auto& f : group()) all.push_back(f);
    return all;
}

std::vector<Cell> cells() {
    std::vector<Cell> out;
    for (auto& feature : features())
        for (Fault fault : kAllFaults)
            if (feature->covers(fault)) out.emplace_back(feature, fault);
    return out;
}

// What each cell came to, for the table.
class Table : public ::testing::Environment {
  public:
    static Table& instance() {
        static Table* table = new Table;
        return *table;
    }
    void record(const std::string& feature, Fault fault, std::string verdict) {
        if (std::find(rows_.begin(), rows_.end(), feature) == rows_.end()) rows_.push_back(feature);
        verdicts_[{feature, static_cast<int>(fault)}] = std::move(verdict);
    }
    void SetUp() override {
        // The deadline shortened, so that a stalled service costs a second, not a minute.
        net::setFetchDeadlineForTests(kMatrixDeadline);
        ::setenv("QUORVEX_EXTRA_CA_FILE", TestServer::certificateFile().c_str(), 1);
        platform::setAudioOutputModule("dummy");
    }
    void TearDown() override {
        net::setFetchDeadlineForTests(std::chrono::milliseconds(0));
        if (rows_.empty()) return;
        std::string out = "\nFault matrix (feature x fault: pass/FAIL, seconds of the run)\n";
        std::size_t width = 0;
        for (auto& r : rows_) width = std::max(width, r.size());
        out += std::string(width, ' ');
        for (Fault f : kAllFaults) out += " | " + std::string(faultName(f));
        out += "\n";
        for (auto& row : rows_) {
            out += row + std::string(width - row.size(), ' ');
            for (Fault f : kAllFaults) {
                auto it = verdicts_.find({row, static_cast<int>(f)});
                std::string v = it == verdicts_.end() ? "-" : it->second;
                std::size_t w = std::string(faultName(f)).size();
                out += " | " + v + std::string(w > v.size() ? w - v.size() : 0, ' ');
            }
            out += "\n";
        }
        std::fputs(out.c_str(), stdout);
        std::fflush(stdout);
    }

  private:
    std::vector<std::string> rows_;
    std::map<std::pair<std::string, int>, std::string> verdicts_;
};

const bool kTableRegistered = (::testing::AddGlobalTestEnvironment(&Table::instance()), true);

// Sets an environment variable for one scope.
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

class FaultMatrix : public ::testing::TestWithParam<Cell> {};

TEST_P(FaultMatrix, Cell) {
    const auto& [feature, fault] = GetParam();
    double seconds = 0;
    {
        FaultDouble service(fault, feature->replies(), feature->faultStep(), feature->bentBody(fault));
        ScopedEnv connectTo("QUORVEX_CONNECT_TO", service.connectTo());
        const auto started = Clock::now();
        const std::string shown = feature->run(service);
        const auto took = Clock::now() - started;
        seconds = std::chrono::duration<double>(took).count();
        EXPECT_EQ(shown, feature->expected(fault));
        EXPECT_LE(took, feature->limit(fault)) << seconds << " s";
    }
    if (feature->closable()) {
        FaultDouble service(fault, feature->replies(), feature->faultStep(), feature->bentBody(fault));
        ScopedEnv connectTo("QUORVEX_CONNECT_TO", service.connectTo());
        for (const std::string& write : feature->runAndClose(service))
            ADD_FAILURE() << "written after the window was closed: " << write;
    }
    char verdict[32];
    std::snprintf(verdict, sizeof verdict, "%s %.1f", HasFailure() ? "FAIL" : "pass", seconds);
    Table::instance().record(feature->name(), fault, verdict);
}

std::string cellName(const ::testing::TestParamInfo<Cell>& info) {
    std::string name = info.param.first->name() + "_" + faultName(info.param.second);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(cells()), cellName);

}  // namespace
}  // namespace qx::test
