#include <gtest/gtest.h>

#include <string>

#include "platform/html/RenderedText.h"
#include "platform/text/CodePage.h"

using namespace qx::platform;

namespace {

std::string rendered(const std::string& html) {
    std::string out;
    EXPECT_TRUE(renderedBodyText(html, out)) << html;
    return out;
}

std::string gbkOf(const std::string& utf8) { return encodeCodePage(utf8ToUtf16(utf8), 936); }

std::string repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) out += s;
    return out;
}

// Reports the first difference only: a full diff of megabyte texts costs gigabytes.
testing::AssertionResult sameLongText(const char*, const char*, const std::string& got,
                                      const std::string& want) {
    if (got == want) return testing::AssertionSuccess();
    std::size_t k = 0;
    while (k < got.size() && k < want.size() && got[k] == want[k]) ++k;
    std::size_t from = k > 20 ? k - 20 : 0;
    return testing::AssertionFailure()
           << "sizes " << got.size() << " and " << want.size() << ", first difference at " << k << ": got \""
           << got.substr(from, 60) << "\", want \"" << want.substr(from, 60) << "\"";
}

}  // namespace

TEST(HtmlText, BlocksParagraphsAndLineBreaks) {
    EXPECT_EQ(rendered("<div>a</div><div>b</div>"), "a\nb");
    EXPECT_EQ(rendered("<p>a</p><p>b</p>"), "a\n\nb");
    EXPECT_EQ(rendered("<div>x</div><p>y</p><div>z</div>"), "x\n\ny\n\nz");
    EXPECT_EQ(rendered("<p>one<p>two"), "one\n\ntwo");
    EXPECT_EQ(rendered("a<br>b"), "a\nb");
    EXPECT_EQ(rendered("a <br> b<br><br>c"), "a\nb\n\nc");
    EXPECT_EQ(rendered("<h1>Title</h1>text<hr>more"), "Title\ntext\nmore");
    EXPECT_EQ(rendered("<div><div>a</div></div><div>b</div>"), "a\nb");
    EXPECT_EQ(rendered("a<div>b</div>c"), "a\nb\nc");
    // Leading and trailing breaks vanish, a <br> at the end is a line of its own.
    EXPECT_EQ(rendered("<p></p><div><p>x</p></div><p></p>"), "x");
    EXPECT_EQ(rendered("x<br>"), "x\n");
    EXPECT_EQ(rendered(""), "");
}

TEST(HtmlText, ListsAndTables) {
    EXPECT_EQ(rendered("<ul><li>one</li><li>two</li></ul>"), "one\ntwo");
    EXPECT_EQ(rendered("intro<ol>\n  <li>a\n  <li>b\n</ol>after"), "intro\na\nb\nafter");
    EXPECT_EQ(rendered("<dl><dt>term</dt><dd>meaning</dd></dl>"), "term\nmeaning");
    EXPECT_EQ(rendered("<table><tr><td>1</td><td>2</td></tr><tr><td>3</td><td>4</td></tr></table>"),
              "1\t2\n3\t4");
    EXPECT_EQ(
        rendered("<table>\n <thead><tr> <th> A </th> <th>B</th> </tr></thead>\n"
                 " <tbody><tr><td>1</td><td></td></tr>\n <tr><td></td><td>4</td></tr></tbody>\n</table>"),
        "A\tB\n1\t\n\t4");
    EXPECT_EQ(rendered("before<table><caption>Cap</caption><tr><td>x</td></tr></table>after"),
              "before\nCap\nx\nafter");
    // A table inside a cell keeps its own rows.
    EXPECT_EQ(rendered("<table><tr><td><table><tr><td>i1</td></tr><tr><td>i2</td></tr></table></td>"
                       "<td>o2</td></tr></table>"),
              "i1\ni2\n\to2");
}

