#pragma once
// The boundary between the terminal and the program's GBK texts: the terminal's charset, the
// arguments and standard input turned into texts, texts turned back for standard output and
// standard error, and the progress line.
#include <chrono>
#include <string>
#include <string_view>

#include "core/Text.h"

namespace qx::cli {

class Console {
  public:
    // Makes sure descriptors 0, 1 and 2 are open (a closed one gets /dev/null, so that no file
    // this run opens can take its number) and remembers which were closed. Call it first.
    void claimStandardStreams();

    // Reads the charset from the locale (LC_ALL, LC_CTYPE, LANG). The C locale counts as UTF-8,
    // as the bytes scripts pass are. False, with the charset's name, when it is neither UTF-8
    // nor one the converters know.
    bool chooseCharset(std::string& unknownCharset);
    bool utf8() const { return utf8_; }
    const std::string& charset() const { return charset_; }

    // Terminal bytes to a GBK text. False when the bytes are not valid in the terminal's charset
    // (checked for UTF-8, where a wrong byte would otherwise become a silent '?').
    bool toText(std::string_view bytes, Text& out) const;
    // UTF-8 to the terminal's charset (a character it cannot hold becomes '?').
    std::string toTerminal(std::string_view utf8) const;

    // Standard input, read once to its end. Closed: standard input was closed when the run began.
    enum class InputState { Read, Closed, Failed };
    InputState readStandardInput(std::string& bytes);
    bool stdinWasClosed() const { return stdinClosed_; }

    bool stdoutIsTerminal() const;
    bool stderrIsTerminal() const;

    // Writes all bytes; false when the stream refused them (a closed pipe, a full disk).
    static bool writeAll(int fd, std::string_view bytes);
    void printOut(std::string_view utf8) const;  // standard output, in the terminal's charset
    void printError(std::string_view utf8) const;

  private:
    bool utf8_ = true;
    std::string charset_ = "UTF-8";
    bool stdinClosed_ = false;
    bool stdinRead_ = false;
};

// One line on standard error that rewrites itself; only when both standard output and standard
// error are terminals (and the run is not writing JSON). Updates come at most five times a second.
class ProgressLine {
  public:
    ProgressLine(const Console& console, bool enabled);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool enabled() const { return enabled_; }
    // Shows the text unless the last update is too recent (force: always).
    void show(std::string_view utf8, bool force = false);
    // Clears the line (or, with keep, ends it so it stays on the screen).
    void finish(bool keep = false);

  private:
    const Console& console_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_ {};
};

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view bytes);

// "12.3 MB", "456 KB", "789 B".
std::string byteSizeText(double bytes);

}  // namespace qx::cli
