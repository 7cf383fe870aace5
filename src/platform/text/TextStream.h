#pragma once
// The text stream of the scripting runtime ("Adodb.Stream"), as its callers use it: bytes are
// written in binary mode, the position is set back to 0, and the stream is read as text in a
// named charset. Charset names are the HTML/MIME names ICU knows; "unicode" is UTF-16LE.
#include <cstddef>
#include <string>
#include <string_view>

namespace qx::platform {

class TextStream {
  public:
    static constexpr int kBinary = 1;
    static constexpr int kText = 2;

    // The type may change only at position 0, as the original stream demands.
    bool setType(int type);
    int type() const { return type_; }
    // False (and the charset kept) when no converter of that name exists.
    bool setCharset(std::string_view name);
    const std::string& charset() const { return charset_; }

    bool open();
    void close();  // drops the content
    bool isOpen() const { return open_; }

    // Binary mode: writes at the position, overwriting and extending.
    bool write(std::string_view bytes);
    bool setPosition(std::size_t position);  // at most the size
    std::size_t position() const { return position_; }
    std::size_t size() const { return bytes_.size(); }
    // Binary mode: the bytes from the position to the end; the position moves to the end.
    std::string read();

    // Text mode: the bytes from the position to the end decoded in the charset (a byte-order mark
    // at the very start is skipped); the position moves to the end. False on a closed stream or in
    // binary mode.
    bool readText(std::u16string& out);
    // Text mode: writes the text encoded in the charset at the position (no byte-order mark);
    // whatever followed is dropped.
    bool writeText(std::u16string_view text);

  private:
    std::string bytes_;
    std::size_t position_ = 0;
    int type_ = kBinary;
    std::string charset_ = "unicode";
    bool open_ = false;
};

// One-shot forms of the same conversions. False when the charset is unknown.
bool bytesToText(std::string_view bytes, std::string_view charset, std::u16string& out);
bool textToBytes(std::u16string_view text, std::string_view charset, std::string& out);
// True when a converter of that name exists.
bool charsetKnown(std::string_view charset);

}  // namespace qx::platform
