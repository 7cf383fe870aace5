#pragma once
// A local stand-in for a cloud-share service, driven by one wire case (WireCase.h): it expects
// the case's requests in order, compares each byte for byte (method, path, query with its key
// order, header lines in order and spelling, cookies, body) and answers the case's reply. Any
// difference, an unexpected request or a request on the wrong scheme is recorded as a problem;
// the test fails on any problem. Every host name reaches it through QUORVEX_CONNECT_TO.
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "support/doubles/WireCase.h"
#include "support/servers/TestServer.h"

namespace qx::test {

class WireDouble {
  public:
    // loop: start the conversation again after its last reply (for trying the program by hand).
    explicit WireDouble(WireCase wireCase, bool loop = false);
    ~WireDouble();
    WireDouble(const WireDouble&) = delete;
    WireDouble& operator=(const WireDouble&) = delete;

    const WireCase& wireCase() const { return case_; }

    // The QUORVEX_CONNECT_TO value. catchAll: every host on 443 and 80 comes here and any other
    // port goes to a closed one, so nothing reaches the internet and a wrong host shows up as a
    // difference; otherwise only the case's own hosts are mapped. A refusing case maps every
    // host to a closed port.
    std::string connectTo(bool catchAll = true) const;

    // Everything that differed so far, plus the expected requests that never came.
    std::vector<std::string> problems() const;
    // Requests that came on a new connection although the double had left the one that carried
    // the previous request to the same host (and scheme) open for more: a connection not reused.
    std::vector<std::string> connectionProblems() const;
    std::size_t served() const;

    // While held, replies wait (the request is already checked); release lets them go.
    void hold();
    void release();
    // Waits until n requests have come in (false after timeoutMs).
    bool waitForRequests(std::size_t n, int timeoutMs) const;

  private:
    void handle(const HttpRequestRecord& request, Connection& connection, bool https);

    WireCase case_;
    bool loop_;
    int closedPort_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::size_t next_ = 0;
    std::size_t received_ = 0;
    bool held_ = false;
    bool ending_ = false;
    std::vector<std::string> problems_;
    std::vector<std::string> connectionProblems_;
    struct HostConnection {
        int index = 0;          // the connection of the host's last request
        bool reusable = false;  // the double answered it in full and kept it open
    };
    std::map<std::string, HostConnection> hostConnections_;  // "https://host" -> its connection
    TestServer https_;
    TestServer http_;
};

// A port on 127.0.0.1 where nothing listens (bound once, then closed).
int closedLocalPort();

}  // namespace qx::test
