#pragma once
// A service that misbehaves at one step of its conversation: the steps before it get the good
// answers, the step itself and every later one the fault (WrongTypes and BadEncoding bend only
// that step's body). Every host on 443 and 80 reaches it through QUORVEX_CONNECT_TO; any other
// port, and every host when it refuses, goes to a closed port.
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "support/servers/TestServer.h"

namespace qx::test {

class FaultDouble {
  public:
    // replies: the good answers of the steps in order (whole HTTP answers); a request past the last
    // one gets the last. faultStep counts from 1. bent: the body of the faulted step for
    // WrongTypes and BadEncoding.
    FaultDouble(Fault fault, std::vector<std::string> replies, std::size_t faultStep, std::string bent);
    ~FaultDouble();
    FaultDouble(const FaultDouble&) = delete;
    FaultDouble& operator=(const FaultDouble&) = delete;

    Fault fault() const { return fault_; }
    std::string connectTo() const;
    // An address on the plain server, for features that take any address.
    std::string url(const std::string& path) const { return http_.url(path); }

    // While held, the faulted step's answer waits (its request is in).
    void hold();
    void release();
    // Waits until the faulted step's request has come (false after timeoutMs).
    bool waitForFaultedRequest(int timeoutMs) const;
    std::size_t requestCount() const;

  private:
    void handle(const HttpRequestRecord& request, Connection& connection);

    Fault fault_;
    std::vector<std::string> replies_;
    std::size_t faultStep_;
    std::string bent_;
    int closedPort_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::size_t received_ = 0;
    bool held_ = false;
    bool ending_ = false;
    TestServer https_;
    TestServer http_;
};

}  // namespace qx::test
