// Body text as a browser's innerText/outerText gives it with the default style sheet only: the
// rendered-text collection of the HTML standard, with CSS white-space collapsing. The tree is
// walked with an explicit stack, so any depth is safe.
#include "platform/html/RenderedText.h"

#include <gumbo.h>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/library/SharedLibrary.h"
#include "platform/text/Ascii.h"
#include "platform/text/CodePage.h"

namespace qx::platform {
namespace {

struct Gumbo : Imports {
    Gumbo() : Imports(QX_GUMBO_SONAME) {}
    QX_IMPORT(gumbo_parse_with_options);
    QX_IMPORT(gumbo_get_attribute);
    QX_IMPORT(gumbo_tag_from_original_text);
    const GumboOptions* defaults = take<const GumboOptions*>("kGumboDefaultOptions");
};

// Only called while a parsed tree is walked, so the library is there.
const Gumbo& gumbo() { return *imported<Gumbo>(); }

// Gumbo frees its tree recursively; every block is kept on a list instead and freed in one loop.
struct alignas(16) BlockHeader {
    BlockHeader* prev;
    BlockHeader* next;
};

struct BlockList {
    BlockHeader head{&head, &head};

    ~BlockList() {
        BlockHeader* b = head.next;
        while (b != &head) {
            BlockHeader* next = b->next;
            std::free(b);
            b = next;
        }
    }
};

void* allocateBlock(void* userdata, size_t size) {
    auto* list = static_cast<BlockList*>(userdata);
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!block) std::abort();  // Gumbo cannot recover from a failed allocation
    block->prev = &list->head;
    block->next = list->head.next;
    list->head.next->prev = block;
    list->head.next = block;
    return block + 1;
}

void freeBlock(void*, void* ptr) {
    if (!ptr) return;
    auto* block = static_cast<BlockHeader*>(ptr) - 1;
    block->prev->next = block->next;
    block->next->prev = block->prev;
    std::free(block);
}

enum class Kind { Inline, Hidden, Block, Paragraph, Row, Cell, Break, Atomic };

bool hasAttribute(const GumboElement& e, const char* name) {
    return gumbo().gumbo_get_attribute(&e.attributes, name) != nullptr;
}

std::string unknownTagName(const GumboElement& e) {
    GumboStringPiece piece = e.original_tag;
    gumbo().gumbo_tag_from_original_text(&piece);
    return toLowerAscii(std::string_view(piece.data, piece.length));
}

Kind kindOf(const GumboNode* node) {
    const GumboElement& e = node->v.element;
    if (hasAttribute(e, "hidden")) return Kind::Hidden;
    switch (e.tag) {
        case GUMBO_TAG_HEAD:
        case GUMBO_TAG_TITLE:
        case GUMBO_TAG_BASE:
        case GUMBO_TAG_LINK:
        case GUMBO_TAG_META:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_NOSCRIPT:
        case GUMBO_TAG_TEMPLATE:
        case GUMBO_TAG_BASEFONT:
        case GUMBO_TAG_NOEMBED:
        case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_PARAM:
        case GUMBO_TAG_RP:
        case GUMBO_TAG_DATALIST:
        case GUMBO_TAG_AREA:
        case GUMBO_TAG_DESC:
        case GUMBO_TAG_COLGROUP:
        case GUMBO_TAG_COL:
        case GUMBO_TAG_SOURCE:
        case GUMBO_TAG_TRACK:
            return Kind::Hidden;
        case GUMBO_TAG_INPUT: {
            const GumboAttribute* type = gumbo().gumbo_get_attribute(&e.attributes, "type");
            if (type && strcasecmp(type->value, "hidden") == 0) return Kind::Hidden;
            return Kind::Atomic;
        }
        case GUMBO_TAG_BR:
            return Kind::Break;
        case GUMBO_TAG_P:
            return Kind::Paragraph;
        case GUMBO_TAG_TR:
            return Kind::Row;
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
            return Kind::Cell;
        case GUMBO_TAG_IMG:
        case GUMBO_TAG_IMAGE:
        case GUMBO_TAG_TEXTAREA:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_VIDEO:
        case GUMBO_TAG_AUDIO:
        case GUMBO_TAG_CANVAS:
        case GUMBO_TAG_EMBED:
        case GUMBO_TAG_OBJECT:  // a replaced element: its fallback content is not rendered
        case GUMBO_TAG_KEYGEN:
        case GUMBO_TAG_METER:
        case GUMBO_TAG_PROGRESS:
            return Kind::Atomic;
        case GUMBO_TAG_HTML:
        case GUMBO_TAG_BODY:
        case GUMBO_TAG_ADDRESS:
        case GUMBO_TAG_ARTICLE:
        case GUMBO_TAG_ASIDE:
        case GUMBO_TAG_BLOCKQUOTE:
        case GUMBO_TAG_CENTER:
        case GUMBO_TAG_DIV:
        case GUMBO_TAG_FIGURE:
        case GUMBO_TAG_FIGCAPTION:
        case GUMBO_TAG_FOOTER:
        case GUMBO_TAG_FORM:
        case GUMBO_TAG_HEADER:
        case GUMBO_TAG_HR:
        case GUMBO_TAG_LEGEND:
        case GUMBO_TAG_LISTING:
        case GUMBO_TAG_MAIN:
        case GUMBO_TAG_NAV:
        case GUMBO_TAG_PLAINTEXT:
        case GUMBO_TAG_PRE:
        case GUMBO_TAG_SECTION:
        case GUMBO_TAG_XMP:
        case GUMBO_TAG_H1:
        case GUMBO_TAG_H2:
        case GUMBO_TAG_H3:
        case GUMBO_TAG_H4:
        case GUMBO_TAG_H5:
        case GUMBO_TAG_H6:
        case GUMBO_TAG_HGROUP:
        case GUMBO_TAG_DIR:
        case GUMBO_TAG_DD:
        case GUMBO_TAG_DL:
        case GUMBO_TAG_DT:
        case GUMBO_TAG_MENU:
        case GUMBO_TAG_OL:
        case GUMBO_TAG_UL:
        case GUMBO_TAG_LI:
        case GUMBO_TAG_FIELDSET:
        case GUMBO_TAG_DETAILS:
        case GUMBO_TAG_SUMMARY:
        case GUMBO_TAG_TABLE:
        case GUMBO_TAG_CAPTION:
        case GUMBO_TAG_FRAMESET:
        case GUMBO_TAG_FRAME:
        case GUMBO_TAG_OPTGROUP:
        case GUMBO_TAG_OPTION:
            return Kind::Block;
        case GUMBO_TAG_UNKNOWN: {
            // Tags newer than the parser's table.
            std::string name = unknownTagName(e);
            if (name == "dialog") return hasAttribute(e, "open") ? Kind::Block : Kind::Hidden;
            if (name == "search") return Kind::Block;
            return Kind::Inline;
        }
        default:
            return Kind::Inline;
    }
}

bool isPreformatted(GumboTag tag) {
    return tag == GUMBO_TAG_PRE || tag == GUMBO_TAG_LISTING || tag == GUMBO_TAG_XMP ||
           tag == GUMBO_TAG_PLAINTEXT;
}

// Whitespace between table parts or options generates no box.
bool dropsWhitespace(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_TABLE:
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TFOOT:
        case GUMBO_TAG_TR:
        case GUMBO_TAG_SELECT:
        case GUMBO_TAG_OPTGROUP:
            return true;
        default:
            return false;
    }
}

