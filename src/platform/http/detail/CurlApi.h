#pragma once
// libcurl, loaded on first use rather than at start-up: its library and the dozens it pulls in
// (TLS, GSSAPI, LDAP, ...) cost the main window's first paint a good part of its time, and the
// first request runs on a worker anyway. When the library cannot be loaded every call fails
// cleanly (no handle, an error code), so every transfer ends as a failure. Internal to
// platform/http.
#include <curl/curl.h>

#include <type_traits>

namespace qx::platform::detail::curl {

// True once libcurl is loaded and initialised (loads it on the first call).
bool available();

CURL* easy_init();
void easy_cleanup(CURL* h);
void easy_reset(CURL* h);
CURLcode easy_getinfo_ptr(CURL* h, CURLINFO info, void* out);
const char* easy_strerror(CURLcode code);
CURLM* multi_init();
CURLMcode multi_cleanup(CURLM* m);
CURLMcode multi_add_handle(CURLM* m, CURL* h);
CURLMcode multi_remove_handle(CURLM* m, CURL* h);
CURLMcode multi_perform(CURLM* m, int* running);
CURLMcode multi_poll(CURLM* m, struct curl_waitfd* fds, unsigned int n, int timeoutMs, int* ret);
CURLMcode multi_wakeup(CURLM* m);
CURLMcode multi_setopt_long(CURLM* m, CURLMoption option, long value);
CURLMsg* multi_info_read(CURLM* m, int* left);
curl_slist* slist_append(curl_slist* list, const char* text);
void slist_free_all(curl_slist* list);
curl_version_info_data* version_info(CURLversion which);
CURLSH* share_init();
CURLSHcode share_setopt_long(CURLSH* s, CURLSHoption option, long value);
CURLSHcode share_setopt_fn(CURLSH* s, CURLSHoption option, void (*value)());

// Every option value libcurl takes is a long, a pointer, a curl_off_t or a function pointer.
CURLcode easy_setopt_long(CURL* h, CURLoption option, long value);
CURLcode easy_setopt_ptr(CURL* h, CURLoption option, const void* value);
CURLcode easy_setopt_off(CURL* h, CURLoption option, curl_off_t value);
CURLcode easy_setopt_fn(CURL* h, CURLoption option, void (*value)());

template <typename T>
CURLcode easy_setopt(CURL* h, CURLoption option, T value) {
    if constexpr (std::is_same_v<T, curl_off_t> && !std::is_same_v<curl_off_t, long>) {
        return easy_setopt_off(h, option, value);
    } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
        return easy_setopt_long(h, option, static_cast<long>(value));
    } else if constexpr (std::is_pointer_v<T> && std::is_function_v<std::remove_pointer_t<T>>) {
        return easy_setopt_fn(h, option, reinterpret_cast<void (*)()>(value));
    } else if constexpr (std::is_null_pointer_v<T>) {
        return easy_setopt_ptr(h, option, nullptr);
    } else {
        return easy_setopt_ptr(h, option, static_cast<const void*>(value));
    }
}

template <typename T>
CURLcode easy_getinfo(CURL* h, CURLINFO info, T* out) {
    return easy_getinfo_ptr(h, info, static_cast<void*>(out));
}

}  // namespace qx::platform::detail::curl