TEST(HtmlText, WhitespaceCollapsesAcrossInlineElements) {
    EXPECT_EQ(rendered("  a \n\t b  "), "a b");
    EXPECT_EQ(rendered("a <b>bold</b> <i>it</i>alic"), "a bold italic");
    EXPECT_EQ(rendered("<span>a </span><span> b</span>"), "a b");
    EXPECT_EQ(rendered("<div> a </div> <div> b </div>"), "a\nb");
    EXPECT_EQ(rendered("<p>x <a href='#'>link <em>deep <strong>er</strong></em></a> y</p>"),
              "x link deep er y");
    EXPECT_EQ(rendered("<pre>  a\n    b  </pre>"), "  a\n    b  ");
    EXPECT_EQ(rendered("<pre>\nfirst</pre>"), "first");  // the newline after <pre> is not content
    EXPECT_EQ(rendered("a <img src=x> b"), "a  b");      // an image keeps the spaces apart
}

TEST(HtmlText, HiddenContentGivesNoText) {
    EXPECT_EQ(rendered("a<script>var x = '<b>';</script><style>p { color: red }</style><!-- note -->b"),
              "ab");
    EXPECT_EQ(rendered("<html><head><title>T</title><meta charset=utf-8></head><body><p>x</p></body></html>"),
              "x");
    EXPECT_EQ(rendered("<div hidden>secret</div>shown<input type=hidden value=v><template>t</template>"),
              "shown");
    EXPECT_EQ(rendered("<noscript>no</noscript>yes"), "yes");
    EXPECT_EQ(rendered("<details><summary>S</summary>body</details>"), "S");
    EXPECT_EQ(rendered("<details open><summary>S</summary>body</details>"), "S\nbody");
    EXPECT_EQ(rendered("a<textarea>typed</textarea>b"), "ab");
}

TEST(HtmlText, ReplacedElementsAndListBoxesShowNoStrayText) {
    // A list box draws its options only: bare text in it or in a group of options is no box.
    EXPECT_EQ(rendered("<select><optgroup label=G>bare<option>a</option>tail</optgroup>x<option>b</select>"),
              "a\nb");
    EXPECT_EQ(rendered("<optgroup>loose</optgroup>after"), "after");
    // An object is a replaced element: its fallback content is not rendered, its place keeps
    // the words around it apart as an image does.
    EXPECT_EQ(rendered("a<object data=x.swf>fallback <b>text</b><p>more</p></object>b"), "ab");
    EXPECT_EQ(rendered("a <object><param name=p value=v>f</object> b"), "a  b");
    EXPECT_EQ(rendered("<div><object>f<object>inner</object></object></div><div>c</div>"), "c");
}

TEST(HtmlText, EntitiesAreDecoded) {
    EXPECT_EQ(rendered("&lt;a&gt; &amp; &quot;&#20013;&#x6587;&quot; &copy;"), "<a> & \"中文\" ©");
    EXPECT_EQ(rendered("a&nbsp;&nbsp;b"),
              "a\xC2\xA0\xC2\xA0"
              "b");
    EXPECT_EQ(rendered("AT&T &unknown; &amp"), "AT&T &unknown; &");
}

TEST(HtmlText, GbkFormUsesCrLfAndPlainSpaces) {
    std::string out;
    ASSERT_TRUE(bodyOuterText(gbkOf("<p>中文</p><p>第二段<br>下一行</p>"), out));
    EXPECT_EQ(out, gbkOf("中文\r\n\r\n第二段\r\n下一行"));
    ASSERT_TRUE(bodyOuterText("a &nbsp; b", out));
    EXPECT_EQ(out, "a   b");
    ASSERT_TRUE(bodyOuterText("<table><tr><td>1<td>2</table>", out));
    EXPECT_EQ(out, "1\t2");
    ASSERT_TRUE(bodyOuterText("&#x1F600;&#x2603;", out));  // no GBK form: the converter's '?'
    EXPECT_EQ(out, "??");
}

TEST(HtmlText, MalformedMarkupIsRepairedAsBrowsersDo) {
    EXPECT_EQ(rendered("<div><p>a<b>b</div>c</i>"), "ab\n\nc");
    EXPECT_EQ(rendered("<b>1<p>2</b>3</p>"), "1\n\n23");
    EXPECT_EQ(rendered("<table>stray<tr><td>cell</td></tr></table>"), "stray\ncell");
    EXPECT_EQ(rendered("<<>>a</  b><div"), "<<>>a");
    EXPECT_EQ(rendered("<p>unterminated <!-- comment"), "unterminated");
    EXPECT_EQ(rendered(std::string("a\0b", 3)), "ab");
    EXPECT_EQ(rendered("\xFF\xFEinvalid \xC3"), "\xEF\xBF\xBD\xEF\xBF\xBDinvalid \xEF\xBF\xBD");
}