// A list box draws only its options: text directly inside it or inside a group of options
// generates no box.
bool dropsText(GumboTag tag) { return tag == GUMBO_TAG_SELECT || tag == GUMBO_TAG_OPTGROUP; }

bool isElement(const GumboNode* n) { return n->type == GUMBO_NODE_ELEMENT || n->type == GUMBO_NODE_TEMPLATE; }

const GumboNode* lastChildWithTag(const GumboNode* parent, GumboTag a, GumboTag b) {
    const GumboVector& kids = parent->v.element.children;
    for (unsigned k = kids.length; k-- > 0;) {
        auto* n = static_cast<const GumboNode*>(kids.data[k]);
        if (isElement(n) && (n->v.element.tag == a || n->v.element.tag == b) && kindOf(n) != Kind::Hidden)
            return n;
    }
    return nullptr;
}

const GumboNode* lastRowOf(const GumboNode* table) {
    const GumboVector& kids = table->v.element.children;
    for (unsigned k = kids.length; k-- > 0;) {
        auto* n = static_cast<const GumboNode*>(kids.data[k]);
        if (!isElement(n) || kindOf(n) == Kind::Hidden) continue;
        GumboTag tag = n->v.element.tag;
        if (tag == GUMBO_TAG_TR) return n;
        if (tag == GUMBO_TAG_TBODY || tag == GUMBO_TAG_THEAD || tag == GUMBO_TAG_TFOOT) {
            if (const GumboNode* row = lastChildWithTag(n, GUMBO_TAG_TR, GUMBO_TAG_TR)) return row;
        }
    }
    return nullptr;
}

