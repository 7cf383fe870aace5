#include "platform/http/detail/CurlApi.h"

#include "platform/library/SharedLibrary.h"

namespace qx::platform::detail::curl {

namespace {

struct Api : Imports {
    Api() : Imports("libcurl.so.4") {
        // The library stays loaded for the process's life: handles may live until its end.
        initialised = complete() && curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }
    QX_IMPORT(curl_global_init);
    QX_IMPORT(curl_easy_init);
    QX_IMPORT(curl_easy_cleanup);
    QX_IMPORT(curl_easy_reset);
    QX_IMPORT(curl_easy_setopt);
    QX_IMPORT(curl_easy_getinfo);
    QX_IMPORT(curl_easy_strerror);
    QX_IMPORT(curl_multi_init);
    QX_IMPORT(curl_multi_cleanup);
    QX_IMPORT(curl_multi_add_handle);
    QX_IMPORT(curl_multi_remove_handle);
    QX_IMPORT(curl_multi_perform);
    QX_IMPORT(curl_multi_poll);
    QX_IMPORT(curl_multi_wakeup);
    QX_IMPORT(curl_multi_setopt);
    QX_IMPORT(curl_multi_info_read);
    QX_IMPORT(curl_slist_append);
    QX_IMPORT(curl_slist_free_all);
    QX_IMPORT(curl_version_info);
    QX_IMPORT(curl_share_init);
    QX_IMPORT(curl_share_setopt);
    bool initialised = false;
};

const Api& api() { return *imported<Api>(); }

}  // namespace

bool available() {
    const Api* a = imported<Api>();
    return a && a->initialised;
}

CURL* easy_init() { return available() ? api().curl_easy_init() : nullptr; }
void easy_cleanup(CURL* h) {
    if (h && available()) api().curl_easy_cleanup(h);
}
void easy_reset(CURL* h) {
    if (h && available()) api().curl_easy_reset(h);
}
CURLcode easy_getinfo_ptr(CURL* h, CURLINFO info, void* out) {
    return available() ? (api().curl_easy_getinfo)(h, info, out) : CURLE_FAILED_INIT;
}
const char* easy_strerror(CURLcode code) {
    return available() ? api().curl_easy_strerror(code) : "the network library could not be loaded";
}
CURLM* multi_init() { return available() ? api().curl_multi_init() : nullptr; }
CURLMcode multi_cleanup(CURLM* m) { return available() ? api().curl_multi_cleanup(m) : CURLM_BAD_HANDLE; }
CURLMcode multi_add_handle(CURLM* m, CURL* h) {
    return available() ? api().curl_multi_add_handle(m, h) : CURLM_BAD_HANDLE;
}
CURLMcode multi_remove_handle(CURLM* m, CURL* h) {
    return available() ? api().curl_multi_remove_handle(m, h) : CURLM_BAD_HANDLE;
}
CURLMcode multi_perform(CURLM* m, int* running) {
    return available() ? api().curl_multi_perform(m, running) : CURLM_BAD_HANDLE;
}
CURLMcode multi_poll(CURLM* m, struct curl_waitfd* fds, unsigned int n, int timeoutMs, int* ret) {
    return available() ? api().curl_multi_poll(m, fds, n, timeoutMs, ret) : CURLM_BAD_HANDLE;
}
CURLMcode multi_wakeup(CURLM* m) { return available() ? api().curl_multi_wakeup(m) : CURLM_BAD_HANDLE; }
CURLMcode multi_setopt_long(CURLM* m, CURLMoption option, long value) {
    return available() ? (api().curl_multi_setopt)(m, option, value) : CURLM_BAD_HANDLE;
}
CURLMsg* multi_info_read(CURLM* m, int* left) {
    return available() ? api().curl_multi_info_read(m, left) : nullptr;
}
curl_slist* slist_append(curl_slist* list, const char* text) {
    return available() ? api().curl_slist_append(list, text) : nullptr;
}
void slist_free_all(curl_slist* list) {
    if (list && available()) api().curl_slist_free_all(list);
}
curl_version_info_data* version_info(CURLversion which) {
    return available() ? api().curl_version_info(which) : nullptr;
}
CURLSH* share_init() { return available() ? api().curl_share_init() : nullptr; }
CURLSHcode share_setopt_long(CURLSH* s, CURLSHoption option, long value) {
    return available() ? (api().curl_share_setopt)(s, option, value) : CURLSHE_NOT_BUILT_IN;
}
CURLSHcode share_setopt_fn(CURLSH* s, CURLSHoption option, void (*value)()) {
    return available() ? (api().curl_share_setopt)(s, option, value) : CURLSHE_NOT_BUILT_IN;
}

CURLcode easy_setopt_long(CURL* h, CURLoption option, long value) {
    return available() ? (api().curl_easy_setopt)(h, option, value) : CURLE_FAILED_INIT;
}
CURLcode easy_setopt_ptr(CURL* h, CURLoption option, const void* value) {
    return available() ? (api().curl_easy_setopt)(h, option, value) : CURLE_FAILED_INIT;
}
CURLcode easy_setopt_off(CURL* h, CURLoption option, curl_off_t value) {
    return available() ? (api().curl_easy_setopt)(h, option, value) : CURLE_FAILED_INIT;
}
CURLcode easy_setopt_fn(CURL* h, CURLoption option, void (*value)()) {
    return available() ? (api().curl_easy_setopt)(h, option, value) : CURLE_FAILED_INIT;
}

}  // namespace qx::platform::detail::curl
