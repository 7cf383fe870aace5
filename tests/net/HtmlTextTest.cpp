#include <gtest/gtest.h>

#include "text/CodePages.h"
#include "net/HtmlText.h"

using namespace qx;
using namespace qx::net;

TEST(HtmlDocumentText, RendersCommonMarkupInGbk) {
    EXPECT_EQ(htmlDocumentText(gbk(u8"<h2>标题</h2><p>第一段<br>换行</p><p>第二段</p>")),
              gbk(u8"标题\r\n\r\n第一段\r\n换行\r\n\r\n第二段"));
    EXPECT_EQ(htmlDocumentText(
                  "<ul><li>a</li><li>b <i>c</i></li></ul><table><tr><td>1</td><td>2</td></tr></table>"),
              "a\r\nb c\r\n1\t2");
    EXPECT_EQ(htmlDocumentText("x&nbsp;&lt;y&gt;&amp;<script>z</script>"), "x <y>&");
    EXPECT_EQ(htmlDocumentText(std::string("a\0<b>b</b>", 10)), "a");  // the document sees a string
    EXPECT_EQ(htmlDocumentText(""), "");
}

TEST(StripHtmlByRegex, DeletesScriptsStylesTagsAndEntities) {
    EXPECT_EQ(stripHtmlByRegex("a&amp;b"), "ab");
    EXPECT_EQ(stripHtmlByRegex("a &nbsp; b"), "a  b");
    EXPECT_EQ(stripHtmlByRegex("<SCRIPT type=x>\r\nvar a = 1 < 2;\r\n</script>t<style>p{}</style><b>u</b>"),
              "tu");
    EXPECT_EQ(stripHtmlByRegex(gbk(u8"<p class=\"中\">中文</p>")), gbk(u8"中文"));
    EXPECT_EQ(stripHtmlByRegex("&abcdefghi; & ;"), "&abcdefghi; ");  // nine characters are no entity
    EXPECT_EQ(stripHtmlByRegex(""), "");
}

TEST(StripHtmlByRegex, LargeAndHostileInputsEnd) {
    Text page;
    while (page.size() < 5u * 1024 * 1024) page += "<p>x</p>\r\n";
    Text stripped = stripHtmlByRegex(page);
    EXPECT_EQ(stripped.size(), page.size() / 10 * 3);
    Text open;
    for (int k = 0; k < 2000; ++k) open += "<script<style ";
    stripHtmlByRegex(open);  // any result, but it returns
}

TEST(ExtractChineseCharacters, KeepsGb2312CharactersOnly) {
    EXPECT_EQ(extractChineseCharacters(gbk(u8"a中b，文c")), gbk(u8"中文"));  // ， is not a character of B0-F7
    EXPECT_EQ(extractChineseCharacters(gbk(u8"ＡＢ")), "");
    // 81 B0 is one double-byte character, so the B0 A1 that seems to follow is never seen.
    EXPECT_EQ(extractChineseCharacters("\x81\xB0\xA1"), "");
    EXPECT_EQ(extractChineseCharacters("x\xB0\xA1"), "\xB0\xA1");
    EXPECT_EQ(extractChineseCharacters("\xB0"), "");  // the last byte is no lead byte
    EXPECT_EQ(extractChineseCharacters(""), "");
}

TEST(EmptyPageNotice, IsTheTesterText) {
    const Text& notice = emptyPageNotice();
    EXPECT_EQ(notice.substr(0, 2), "\r\n");
    EXPECT_NE(notice.find(gbk(u8"抱歉，访问的页面返回为空。\r\n我们已经自动终止了此次请求。")), Text::npos);
    EXPECT_NE(notice.find(gbk(u8"\r\n · 检查系统代理地址是否出错。\r\n\r\n")), Text::npos);
    EXPECT_EQ(notice.substr(notice.size() - 11), "[ Quorvex ]");
}
