#include "cli/Console.h"

#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/text/CodePage.h"
#include "platform/text/TextStream.h"
#include "text/CodePages.h"

namespace qx::cli {

namespace {

// The locale name that governs character types, as the C library picks it.
std::string localeName() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return "C";
}

// "zh_CN.GB18030@euro" -> "GB18030"; "" when the name carries none.
std::string charsetOfLocaleName(const std::string& name) {
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos) return {};
    const std::size_t at = name.find('@', dot);
    return name.substr(dot + 1, at == std::string::npos ? std::string::npos : at - dot - 1);
}

// Upper case without '-' and '_', so "utf-8", "UTF8" and "utf_8" compare equal.
std::string squeezed(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == '-' || c == '_') continue;
        out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

bool countsAsUtf8(const std::string& charset) {
    const std::string s = squeezed(charset);
    // The C locale's ASCII: scripts run there and still pass UTF-8.
    return s.empty() || s == "UTF8" || s == "ANSIX3.41968" || s == "ASCII" || s == "USASCII" || s == "C" ||
           s == "POSIX";
}

}  // namespace

void Console::claimStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        if (fd == 0) stdinClosed_ = true;
        // open() takes the lowest free number, which is this one.
        const int got = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (got != fd && got >= 0) close(got);
    }
}

bool Console::chooseCharset(std::string& unknownCharset) {
    std::string charset;
    if (std::setlocale(LC_CTYPE, "")) {
        charset = nl_langinfo(CODESET);
    } else {
        // A locale this system does not have still says what the terminal speaks.
        charset = charsetOfLocaleName(localeName());
    }
    if (countsAsUtf8(charset)) {
        utf8_ = true;
        charset_ = "UTF-8";
        return true;
    }
    if (!platform::charsetKnown(charset)) {
        unknownCharset = charset;
        return false;
    }
    utf8_ = false;
    charset_ = charset;
    return true;
}

bool Console::toText(std::string_view bytes, Text& out) const {
    if (utf8_) {
        if (!isValidUtf8(bytes)) return false;
        out = utf8ToText(bytes);
        return true;
    }
    std::u16string units;
    if (!platform::bytesToText(bytes, charset_, units)) return false;
    out = platform::encodeCodePage(units, 936);
    return true;
}

std::string Console::toTerminal(std::string_view utf8) const {
    if (utf8_) return std::string(utf8);
    std::string out;
    if (!platform::textToBytes(platform::utf8ToUtf16(utf8), charset_, out)) return std::string(utf8);
    return out;
}

Console::InputState Console::readStandardInput(std::string& bytes) {
    bytes.clear();
    if (stdinClosed_) return InputState::Closed;
    if (stdinRead_) return InputState::Read;  // already drained: nothing more comes
    stdinRead_ = true;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(0, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            return InputState::Read;
        } else if (errno != EINTR) {
            return errno == EBADF ? InputState::Closed : InputState::Failed;
        }
    }
}

bool Console::stdoutIsTerminal() const { return isatty(1) == 1; }
bool Console::stderrIsTerminal() const { return isatty(2) == 1; }

bool Console::writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void Console::printOut(std::string_view utf8) const { writeAll(1, toTerminal(utf8)); }
void Console::printError(std::string_view utf8) const { writeAll(2, toTerminal(utf8)); }

ProgressLine::ProgressLine(const Console& console, bool enabled)
    : console_(console), enabled_(enabled && console.stdoutIsTerminal() && console.stderrIsTerminal()) {}

ProgressLine::~ProgressLine() { finish(); }

void ProgressLine::show(std::string_view utf8, bool force) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && shown_ && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    shown_ = true;
    // Back to the line's start, the text, the rest of the old line erased.
    console_.printError("\r" + std::string(utf8) + "\x1b[K");
}

void ProgressLine::finish(bool keep) {
    if (!enabled_ || !shown_) return;
    shown_ = false;
    console_.printError(keep ? "\n" : "\r\x1b[K");
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length;
        unsigned min;
        unsigned code;
        if ((b & 0xE0) == 0xC0) {
            length = 2, min = 0x80, code = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, min = 0x800, code = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, min = 0x10000, code = b & 0x07;
        } else {
            return false;
        }
        if (i + length > n) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            code = (code << 6) | (c & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

std::string byteSizeText(double bytes) {
    // to_chars writes the point whatever the locale says.
    auto fixed = [](double v, int digits, const char* unit) {
        char buffer[64];
        const auto end =
            std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, digits).ptr;
        return std::string(buffer, end) + unit;
    };
    if (bytes >= 1024.0 * 1024.0) return fixed(bytes / (1024.0 * 1024.0), 1, " MB");
    if (bytes >= 1024.0) return fixed(bytes / 1024.0, 1, " KB");
    return fixed(bytes, 0, " B");
}

}  // namespace qx::cli
