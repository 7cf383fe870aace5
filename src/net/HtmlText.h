#pragma once
// HTML pages turned into plain text: the document's rendered text, a regex strip and, as a last
// resort, the page's Chinese characters.
#include "core/Text.h"

namespace qx::net {

// What the request tester shows when a request returned nothing; the "取文本" toggle compares the
// response box with it.
const Text& emptyPageNotice();

// The text of the HTML as a browser's document renders it (CR LF line breaks); empty on failure.
Text htmlDocumentText(const Text& html);
// The HTML with script blocks, style blocks, tags and entities of up to eight characters deleted.
Text stripHtmlByRegex(const Text& html);
// Only the GB2312 Chinese characters of the text, in order.
Text extractChineseCharacters(const Text& text);

}  // namespace qx::net
