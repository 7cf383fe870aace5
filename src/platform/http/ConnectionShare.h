#pragma once
// Every transfer of platform/http keeps its connections, TLS sessions and DNS answers in one
// process-wide cache, so the requests of a chain to one host go over one connection with one
// handshake. Cookies are never shared: each request keeps its own.
namespace qx::platform {

// On by default. Off, each transfer object keeps its own connections and sessions, as the
// latency benchmark's "before" does.
void setConnectionSharing(bool on);
bool connectionSharing();

}  // namespace qx::platform
