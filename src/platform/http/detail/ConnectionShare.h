#pragma once
// The caches behind ConnectionShare.h. TLS sessions and DNS answers sit in the process's one
// libcurl share, locked for the worker threads. Connections do not: libcurl does not support one
// connection cache used by several threads at once, and our workers run side by side. Each
// thread instead keeps its connections in a multi handle of its own, which every transfer on the
// thread runs through and which closes them when the thread ends. libcurl still decides which
// cached connection fits a request (host, port, proxy, TLS settings and verification).
// Internal to platform/http.
#include "platform/http/detail/CurlApi.h"

namespace qx::platform::detail {

// The share to attach to every handle, or nullptr when sharing is off or libcurl has none.
CURLSH* processShare();

// Lends the calling thread's multi handle for one run; nullptr when sharing is off, no scope is
// open on the thread or the thread's handle is already running a transfer (the caller then uses
// a multi handle of its own).
class ThreadConnections {
  public:
    ThreadConnections();
    ~ThreadConnections();
    ThreadConnections(const ThreadConnections&) = delete;
    ThreadConnections& operator=(const ThreadConnections&) = delete;

    CURLM* multi() const { return multi_; }

  private:
    CURLM* multi_ = nullptr;
};

}  // namespace qx::platform::detail
