#include "platform/http/detail/ConnectionShare.h"

#include <atomic>
#include <mutex>

#include "platform/http/ConnectionShare.h"

namespace qx::platform {

namespace {
std::atomic<bool> sharingOn{true};
}  // namespace

void setConnectionSharing(bool on) { sharingOn = on; }
bool connectionSharing() { return sharingOn; }

namespace detail {

namespace {

// One lock per kind of data, as libcurl asks. Never destroyed: a detached worker may still be
// in libcurl while the process ends.
std::mutex* const locks = new std::mutex[CURL_LOCK_DATA_LAST];

void lockData(CURL*, curl_lock_data data, curl_lock_access, void*) { locks[data].lock(); }
void unlockData(CURL*, curl_lock_data data, void*) { locks[data].unlock(); }

// Idle connections a thread keeps at most (a chain talks to three hosts at most).
constexpr long MaxIdleConnections = 8;

struct ThreadMulti {
    CURLM* multi = nullptr;
    bool lent = false;
    int scopes = 0;
    void release() {
        if (multi) curl::multi_cleanup(multi);
        multi = nullptr;
    }
    ~ThreadMulti() { release(); }
};

thread_local ThreadMulti threadMulti;

}  // namespace
}  // namespace detail

ConnectionScope::ConnectionScope() { ++detail::threadMulti.scopes; }

ConnectionScope::~ConnectionScope() {
    if (--detail::threadMulti.scopes == 0) detail::threadMulti.release();
}

namespace detail {

CURLSH* processShare() {
    // Made on first use and kept to the end of the process, like the library itself.
    static CURLSH* const share = [] {
        CURLSH* s = curl::share_init();
        if (!s) return s;
        bool ok = curl::share_setopt_fn(s, CURLSHOPT_LOCKFUNC, reinterpret_cast<void (*)()>(&lockData)) ==
                      CURLSHE_OK &&
                  curl::share_setopt_fn(s, CURLSHOPT_UNLOCKFUNC, reinterpret_cast<void (*)()>(&unlockData)) ==
                      CURLSHE_OK;
        for (curl_lock_data data : {CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_DNS})
            ok = ok && curl::share_setopt_long(s, CURLSHOPT_SHARE, data) == CURLSHE_OK;
        // A share that is only partly set up is left unused rather than half trusted.
        return ok ? s : nullptr;
    }();
    return sharingOn ? share : nullptr;
}

ThreadConnections::ThreadConnections() {
    if (!sharingOn || threadMulti.lent || threadMulti.scopes == 0) return;
    if (!threadMulti.multi) {
        threadMulti.multi = curl::multi_init();
        if (threadMulti.multi)
            curl::multi_setopt_long(threadMulti.multi, CURLMOPT_MAXCONNECTS, MaxIdleConnections);
    }
    multi_ = threadMulti.multi;
    threadMulti.lent = multi_ != nullptr;
}

ThreadConnections::~ThreadConnections() {
    if (multi_) threadMulti.lent = false;
}

}  // namespace detail
}  // namespace qx::platform
