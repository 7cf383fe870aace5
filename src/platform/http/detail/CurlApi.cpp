#include "platform/http/detail/CurlApi.h"

#include <dlfcn.h>

#include <mutex>

namespace qx::platform::detail::curl {

namespace {

struct Api {
    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_reset) easy_reset = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;
    decltype(&::curl_multi_init) multi_init = nullptr;
    decltype(&::curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&::curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&::curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&::curl_multi_perform) multi_perform = nullptr;
    decltype(&::curl_multi_poll) multi_poll = nullptr;
    decltype(&::curl_multi_wakeup) multi_wakeup = nullptr;
    decltype(&::curl_multi_info_read) multi_info_read = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;
    decltype(&::curl_version_info) version_info = nullptr;
    bool ok = false;
};

template <typename F>
bool bind(void* lib, const char* name, F& slot) {
    slot = reinterpret_cast<F>(::dlsym(lib, name));
    return slot != nullptr;
}

const Api& api() {
    static const Api loaded = [] {
        Api a;
        void* lib = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return a;
        bool all = bind(lib, "curl_global_init", a.global_init) && bind(lib, "curl_easy_init", a.easy_init) &&
                   bind(lib, "curl_easy_cleanup", a.easy_cleanup) && bind(lib, "curl_easy_reset", a.easy_reset) &&
                   bind(lib, "curl_easy_setopt", a.easy_setopt) && bind(lib, "curl_easy_getinfo", a.easy_getinfo) &&
                   bind(lib, "curl_easy_strerror", a.easy_strerror) && bind(lib, "curl_multi_init", a.multi_init) &&
                   bind(lib, "curl_multi_cleanup", a.multi_cleanup) &&
                   bind(lib, "curl_multi_add_handle", a.multi_add_handle) &&
                   bind(lib, "curl_multi_remove_handle", a.multi_remove_handle) &&
                   bind(lib, "curl_multi_perform", a.multi_perform) && bind(lib, "curl_multi_poll", a.multi_poll) &&
                   bind(lib, "curl_multi_wakeup", a.multi_wakeup) &&
                   bind(lib, "curl_multi_info_read", a.multi_info_read) &&
                   bind(lib, "curl_slist_append", a.slist_append) &&
                   bind(lib, "curl_slist_free_all", a.slist_free_all) &&
                   bind(lib, "curl_version_info", a.version_info);
        // The library stays loaded for the process's life: handles may live until its end.
        a.ok = all && a.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        return a;
    }();
    return loaded;
}

}  // namespace

bool available() { return api().ok; }

CURL* easy_init() { return available() ? api().easy_init() : nullptr; }
void easy_cleanup(CURL* h) {
    if (h && available()) api().easy_cleanup(h);
}
void easy_reset(CURL* h) {
    if (h && available()) api().easy_reset(h);
}
CURLcode easy_getinfo_ptr(CURL* h, CURLINFO info, void* out) {
    return available() ? api().easy_getinfo(h, info, out) : CURLE_FAILED_INIT;
}
const char* easy_strerror(CURLcode code) {
    return available() ? api().easy_strerror(code) : "the network library could not be loaded";
}
CURLM* multi_init() { return available() ? api().multi_init() : nullptr; }
CURLMcode multi_cleanup(CURLM* m) { return available() ? api().multi_cleanup(m) : CURLM_BAD_HANDLE; }
CURLMcode multi_add_handle(CURLM* m, CURL* h) { return available() ? api().multi_add_handle(m, h) : CURLM_BAD_HANDLE; }
CURLMcode multi_remove_handle(CURLM* m, CURL* h) {
    return available() ? api().multi_remove_handle(m, h) : CURLM_BAD_HANDLE;
}
CURLMcode multi_perform(CURLM* m, int* running) { return available() ? api().multi_perform(m, running) : CURLM_BAD_HANDLE; }
CURLMcode multi_poll(CURLM* m, struct curl_waitfd* fds, unsigned int n, int timeoutMs, int* ret) {
    return available() ? api().multi_poll(m, fds, n, timeoutMs, ret) : CURLM_BAD_HANDLE;
}
CURLMcode multi_wakeup(CURLM* m) { return available() ? api().multi_wakeup(m) : CURLM_BAD_HANDLE; }
CURLMsg* multi_info_read(CURLM* m, int* left) { return available() ? api().multi_info_read(m, left) : nullptr; }
curl_slist* slist_append(curl_slist* list, const char* text) {
    return available() ? api().slist_append(list, text) : nullptr;
}
void slist_free_all(curl_slist* list) {
    if (list && available()) api().slist_free_all(list);
}
curl_version_info_data* version_info(CURLversion which) { return available() ? api().version_info(which) : nullptr; }

CURLcode easy_setopt_long(CURL* h, CURLoption option, long value) {
    return available() ? api().easy_setopt(h, option, value) : CURLE_FAILED_INIT;
}
CURLcode easy_setopt_ptr(CURL* h, CURLoption option, const void* value) {
    return available() ? api().easy_setopt(h, option, value) : CURLE_FAILED_INIT;
}
CURLcode easy_setopt_off(CURL* h, CURLoption option, curl_off_t value) {
    return available() ? api().easy_setopt(h, option, value) : CURLE_FAILED_INIT;
}
CURLcode easy_setopt_fn(CURL* h, CURLoption option, void (*value)()) {
    return available() ? api().easy_setopt(h, option, value) : CURLE_FAILED_INIT;
}

}  // namespace qx::platform::detail::curl
