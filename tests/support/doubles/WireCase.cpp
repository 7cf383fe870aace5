#include "support/doubles/WireCase.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qx::test {
namespace {

bool unquote(const std::string& value, std::string& out) {
    if (value.empty() || value.front() != '"') {
        out = value;
        return true;
    }
    if (value.size() < 2 || value.back() != '"') return false;
    out.clear();
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        char c = value[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= value.size() - 1) return false;
        switch (value[i]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            default:
                return false;
        }
    }
    return true;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Head lines joined with CR LF and closed by the empty line; the body after it as written.
void splitSection(const std::vector<std::string>& lines, std::string& head, std::string& body,
                  bool& hasBody) {
    head.clear();
    body.clear();
    hasBody = false;
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        if (lines[i].empty()) break;
        head += lines[i] + "\r\n";
    }
    if (i < lines.size()) {
        hasBody = true;
        for (std::size_t j = i + 1; j < lines.size(); ++j) {
            if (j > i + 1) body += '\n';
            body += lines[j];
        }
    }
}

std::string expandPadding(const std::string& text) {
    std::string out;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find("%PAD ", start);
        if (at == std::string::npos) break;
        std::size_t end = text.find('%', at + 5);
        if (end == std::string::npos) break;
        out += text.substr(start, at - start);
        out.append(std::strtoull(text.substr(at + 5, end - at - 5).c_str(), nullptr, 10), 'x');
        start = end + 1;
    }
    return out + text.substr(start);
}

bool hasHeader(const std::string& head, const std::string& name) {
    std::istringstream in(head);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < name.size() + 1) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(line[i])) ==
                   std::tolower(static_cast<unsigned char>(name[i]));
        if (same && line[name.size()] == ':') return true;
    }
    return false;
}

// Byte length of a request body once its placeholders hold their values.
std::size_t expandedLength(const std::string& body) {
    std::size_t n = body.size();
    for (auto [token, width] : {std::pair<std::string, std::size_t>{"%FRACTION%", 17}, {"%DIGITS4%", 4}}) {
        for (std::size_t at = body.find(token); at != std::string::npos; at = body.find(token, at + 1))
            n = n - token.size() + width;
    }
    return n;
}

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

bool finishSection(const std::string& kind, std::vector<std::string> lines, WireCase& c, std::string& error) {
    // Blank lines before the next section only separate; a body never ends in a line break.
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    std::string head, body;
    bool hasBody;
    splitSection(lines, head, body, hasBody);
    if (kind == "request https" || kind == "request http" || kind == "request https form" ||
        kind == "request http form") {
        WireExchange e;
        e.https = kind.rfind("request https", 0) == 0;
        e.formFields = kind.size() > 5 && kind.compare(kind.size() - 5, 5, " form") == 0;
        // A form's length is the received body's own: its encoding may differ from the case's.
        if (!e.formFields) head = replaceAll(head, "%LENGTH%", std::to_string(expandedLength(body)));
        e.request = head + "\r\n" + body;
        c.exchanges.push_back(e);
        return true;
    }
    if (kind.rfind("reply", 0) != 0) {
        error = "unknown section \"" + kind + "\"";
        return false;
    }
    if (c.exchanges.empty() || !c.exchanges.back().reply.empty() ||
        c.exchanges.back().kind != WireExchange::Reply::Bytes) {
        error = "a reply without its request";
        return false;
    }
    WireExchange& e = c.exchanges.back();
    if (kind == "reply stall") {
        e.kind = WireExchange::Reply::Stall;
    } else if (kind == "reply close") {
        e.kind = WireExchange::Reply::Close;
    } else if (kind == "reply drip") {
        e.kind = WireExchange::Reply::Drip;
        e.reply = head + "\r\n" + body;
    } else if (kind == "reply" || kind == "reply raw") {
        body = expandPadding(body);
        e.kind = kind == "reply raw" ? WireExchange::Reply::Raw : WireExchange::Reply::Bytes;
        if (e.kind == WireExchange::Reply::Bytes && !hasHeader(head, "Content-Length") &&
            !hasHeader(head, "Transfer-Encoding"))
            head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        e.reply = head + "\r\n" + body;
    } else {
        error = "unknown section \"" + kind + "\"";
        return false;
    }
    return true;
}

// One '*' or '?' free matcher: literal pieces between placeholders.
bool matchFrom(const std::string& e, std::size_t i, const std::string& r, std::size_t j) {
    while (i < e.size()) {
        if (e.compare(i, 10, "%FRACTION%") == 0) {
            if (j + 17 > r.size() || r[j] != '0') return false;
            for (std::size_t k = j + 1; k < j + 17; ++k) {
                char ch = r[k];
                if (!(std::isdigit(static_cast<unsigned char>(ch)) || ch == '.' || ch == 'e' || ch == '+' ||
                      ch == '-'))
                    return false;
            }
            i += 10;
            j += 17;
            continue;
        }
        if (e.compare(i, 9, "%DIGITS4%") == 0) {
            if (j + 4 > r.size() || r[j] < '1' || r[j] > '9') return false;
            for (std::size_t k = j + 1; k < j + 4; ++k)
                if (!std::isdigit(static_cast<unsigned char>(r[k]))) return false;
            i += 9;
            j += 4;
            continue;
        }
        if (j >= r.size() || e[i] != r[j]) return false;
        ++i;
        ++j;
    }
    return j == r.size();
}

