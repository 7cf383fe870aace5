#pragma once
// Request header lines for libcurl, and small readers of response heads. Internal to
// platform/http.
#include "platform/http/detail/CurlApi.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qx::platform::detail {

// True for an HTTP token (a verb or a header name): visible ASCII without separators.
bool isToken(std::string_view s);

// An owned curl_slist.
class HeaderSlist {
  public:
    HeaderSlist() = default;
    ~HeaderSlist() { curl::slist_free_all(list_); }
    HeaderSlist(HeaderSlist&& o) noexcept : list_(std::exchange(o.list_, nullptr)), ok_(o.ok_) {}
    HeaderSlist(const HeaderSlist&) = delete;
    HeaderSlist& operator=(const HeaderSlist&) = delete;

    bool append(const std::string& line);
    const curl_slist* get() const { return list_; }
    bool ok() const { return ok_; }

    // Lines exactly as given ("Name:" with an empty value is sent as such), then libcurl's own Accept,
    // Expect, Content-Type and Proxy-Connection switched off unless a line sets that header.
    static HeaderSlist fromLines(const std::vector<std::string>& lines);

  private:
    curl_slist* list_ = nullptr;
    bool ok_ = true;
};

// "Name: value" lines in the order they were set.
class HeaderList {
  public:
    bool set(std::string_view name, std::string_view value);
    void clear() { lines_.clear(); }
    const std::vector<std::string>& lines() const { return lines_; }
    HeaderSlist toSlist() const { return HeaderSlist::fromLines(lines_); }

  private:
    std::vector<std::string> lines_;
};

// First value of a header in a block of CR LF lines (case-insensitive name), "" when absent.
std::string headerValue(std::string_view lines, std::string_view name);
// "OK" of "HTTP/1.1 200 OK".
std::string reasonPhrase(std::string_view statusLine);

}  // namespace qx::platform::detail
