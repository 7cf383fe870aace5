#pragma once
// Every transfer of platform/http keeps TLS sessions and DNS answers in one process-wide cache,
// and its connections in a cache of the thread it runs on: the requests of a chain (one worker)
// to one host go over one connection, and a later connection to a host it has seen resumes the
// TLS session instead of a full handshake. A thread's idle connections close when it ends.
// Cookies are never shared: each request keeps its own.
namespace qx::platform {

// On by default. Off, each transfer object keeps its own connections and sessions, as the
// latency benchmark's "before" does.
void setConnectionSharing(bool on);
bool connectionSharing();

}  // namespace qx::platform
