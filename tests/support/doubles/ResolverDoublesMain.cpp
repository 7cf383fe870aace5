// Serves resolver wire cases on their own, for trying the real program against them:
//   resolver_doubles CASE...   prints the QUORVEX_CONNECT_TO value and, on a second line, the
//   test CA's file for QUORVEX_EXTRA_CA_FILE (the resolvers verify every server); serves until
//   killed.
// Each case maps only its own hosts and starts over after its last reply, so the window can
// resolve its link again and again. Problems are printed as they come.
#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

#include "support/doubles/WireDouble.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: resolver_doubles CASE...\n";
        return 2;
    }
    std::vector<std::unique_ptr<qx::test::WireDouble>> doubles;
    std::string connectTo;
    for (int i = 1; i < argc; ++i) {
        qx::test::WireCase wireCase;
        std::string error;
        if (!qx::test::loadWireCase(argv[i], wireCase, error)) {
            std::cerr << argv[i] << ": " << error << "\n";
            return 2;
        }
        doubles.push_back(std::make_unique<qx::test::WireDouble>(wireCase, true));
        connectTo += (connectTo.empty() ? "" : ",") + doubles.back()->connectTo(false);
    }
    // Nothing else leaves the machine.
    std::cout << connectTo << ",::127.0.0.1:" << qx::test::closedLocalPort() << "\n"
              << qx::test::TestServer::certificateFile() << std::endl;
    std::vector<std::size_t> reported(doubles.size(), 0);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        for (std::size_t i = 0; i < doubles.size(); ++i) {
            std::vector<std::string> problems = doubles[i]->problems();
            for (std::size_t k = reported[i]; k < problems.size(); ++k)
                std::cerr << doubles[i]->wireCase().name << ": " << problems[k] << "\n";
            reported[i] = problems.size();
        }
    }
}
