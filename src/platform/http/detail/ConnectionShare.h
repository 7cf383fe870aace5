#pragma once
// The process's one libcurl share (connections, TLS sessions, DNS answers). libcurl does not
// support one connection cache used by transfers of several threads at the same time, so a
// transfer takes the share for its run only when no other thread's transfer holds it; one that
// finds it taken runs on its own connections, as before. A chain of requests on one worker
// thread therefore reuses its connections; a long download elsewhere only costs it the reuse.
// Internal to platform/http.
#include "platform/http/detail/CurlApi.h"

namespace qx::platform::detail {

class ShareLease {
  public:
    ShareLease();  // takes the share when it is free (and sharing is on)
    ~ShareLease();
    ShareLease(const ShareLease&) = delete;
    ShareLease& operator=(const ShareLease&) = delete;

    // The share to attach to the transfer's handle, or nullptr.
    CURLSH* share() const { return share_; }

  private:
    CURLSH* share_ = nullptr;
};

}  // namespace qx::platform::detail