TEST(HtmlText, OrdinaryMarkupPassesTheGuardUnchanged) {
    const std::string page =
        "<!DOCTYPE html><html><head><script>if (a<b) { x = '<div>'; }</script></head><body>"
        "<p class=\"x>y\">one<p>two<ul><li>a<li>b</ul><table><tr><td>1<td>2<tr><td>3</table>"
        "<select><option>o1<option>o2</select><svg><path d='M0'/></svg></body></html>";
    EXPECT_EQ(boundMarkup(page), page.substr(0, page.find("<html>")) + page.substr(page.find("<head>")));
    const std::string many = repeat("<p>para<li>item<td>cell<option>opt<div>d</div>", 2000);
    EXPECT_EQ(boundMarkup(many), many);
}

TEST(HtmlText, DeepNestingIsFlattenedWithItsLines) {
    const int depth = 100000;
    std::string html, expected;
    for (int k = 0; k < depth; ++k) html += "<div>s" + std::to_string(k);
    for (int k = depth; k-- > 0;) html += "e" + std::to_string(k) + "</div>";
    // The innermost block holds both of its texts on one line.
    for (int k = 0; k < depth; ++k) expected += "s" + std::to_string(k) + (k + 1 < depth ? "\n" : "");
    for (int k = depth; k-- > 0;) expected += "e" + std::to_string(k) + (k ? "\n" : "");
    EXPECT_PRED_FORMAT2(sameLongText, rendered(html), expected);

    EXPECT_EQ(rendered(repeat("<div>", depth) + "x"), "x");
    EXPECT_EQ(rendered(repeat("<b>", depth) + "x" + repeat("</b>", depth)), "x");
    EXPECT_EQ(rendered(repeat("<span> ", depth) + "x" + repeat(" </span>", depth)), "x");
    EXPECT_EQ(rendered(repeat("<table><tr><td>", 20000) + "deep"), "deep");
    EXPECT_EQ(rendered(repeat("<div><b id=q", 1) + repeat("<div><b>x</div>", 20000)).substr(0, 5), "x\nx\nx");
}

TEST(HtmlText, FlattenedHiddenContainersStayHidden) {
    std::string html = repeat("<div>", 1000) + "<template>tpl</template><div hidden>h</div>shown" +
                       "<script>s</script><title>t</title>";
    EXPECT_EQ(rendered(html), "shown");
}

TEST(HtmlText, TagsWithHugeAttributeListsAreCut) {
    std::string tag = "<p";
    for (int k = 0; k < 100000; ++k) tag += " a" + std::to_string(k);
    EXPECT_EQ(rendered(tag + ">x</p>"), "x");
    std::string bounded = boundMarkup(tag + ">x</p>");
    EXPECT_LT(bounded.size(), 1000u);
}

TEST(HtmlText, FiveMegabytePageIsConverted) {
    const std::string unit = "<p>段落 <b>粗体</b> &amp; <a href=\"/x?a=1&b=2\">链接</a></p>\n<div>块</div>";
    std::string html;
    int units = 0;
    while (html.size() < 5u * 1024 * 1024) {
        html += unit;
        ++units;
    }
    std::string out;
    ASSERT_TRUE(bodyOuterText(gbkOf(html), out));
    // A paragraph followed by a block: the blank line of the paragraph wins.
    std::string one = gbkOf("段落 粗体 & 链接\r\n\r\n块");
    std::string expected;
    for (int k = 0; k < units; ++k) expected += (k ? "\r\n\r\n" : "") + one;
    EXPECT_PRED_FORMAT2(sameLongText, out, expected);
}

TEST(HtmlText, PagesBeyondTheSizeLimitAreRefused) {
    std::string out = "stale";
    EXPECT_FALSE(renderedBodyText(std::string(kMaxHtmlBytes + 1, 'x'), out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(bodyOuterText(std::string(kMaxHtmlBytes + 1, 'x'), out));
    EXPECT_TRUE(renderedBodyText(std::string(kMaxHtmlBytes, 'x'), out));
    EXPECT_EQ(out.size(), kMaxHtmlBytes);
}
