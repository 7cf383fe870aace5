#include "platform/http/detail/HeaderList.h"
#include "platform/text/Ascii.h"

namespace qx::platform::detail {

namespace {


std::string_view nameOf(std::string_view line) {
    std::size_t colon = line.find(':');
    std::string_view name = line.substr(0, colon == std::string_view::npos ? line.size() : colon);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    return name;
}

bool hasLineFor(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines)
        if (equalsIgnoreCaseAscii(nameOf(line), name)) return true;
    return false;
}

}  // namespace

bool isToken(std::string_view s) {
    if (s.empty()) return false;
    for (unsigned char c : s) {
        if (c <= 0x20 || c >= 0x7F) return false;
        if (std::string_view("()<>@,;:\\\"/[]?={}").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    }
    return true;
}

bool HeaderSlist::append(const std::string& line) {
    curl_slist* next = curl::slist_append(list_, line.c_str());
    if (!next) {
        ok_ = false;
        return false;
    }
    list_ = next;
    return true;
}

HeaderSlist HeaderSlist::fromLines(const std::vector<std::string>& lines) {
    HeaderSlist out;
    for (const std::string& line : lines) {
        // libcurl reads "Name:" with nothing after it as "do not send"; "Name;" sends it empty.
        std::size_t colon = line.find(':');
        if (colon != std::string::npos && line.find_first_not_of(" \t", colon + 1) == std::string::npos) {
            out.append(std::string(nameOf(line)) + ";");
        } else {
            out.append(line);
        }
    }
    for (const char* name : {"Accept", "Expect", "Content-Type", "Proxy-Connection"})
        if (!hasLineFor(lines, name)) out.append(std::string(name) + ":");
    return out;
}

bool HeaderList::set(std::string_view name, std::string_view value) {
    if (!isToken(name)) return false;
    if (value.find_first_of("\r\n") != std::string_view::npos || value.find('\0') != std::string_view::npos)
        return false;
    if (value.empty()) {
        std::erase_if(lines_, [&](const std::string& line) { return equalsIgnoreCaseAscii(nameOf(line), name); });
        return true;
    }
    lines_.push_back(std::string(name) + ": " + std::string(value));
    return true;
}

std::string headerValue(std::string_view lines, std::string_view name) {
    while (!lines.empty()) {
        std::size_t end = lines.find("\r\n");
        std::string_view line = lines.substr(0, end);
        std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && equalsIgnoreCaseAscii(nameOf(line), name)) {
            std::string_view value = line.substr(colon + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
            return std::string(value);
        }
        if (end == std::string_view::npos) break;
        lines.remove_prefix(end + 2);
    }
    return {};
}

std::string reasonPhrase(std::string_view statusLine) {
    std::size_t first = statusLine.find(' ');
    if (first == std::string_view::npos) return {};
    std::size_t second = statusLine.find(' ', first + 1);
    if (second == std::string_view::npos) return {};
    return std::string(statusLine.substr(second + 1));
}

}  // namespace qx::platform::detail