std::string visible(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n\n    ";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

bool loadWireCase(const std::string& path, WireCase& c, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream all;
    all << in.rdbuf();
    c = WireCase{};
    std::string base = path.substr(path.find_last_of('/') + 1);
    c.name = base.substr(0, base.find('.'));

    std::string section;  // empty: the keys
    std::vector<std::string> lines;
    bool sawService = false;
    for (const std::string& raw : linesOf(all.str())) {
        if (raw.rfind("=== ", 0) == 0) {
            if (!section.empty() && !finishSection(section, lines, c, error)) return false;
            section = raw.substr(4);
            lines.clear();
            continue;
        }
        if (!section.empty()) {
            lines.push_back(raw);
            continue;
        }
        if (raw.empty() || raw[0] == '#') continue;
        std::size_t colon = raw.find(':');
        if (colon == std::string::npos) {
            error = "not a key line: " + raw;
            return false;
        }
        std::string key = raw.substr(0, colon);
        std::string value = raw.substr(colon + 1);
        if (!value.empty() && value[0] == ' ') value.erase(0, 1);
        std::string text;
        if (!unquote(value, text)) {
            error = "bad quoted value: " + raw;
            return false;
        }
        if (key == "service") {
            c.service = text;
            sawService = true;
        } else if (key == "link") {
            c.link = text;
        } else if (key == "password") {
            c.password = text;
        } else if (key == "result") {
            c.result = text;
        } else if (key == "stem") {
            c.stem = text;
        } else if (key == "connect") {
            c.refused = text == "refused";
        } else if (key == "trust") {
            c.untrusted = text == "none";
        } else if (key == "outcome" && text == "network") {
            c.networkFailure = true;
        } else {
            error = "unknown key " + key;
            return false;
        }
    }
    if (!section.empty() && !finishSection(section, lines, c, error)) return false;
    if (!sawService) {
        error = "no service";
        return false;
    }
    return true;
}

bool wireMatches(const std::string& expected, const std::string& received) {
    return matchFrom(expected, 0, received, 0);
}

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// application/x-www-form-urlencoded as a server reads it: fields at "&", name and value at the
// first "=", "+" a space, "%XX" the byte it names.
std::vector<std::pair<std::string, std::string>> formFieldsOf(const std::string& text) {
    auto decode = [](const std::string& s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '+') {
                out += ' ';
            } else if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 &&
                       hexValue(s[i + 2]) >= 0) {
                out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
                i += 2;
            } else {
                out += s[i];
            }
        }
        return out;
    };
    std::vector<std::pair<std::string, std::string>> fields;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        const std::string field = text.substr(start, end - start);
        const std::size_t eq = field.find('=');
        fields.emplace_back(decode(field.substr(0, eq)),
                            eq == std::string::npos ? "" : decode(field.substr(eq + 1)));
        start = end + 1;
    }
    return fields;
}

struct SplitRequest {
    std::string requestLine, path, query, restOfHead, body;
};

SplitRequest splitRequest(const std::string& request) {
    SplitRequest r;
    const std::size_t headEnd = request.find("\r\n\r\n");
    const std::string head = request.substr(0, headEnd == std::string::npos ? request.size() : headEnd + 4);
    r.body = headEnd == std::string::npos ? "" : request.substr(headEnd + 4);
    const std::size_t lineEnd = head.find("\r\n");
    const std::string line = head.substr(0, lineEnd);
    r.restOfHead = lineEnd == std::string::npos ? "" : head.substr(lineEnd);
    const std::size_t target = line.find(' ');
    const std::size_t version = line.rfind(' ');
    if (target == std::string::npos || version <= target) {
        r.requestLine = line;
        return r;
    }
    const std::string uri = line.substr(target + 1, version - target - 1);
    const std::size_t q = uri.find('?');
    r.requestLine = line.substr(0, target + 1) + uri.substr(0, q) + line.substr(version);
    r.query = q == std::string::npos ? "" : uri.substr(q + 1);
    return r;
}

}  // namespace

bool requestMatches(const WireExchange& exchange, const std::string& received) {
    if (!exchange.formFields) return wireMatches(exchange.request, received);
    const SplitRequest e = splitRequest(exchange.request);
    const SplitRequest r = splitRequest(received);
    const std::string expectedHead = replaceAll(e.restOfHead, "%LENGTH%", std::to_string(r.body.size()));
    return wireMatches(e.requestLine, r.requestLine) && wireMatches(expectedHead, r.restOfHead) &&
           formFieldsOf(e.query) == formFieldsOf(r.query) && formFieldsOf(e.body) == formFieldsOf(r.body);
}

std::string wireDifference(const std::string& expected, const std::string& received) {
    return "expected:\n    " + visible(expected) + "\nreceived:\n    " + visible(received);
}

}  // namespace qx::test
