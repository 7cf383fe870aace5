// A light tokenizer that follows the tree builder's stack of open elements closely enough to know
// when the markup nests deeper than a browser would build it. Gumbo has no such cap, and its scope
// checks walk the whole stack, so 100 000 nested <div> would take many seconds and a 5 MB page of
// them hours. Below the cap the text passes through unchanged, except that <html> start tags (which
// would only merge attributes into the root, one linear search each) are dropped.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/html/MarkupBound.h"
#include "platform/text/Ascii.h"

namespace qx::platform {
namespace {

using NameSet = std::unordered_set<std::string_view>;

const NameSet& voidElements() {
    static const NameSet set = {"area",  "base",  "basefont", "bgsound", "br",    "col",    "embed",
                                "frame", "hr",    "image",    "img",     "input", "keygen", "link",
                                "meta",  "param", "source",   "track",   "wbr"};
    return set;
}
const NameSet& rawTextElements() {
    static const NameSet set = {"script",  "style",    "xmp",      "iframe",
                                "noembed", "noframes", "textarea", "title"};
    return set;
}
const NameSet& formattingElements() {
    static const NameSet set = {"a",    "b", "big",   "code",   "em",     "font", "i",
                                "nobr", "s", "small", "strike", "strong", "tt",   "u"};
    return set;
}
const NameSet& closersOfP() {
    static const NameSet set = {
        "address", "article",  "aside",      "blockquote", "center",   "details", "dialog", "dir",   "div",
        "dl",      "fieldset", "figcaption", "figure",     "footer",   "header",  "hgroup", "main",  "menu",
        "nav",     "ol",       "p",          "search",     "section",  "summary", "ul",     "h1",    "h2",
        "h3",      "h4",       "h5",         "h6",         "pre",      "listing", "form",   "table", "hr",
        "xmp",     "li",       "dd",         "dt",         "plaintext"};
    return set;
}
const NameSet& scopeBoundaries() {
    static const NameSet set = {"applet", "caption",  "html",          "table", "td", "th", "marquee",
                                "object", "template", "foreignobject", "desc",  "mi", "mo", "mn",
                                "ms",     "mtext",    "annotation-xml"};
    return set;
}
const NameSet& specialElements() {
    static const NameSet set = {"address",
                                "applet",
                                "area",
                                "article",
                                "aside",
                                "base",
                                "basefont",
                                "bgsound",
                                "blockquote",
                                "body",
                                "br",
                                "button",
                                "caption",
                                "center",
                                "col",
                                "colgroup",
                                "dd",
                                "details",
                                "dir",
                                "div",
                                "dl",
                                "dt",
                                "embed",
                                "fieldset",
                                "figcaption",
                                "figure",
                                "footer",
                                "form",
                                "frame",
                                "frameset",
                                "h1",
                                "h2",
                                "h3",
                                "h4",
                                "h5",
                                "h6",
                                "head",
                                "header",
                                "hgroup",
                                "hr",
                                "html",
                                "iframe",
                                "img",
                                "input",
                                "keygen",
                                "li",
                                "link",
                                "listing",
                                "main",
                                "marquee",
                                "menu",
                                "meta",
                                "nav",
                                "noembed",
                                "noframes",
                                "noscript",
                                "object",
                                "ol",
                                "p",
                                "param",
                                "plaintext",
                                "pre",
                                "script",
                                "search",
                                "section",
                                "select",
                                "source",
                                "style",
                                "summary",
                                "table",
                                "tbody",
                                "td",
                                "template",
                                "textarea",
                                "tfoot",
                                "th",
                                "thead",
                                "title",
                                "tr",
                                "track",
                                "ul",
                                "wbr",
                                "xmp",
                                "mi",
                                "mo",
                                "mn",
                                "ms",
                                "mtext",
                                "annotation-xml",
                                "foreignobject",
                                "desc"};
    return set;
}
// Blocks whose boundaries shape the text; flattened they become empty blocks.
const NameSet& blockElements() {
    static const NameSet set = {
        "address", "article", "aside",   "blockquote", "center",  "dialog", "div", "figure",   "figcaption",
        "footer",  "form",    "header",  "legend",     "listing", "main",   "nav", "pre",      "section",
        "search",  "h1",      "h2",      "h3",         "h4",      "h5",     "h6",  "hgroup",   "dir",
        "dd",      "dl",      "dt",      "menu",       "ol",      "ul",     "li",  "fieldset", "details",
        "summary", "table",   "caption", "optgroup",   "option",  "tr"};
    return set;
}
// Containers whose content is never shown; flattened they are dropped with their content.
const NameSet& hiddenContainers() {
    static const NameSet set = {"template", "noscript", "head", "datalist"};
    return set;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lower(char c) { return lowerAscii(c); }

bool startsWithAt(std::string_view s, std::size_t at, std::string_view prefix) {
    return s.size() >= at + prefix.size() && s.compare(at, prefix.size(), prefix) == 0;
}

bool equalsLower(std::string_view s, std::string_view lowerWord) {
    if (s.size() != lowerWord.size()) return false;
    for (std::size_t k = 0; k < s.size(); ++k)
        if (lower(s[k]) != lowerWord[k]) return false;
    return true;
}

struct Tag {
    std::string name;                          // lower case
    std::size_t end = 0;                       // one past the '>'
    std::size_t cut = std::string_view::npos;  // where the attributes beyond the cap begin
    bool selfClosing = false;
    bool hidden = false;
    bool complete = false;
};

// Reads a tag from `at` (just past "<" or "</") the way the HTML tokenizer delimits it.
Tag readTag(std::string_view s, std::size_t at) {
    Tag tag;
    std::size_t p = at;
    while (p < s.size() && !isSpace(s[p]) && s[p] != '/' && s[p] != '>') tag.name += lower(s[p++]);
    std::size_t count = 0;
    while (p < s.size()) {
        char c = s[p];
        if (isSpace(c)) {
            ++p;
        } else if (c == '/') {
            if (p + 1 < s.size() && s[p + 1] == '>') {
                tag.selfClosing = true;
                tag.end = p + 2;
                tag.complete = true;
                return tag;
            }
            ++p;
        } else if (c == '>') {
            tag.end = p + 1;
            tag.complete = true;
            return tag;
        } else {
            std::size_t nameStart = p++;
            while (p < s.size() && !isSpace(s[p]) && s[p] != '/' && s[p] != '>' && s[p] != '=') ++p;
            if (++count == kMaxAttributes + 1) tag.cut = nameStart;
            if (equalsLower(s.substr(nameStart, p - nameStart), "hidden")) tag.hidden = true;
            while (p < s.size() && isSpace(s[p])) ++p;
            if (p < s.size() && s[p] == '=') {
                ++p;
                while (p < s.size() && isSpace(s[p])) ++p;
                if (p < s.size() && (s[p] == '"' || s[p] == '\'')) {
                    std::size_t close = s.find(s[p], p + 1);
                    if (close == std::string_view::npos) break;
                    p = close + 1;
                } else {
                    while (p < s.size() && !isSpace(s[p]) && s[p] != '>') ++p;
                }
            }
        }
    }
    tag.end = s.size();  // the tokenizer drops a tag cut off by the end of the text
    return tag;
}

// Where the raw text of a <script>, <style>, <textarea>… ends: at its end tag, or the end.
std::size_t rawTextEnd(std::string_view s, std::size_t from, std::string_view name) {
    std::size_t p = from;
    while ((p = s.find("</", p)) != std::string_view::npos) {
        std::size_t q = p + 2;
        if (q + name.size() <= s.size() && equalsLower(s.substr(q, name.size()), name) &&
            (q + name.size() == s.size() || isSpace(s[q + name.size()]) || s[q + name.size()] == '/' ||
             s[q + name.size()] == '>'))
            return p;
        p = q;
    }
    return s.size();
}

std::size_t commentEnd(std::string_view s, std::size_t at) {  // at: the "<!--"
    std::size_t p = at + 4;
    if (startsWithAt(s, p, ">")) return p + 1;
    if (startsWithAt(s, p, "->")) return p + 2;
    std::size_t a = s.find("-->", p);
    std::size_t b = s.find("--!>", p);
    if (a == std::string_view::npos && b == std::string_view::npos) return s.size();
    if (b < a) return b + 4;
    return a + 3;
}

std::size_t pastNext(std::string_view s, std::size_t from, std::string_view what) {
    std::size_t p = s.find(what, from);
    return p == std::string_view::npos ? s.size() : p + what.size();
}

enum class Action { Keep, Drop, EmptyBlock, EmptyParagraph, DropWithContent };

class OpenElements {
  public:
    Action start(const Tag& tag) {
        const std::string& name = tag.name;
        if (name == "html") return Action::Drop;  // only merges attributes into the root
        if (name == "head" || name == "body" || name == "frameset") return Action::Keep;  // ignored
        bool inserted = overflow_.empty() ? closeImplied(name) : true;
        if (!inserted) return Action::Keep;
        if (formattingElements().count(name)) {
            if (openFormatting_ >= kMaxOpenFormatting) {
                ++droppedFormatting_[name];
                return Action::Drop;
            }
            if ((name == "a" || name == "nobr") && overflow_.empty()) {
                std::size_t k = findFromTop(name, true);
                if (k != npos) {
                    erase(k);
                    if (openFormatting_ > 0) --openFormatting_;
                }
            }
            Action a = push(name, tag.hidden);
            if (a == Action::Keep) ++openFormatting_;
            return a;
        }
        if (voidElements().count(name) ||
            (tag.selfClosing && (foreign_ > 0 || name == "svg" || name == "math")))
            return Action::Keep;
        if (rawTextElements().count(name) || name == "plaintext") return Action::Keep;  // no children
        return push(name, tag.hidden);
    }

    Action end(const std::string& name) {
        if (name == "html" || name == "body" || name == "br") return Action::Keep;
        auto over = overflowCount_.find(name);
        if (over != overflowCount_.end() && over->second > 0) {
            while (!overflow_.empty()) {
                std::string top = std::move(overflow_.back());
                overflow_.pop_back();
                --overflowCount_[top];
                if (top == name) break;
            }
            return flattened(name);
        }
        if (formattingElements().count(name)) {
            auto dropped = droppedFormatting_.find(name);
            if (dropped != droppedFormatting_.end() && dropped->second > 0) {
                --dropped->second;
                return Action::Drop;
            }
            std::size_t k = findFromTop(name, true);
            if (k != npos) {
                bool blockAbove = false;
                for (std::size_t j = k + 1; j < stack_.size() && !blockAbove; ++j)
                    blockAbove = specialElements().count(stack_[j]) > 0;
                // The adoption agency keeps the blocks above and re-parents them; close enough.
                if (blockAbove)
                    erase(k);
                else
                    truncate(k);
                if (openFormatting_ > 0) --openFormatting_;
            }
            return Action::Keep;
        }
        std::size_t k = findFromTop(name, specialElements().count(name) > 0);
        if (k != npos) {
            overflow_.clear();
            overflowCount_.clear();
            truncate(k);
        }
        return Action::Keep;
    }

  private:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    Action push(const std::string& name, bool hidden) {
        if (stack_.size() < kMaxElementDepth) {
            stack_.push_back(name);
            if (name == "svg" || name == "math") ++foreign_;
            return Action::Keep;
        }
        if (hidden || hiddenContainers().count(name)) return Action::DropWithContent;
        overflow_.push_back(name);
        ++overflowCount_[name];
        return flattened(name);
    }

    static Action flattened(const std::string& name) {
        if (name == "p") return Action::EmptyParagraph;
        if (blockElements().count(name)) return Action::EmptyBlock;
        return Action::Drop;
    }

    // Applies the end tags the tree builder implies before inserting `name`; false when it would
    // not insert the element at all.
    bool closeImplied(const std::string& name) {
        if (closersOfP().count(name)) {
            std::size_t k = findInScope("p", true);
            if (k != npos) truncate(k);
        }
        if (name == "li" || name == "dd" || name == "dt") {
            for (std::size_t k = stack_.size(); k-- > 0;) {
                const std::string& e = stack_[k];
                if (name == "li" ? e == "li" : (e == "dd" || e == "dt")) {
                    truncate(k);
                    break;
                }
                if (specialElements().count(e) && e != "address" && e != "div" && e != "p") break;
            }
        } else if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
            const std::string& top = stack_.empty() ? name : stack_.back();
            if (top.size() == 2 && top[0] == 'h' && top[1] >= '1' && top[1] <= '6')
                truncate(stack_.size() - 1);
        } else if (name == "option" || name == "optgroup") {
            if (!stack_.empty() && stack_.back() == "option") truncate(stack_.size() - 1);
            if (name == "optgroup" && !stack_.empty() && stack_.back() == "optgroup")
                truncate(stack_.size() - 1);
        } else if (name == "button") {
            std::size_t k = findInScope("button", false);
            if (k != npos) truncate(k);
        } else if (name == "form") {
            for (const auto& e : stack_)
                if (e == "form") return false;
        } else if (name == "tr" || name == "td" || name == "th") {
            std::size_t k = findTablePart(name == "tr" ? NameSet{"tbody", "thead", "tfoot", "table"}
                                                       : NameSet{"tr", "tbody", "thead", "tfoot", "table"});
            if (k == npos) return false;  // outside a table the tag is ignored
            std::string at = stack_[k];
            truncate(k + 1);
            if (at == "table") stack_.push_back("tbody");
            if (name != "tr" && at != "tr") stack_.push_back("tr");
            // The cell itself is pushed by the caller.
            while (stack_.size() > kMaxElementDepth) stack_.pop_back();
        } else if (name == "tbody" || name == "thead" || name == "tfoot" || name == "caption" ||
                   name == "colgroup") {
            std::size_t k = findTablePart({"table"});
            if (k == npos) return false;
            truncate(k + 1);
        }
        return true;
    }

    std::size_t findTablePart(const NameSet& names) const {
        for (std::size_t k = stack_.size(); k-- > 0;) {
            if (names.count(stack_[k])) return k;
            if (stack_[k] == "template" || stack_[k] == "html") return npos;
        }
        return npos;
    }

    std::size_t findInScope(std::string_view name, bool buttonScope) const {
        for (std::size_t k = stack_.size(); k-- > 0;) {
            if (stack_[k] == name) return k;
            if (scopeBoundaries().count(stack_[k]) || (buttonScope && stack_[k] == "button")) return npos;
        }
        return npos;
    }

    // Special end tags look through to the nearest scope boundary; others stop at any block.
    std::size_t findFromTop(std::string_view name, bool special) const {
        for (std::size_t k = stack_.size(); k-- > 0;) {
            if (stack_[k] == name) return k;
            if (special ? scopeBoundaries().count(stack_[k]) > 0 : specialElements().count(stack_[k]) > 0)
                return npos;
        }
        return npos;
    }

    void truncate(std::size_t k) {
        while (stack_.size() > k) {
            if (stack_.back() == "svg" || stack_.back() == "math") --foreign_;
            stack_.pop_back();
        }
    }

    void erase(std::size_t k) {
        if (stack_[k] == "svg" || stack_[k] == "math") --foreign_;
        stack_.erase(stack_.begin() + static_cast<std::ptrdiff_t>(k));
    }

  public:
    int foreign() const { return foreign_; }

  private:
    std::vector<std::string> stack_;
    std::vector<std::string> overflow_;  // elements beyond the cap, innermost last
    std::unordered_map<std::string, std::size_t> overflowCount_;
    std::unordered_map<std::string, std::size_t> droppedFormatting_;
    std::size_t openFormatting_ = 0;
    int foreign_ = 0;
};

}  // namespace

std::string boundMarkup(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t copied = 0;  // s[0, copied) is in `out` already
    auto replace = [&](std::size_t from, std::size_t to, std::string_view with) {
        out.append(s.substr(copied, from - copied));
        out.append(with);
        copied = to;
    };

    OpenElements open;
    // While a flattened hidden container is being dropped: its name, nesting and start.
    std::string skipName;
    std::size_t skipNesting = 0, skipFrom = 0;

    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t lt = s.find('<', i);
        if (lt == std::string_view::npos || lt + 1 >= s.size()) break;
        i = lt;
        char c = s[i + 1];
        if (c == '!') {
            if (startsWithAt(s, i, "<!--"))
                i = commentEnd(s, i);
            else if (open.foreign() > 0 && startsWithAt(s, i, "<![CDATA["))
                i = pastNext(s, i + 9, "]]>");
            else
                i = pastNext(s, i + 2, ">");
        } else if (c == '?') {
            i = pastNext(s, i + 2, ">");
        } else if (c == '/') {
            if (i + 2 < s.size() && isAlpha(s[i + 2])) {
                Tag tag = readTag(s, i + 2);
                if (!tag.complete) break;
                std::size_t from = i;
                i = tag.end;
                if (!skipName.empty()) {
                    if (tag.name == skipName && --skipNesting == 0) {
                        replace(skipFrom, i, "");
                        skipName.clear();
                    }
                    continue;
                }
                Action a = open.end(tag.name);
                if (a == Action::Drop)
                    replace(from, i, "");
                else if (a == Action::EmptyBlock)
                    replace(from, i, "<div></div>");
                else if (a == Action::EmptyParagraph)
                    replace(from, i, "<p></p>");
            } else if (i + 2 < s.size() && s[i + 2] == '>') {
                i += 3;
            } else {
                i = pastNext(s, i + 2, ">");
            }
        } else if (isAlpha(c)) {
            Tag tag = readTag(s, i + 1);
            if (!tag.complete) break;
            std::size_t from = i;
            i = tag.end;
            bool raw = rawTextElements().count(tag.name) > 0;
            if (!skipName.empty()) {
                if (tag.name == skipName) ++skipNesting;
            } else {
                Action a = open.start(tag);
                if (a == Action::Drop) {
                    replace(from, i, "");
                } else if (a == Action::EmptyBlock) {
                    replace(from, i, "<div></div>");
                } else if (a == Action::EmptyParagraph) {
                    replace(from, i, "<p></p>");
                } else if (a == Action::DropWithContent) {
                    skipName = tag.name;
                    skipNesting = 1;
                    skipFrom = from;
                } else if (tag.cut != std::string_view::npos) {
                    std::string kept(s.substr(from, tag.cut - from));
                    kept += tag.selfClosing ? "/>" : ">";
                    replace(from, i, kept);
                }
                if (tag.name == "plaintext") break;  // the rest is text
            }
            if (raw) i = rawTextEnd(s, i, tag.name);
        } else {
            ++i;  // a '<' that starts no tag is text
        }
    }
    if (!skipName.empty())
        replace(skipFrom, s.size(), "");
    else
        out.append(s.substr(copied));
    return out;
}

}  // namespace qx::platform