const GumboNode* firstSummaryOf(const GumboNode* details) {
    const GumboVector& kids = details->v.element.children;
    for (unsigned k = 0; k < kids.length; ++k) {
        auto* n = static_cast<const GumboNode*>(kids.data[k]);
        if (isElement(n) && n->v.element.tag == GUMBO_TAG_SUMMARY) return n;
    }
    return nullptr;
}

// The output as a sequence of strings and required line-break counts: counts between strings
// collapse to their maximum, counts at either end vanish.
class TextCollector {
  public:
    void boundary(int lineBreaks) {
        pendingSpace_ = false;
        lineStart_ = true;
        if (started_) pendingBreaks_ = std::max(pendingBreaks_, lineBreaks);
    }

    void lineBreak() {
        pendingSpace_ = false;
        emit("\n");
        lineStart_ = true;
    }

    void endCell(bool last) {
        pendingSpace_ = false;
        if (!last) emit("\t");
        lineStart_ = true;
    }

    void endRow(bool last) {
        pendingSpace_ = false;
        if (!last) emit("\n");
        lineStart_ = true;
    }

    void startCell() {
        pendingSpace_ = false;
        lineStart_ = true;
    }

    // An image or a form control: nothing to read, but spaces on both sides stay apart.
    void atomic() {
        if (pendingSpace_) emit(" ");
        pendingSpace_ = false;
        lineStart_ = false;
    }

    void text(std::string_view s, bool preformatted) {
        if (s.empty()) return;
        if (preformatted) {
            pendingSpace_ = false;
            emit(s);
            lineStart_ = s.back() == '\n';
            return;
        }
        std::size_t k = 0;
        while (k < s.size()) {
            if (isCollapsible(s[k])) {
                if (!lineStart_) pendingSpace_ = true;
                ++k;
                continue;
            }
            std::size_t end = k;
            while (end < s.size() && !isCollapsible(s[end])) ++end;
            if (pendingSpace_) emit(" ");
            pendingSpace_ = false;
            emit(s.substr(k, end - k));
            lineStart_ = false;
            k = end;
        }
    }

    std::string take() { return std::move(out_); }

