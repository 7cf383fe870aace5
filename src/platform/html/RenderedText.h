#pragma once
// The HTML document as the program uses it: a fragment is set as a body's innerHTML and the
// body's outerText is read back, as a browser renders it without style sheets. Scripts, styles,
// head content and comments give no text; blocks are separated by line breaks, <p> paragraphs by
// a blank line, table cells by tabs and rows by line breaks; whitespace collapses as browsers
// collapse it and entities are decoded.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/html/MarkupBound.h"

namespace qx::platform {

// The parser's tree takes some 40 bytes per byte of markup; larger pages are refused rather than
// risking the process's memory.
constexpr std::size_t kMaxHtmlBytes = std::size_t{16} << 20;

// UTF-8 in, UTF-8 out with LF line breaks (U+00A0 kept as it is). False when parsing failed or the
// markup is longer than kMaxHtmlBytes.
bool renderedBodyText(std::string_view utf8Html, std::string& utf8Text);

// The program's form: GBK in, GBK out with CR LF line breaks and U+00A0 as a plain space.
bool bodyOuterText(std::string_view gbkHtml, std::string& gbkText);

}  // namespace qx::platform
