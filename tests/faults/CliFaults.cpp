// quorvex-cli under faults: `quorvex-cli resolve bilnn LINK` as its own process against the faulted
// service. A failure is exit code 3 with nothing on standard output when the answer never arrived
// whole (the network's failure), 1 when the service answered something unusable; a stalled service
// is ended by Ctrl-C (SIGINT), which must stop the transfer at once: exit code 130.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "faults/FaultFeature.h"
#include "support/doubles/WireCase.h"

extern char** environ;

namespace qx::test {
namespace {

using namespace std::chrono_literals;

bool stalls(Fault fault) { return fault == Fault::StallBeforeHead || fault == Fault::StallAfterHead; }

class CliUnderFault : public FaultFeature {
  public:
    CliUnderFault() {
        std::string error;
        loaded_ = loadWireCase(std::string(QX_RESOLVER_DATA_DIR) + "/bilnn/success.case", case_, error);
        for (const WireExchange& e : case_.exchanges) replies_.push_back(e.reply);
    }
    std::string name() const override { return "quorvex-cli"; }
    std::vector<std::string> replies() const override { return replies_; }
    std::string bentBody(Fault fault) const override {
        if (fault == Fault::WrongTypes)
            return R"({"code":"0","data":{"url":"https:\/\/pan.bilnn.com\/x"},"msg":0})";
        return R"({"code":"0","data":")" + case_.result + R"(","qx":")" + badTextBytes() + R"("})";
    }
    // A stalled run ends by the interrupt a second after its request; every other within the deadline.
    std::chrono::milliseconds limit(Fault) const override { return kMatrixDeadline + 4s; }
    std::string expected(Fault fault) const override {
        if (!loaded_) return "(case file missing)";
        if (fault == Fault::ManyCookies || fault == Fault::BadEncoding) return "exit 0 | " + case_.result;
        if (stalls(fault)) return "exit 130 | ";
        if (fault == Fault::ErrorPage || fault == Fault::WrongTypes) return "exit 1 | ";
        return "exit 3 | ";
    }
    std::string run(FaultDouble& service) override {
        char outName[] = "/tmp/qx_cli_fault_XXXXXX";
        const int out = mkstemp(outName);
        if (out < 0) return "no temporary file";
        close(out);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outName, O_WRONLY | O_TRUNC, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> words = {QX_CLI_EXE, "resolve", "bilnn", case_.link};
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return "not started";
        if (stalls(service.fault())) {
            service.waitForFaultedRequest(10000);
            std::this_thread::sleep_for(1s);
            kill(pid, SIGINT);
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        std::ifstream file(outName);
        std::string printed((std::istreambuf_iterator<char>(file)), {});
        std::remove(outName);
        while (!printed.empty() && printed.back() == '\n') printed.pop_back();
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return "exit " + std::to_string(code) + " | " + printed;
    }
    bool closable() const override { return false; }  // no window: the interrupt is its close
    std::vector<std::string> runAndClose(FaultDouble&) override { return {}; }

  private:
    WireCase case_;
    bool loaded_ = false;
    std::vector<std::string> replies_;
};

}  // namespace

std::vector<std::shared_ptr<FaultFeature>> cliFeatures() { return {std::make_shared<CliUnderFault>()}; }

}  // namespace qx::test