  private:
    static bool isCollapsible(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

    void emit(std::string_view s) {
        if (pendingBreaks_ > 0) out_.append(static_cast<std::size_t>(pendingBreaks_), '\n');
        pendingBreaks_ = 0;
        out_.append(s);
        started_ = true;
    }

    std::string out_;
    int pendingBreaks_ = 0;
    bool started_ = false;
    bool lineStart_ = true;
    bool pendingSpace_ = false;
};

struct Frame {
    const GumboNode* node;
    unsigned next = 0;
    Kind kind = Kind::Inline;
    bool preformatted = false;
    bool dropWhitespace = false;
    bool dropText = false;
    bool last = false;                        // last cell of its row / last row of its table
    const GumboNode* tableLastRow = nullptr;  // of the nearest table around
    const GumboNode* rowLastCell = nullptr;   // of this row
    const GumboNode* onlyChild = nullptr;     // a closed <details> shows its summary only
    bool closedDetails = false;
};

std::string collect(const GumboNode* root) {
    TextCollector out;
    std::vector<Frame> stack;
    Frame top{root};
    top.dropWhitespace = false;
    stack.push_back(top);

    while (!stack.empty()) {
        Frame& f = stack.back();
        const GumboVector& kids = f.node->v.element.children;
        if (f.next >= kids.length) {
            switch (f.kind) {
                case Kind::Block:
                    out.boundary(1);
                    break;
                case Kind::Paragraph:
                    out.boundary(2);
                    break;
                case Kind::Cell:
                    out.endCell(f.last);
                    break;
                case Kind::Row:
                    out.endRow(f.last);
                    break;
                default:
                    break;
            }
            stack.pop_back();
            continue;
        }
        auto* child = static_cast<const GumboNode*>(kids.data[f.next++]);
        if (f.closedDetails && child != f.onlyChild) continue;
        switch (child->type) {
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_CDATA:
                if (!f.dropText) out.text(child->v.text.text, f.preformatted);
                continue;
            case GUMBO_NODE_WHITESPACE:
                if (!f.dropWhitespace) out.text(child->v.text.text, f.preformatted);
                continue;
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE:
                break;
            default:
                continue;  // comments
        }
        Kind kind = kindOf(child);
        if (kind == Kind::Hidden) continue;
        if (kind == Kind::Break) {
            out.lineBreak();
            continue;
        }
        if (kind == Kind::Atomic) {
            out.atomic();
            continue;
        }
        GumboTag tag = child->v.element.tag;
        Frame next{child};
        next.kind = kind;
        next.preformatted = f.preformatted || isPreformatted(tag);
        next.dropWhitespace = dropsWhitespace(tag);
        next.dropText = dropsText(tag);
        next.tableLastRow = tag == GUMBO_TAG_TABLE ? lastRowOf(child) : f.tableLastRow;
        if (kind == Kind::Row) {
            next.last = child == f.tableLastRow;
            next.rowLastCell = lastChildWithTag(child, GUMBO_TAG_TD, GUMBO_TAG_TH);
        } else if (kind == Kind::Cell) {
            next.last = child == f.rowLastCell;
        }
        if (tag == GUMBO_TAG_DETAILS && !hasAttribute(child->v.element, "open")) {
            next.closedDetails = true;
            next.onlyChild = firstSummaryOf(child);
        }
        switch (kind) {
            case Kind::Block:
                out.boundary(1);
                break;
            case Kind::Paragraph:
                out.boundary(2);
                break;
            case Kind::Cell:
                out.startCell();
                break;
            default:
                break;
        }
        stack.push_back(next);  // `f` is not used past this point
    }
    return out.take();
}

}  // namespace

bool renderedBodyText(std::string_view utf8Html, std::string& utf8Text) {
    utf8Text.clear();
    const Gumbo* parser = imported<Gumbo>();
    if (!parser || utf8Html.size() > kMaxHtmlBytes) return false;
    std::string bounded = boundMarkup(utf8Html);
    BlockList blocks;
    GumboOptions options = *parser->defaults;
    options.allocator = allocateBlock;
    options.deallocator = freeBlock;
    options.userdata = &blocks;
    options.max_errors = 0;  // errors are not read; do not keep them
    options.fragment_context = GUMBO_TAG_BODY;
    options.fragment_namespace = GUMBO_NAMESPACE_HTML;
    GumboOutput* output = parser->gumbo_parse_with_options(&options, bounded.data(), bounded.size());
    if (!output || !output->root || !isElement(output->root)) return false;
    utf8Text = collect(output->root);
    // The tree goes with `blocks`; gumbo_destroy_output would recurse over it.
    return true;
}

bool bodyOuterText(std::string_view gbkHtml, std::string& gbkText) {
    gbkText.clear();
    std::string utf8;
    if (!renderedBodyText(utf16ToUtf8(decodeCodePage(gbkHtml, 936)), utf8)) return false;
    std::string windows;
    windows.reserve(utf8.size() + utf8.size() / 16);
    for (std::size_t k = 0; k < utf8.size(); ++k) {
        char c = utf8[k];
        if (c == '\n') {
            windows += "\r\n";
        } else if (c == '\xC2' && k + 1 < utf8.size() && utf8[k + 1] == '\xA0') {
            windows += ' ';  // the document gives a no-break space as a plain one
            ++k;
        } else if (c != '\0') {
            windows += c;
        }
    }
    gbkText = encodeCodePage(utf8ToUtf16(windows), 936);
    return true;
}

}  // namespace qx::platform
