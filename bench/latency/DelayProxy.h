#pragma once
// A TCP relay on 127.0.0.1 that holds every byte for a fixed time in each direction, so a local
// conversation takes the round trips a distant server would cost. The first bytes a client sends
// also wait one round trip after its connection was accepted: the TCP handshake the kernel
// completed at once. For a TLS upstream it reads each connection's ClientHello and ServerHello
// to tell full handshakes from resumed ones. No system setting is touched.
#include <atomic>
#include <chrono>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qx::bench {

class DelayProxy {
  public:
    struct Handshake {
        bool seen = false;  // a ServerHello came back
        bool tls13 = false;
        bool resumed = false;
    };

    DelayProxy(int upstreamPort, std::chrono::milliseconds oneWay);
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    int port() const { return port_; }
    int connections() const { return connections_.load(); }
    std::vector<Handshake> handshakes() const;

  private:
    struct Link;
    void acceptLoop();
    void pump(Link& link, bool toServer);

    int upstreamPort_;
    std::chrono::milliseconds oneWay_;
    int port_ = 0;
    int listenFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::list<Link> links_;
    std::list<std::thread> threads_;
    std::thread acceptThread_;
};

}  // namespace qx::bench
