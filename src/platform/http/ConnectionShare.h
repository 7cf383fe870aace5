#pragma once
// Every transfer of platform/http keeps TLS sessions and DNS answers in one process-wide cache;
// a later connection to a host seen before resumes the TLS session instead of a full handshake.
// Within a ConnectionScope the transfers of the thread also keep their connections in a cache
// of the thread: the requests of a chain to one host go over one connection. Cookies are never
// shared: each request keeps its own.
namespace qx::platform {

// On by default. Off, each transfer object keeps its own connections and sessions, as the
// latency benchmark's "before" does.
void setConnectionSharing(bool on);
bool connectionSharing();

// The connections of the transfers this thread makes while the scope lives are kept for reuse,
// and closed when the (outermost) scope ends: before the chain's result is handed on, so that no
// connection is still closing while the process ends.
//     { platform::ConnectionScope chain; request(a); request(b); }
class ConnectionScope {
  public:
    ConnectionScope();
    ~ConnectionScope();
    ConnectionScope(const ConnectionScope&) = delete;
    ConnectionScope& operator=(const ConnectionScope&) = delete;
};

}  // namespace qx::platform
