#include "net/HtmlText.h"

#include "text/CodePages.h"
#include "platform/html/RenderedText.h"
#include "script/RegexMatcher.h"
#include "text/Strings.h"

namespace qx::net {

const Text& emptyPageNotice() {
    static const Text notice =
        gbk(u8"\r\n抱歉，访问的页面返回为空。\r\n我们已经自动终止了此次请求。\r\n\r\n可以尝试以下方法：\r\n"
            u8" · 检查本地网络连接与防火墙。\r\n · 检查系统代理地址是否出错。\r\n\r\n[ Quorvex ]");
    return notice;
}

Text htmlDocumentText(const Text& html) {
    // The document receives the text as a string, which ends at the first zero byte.
    Text text;
    if (!platform::bodyOuterText(std::string_view(html.c_str()), text)) return {};
    return text;
}

Text stripHtmlByRegex(const Text& html) {
    script::RegexObject regex;
    if (!regex.create("<script[\\s\\S]*?</script>|<style[\\s\\S]*?</style>|<[^>]+>|&.{1,8};", html))
        return {};
    return regex.replace("");
}

Text extractChineseCharacters(const Text& text) {
    Text out;
    std::size_t k = 0;
    // The last byte is never taken as a lead byte.
    while (k + 1 < text.size()) {
        auto lead = static_cast<unsigned char>(text[k]);
        auto trail = static_cast<unsigned char>(text[k + 1]);
        if (lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE) {
            out += text[k];
            out += text[k + 1];
            k += 2;
        } else if (lead > 0x7F && trail > 0x7F) {
            k += 2;
        } else {
            k += 1;
        }
    }
    return out;
}

}  // namespace qx::net
