#include "notice/ShareNote.h"

#include "net/FetchLimits.h"
#include "net/HtmlText.h"
#include "net/HttpRequest.h"
#include "script/JsonObject.h"
#include "script/RegexMatcher.h"
#include "script/ScriptHost.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::notice {

Text shareViewRequestBody(const Text& seq, const Text& sharePassword, const Text& shareKey) {
    Text body = R"({"req_header":"{\"seq\":)";
    body += seq;
    body +=
        R"(,\"type\":1,\"cmd\":12002,\"appid\":30113,\"version\":3,\"major_version\":3,\"minor_version\":3,)"
        R"(\"fix_version\":3,\"wx_openid\":\"\",\"user_flag\":0}","req_body":"{\"ReqMsg_body\":{\"ext_req_head\":)"
        R"({\"token_info\":{\"token_type\":0,\"login_key_type\":1,\"login_key_value\":\"\"},\"language_info\":)"
        R"({\"language_type\":2052}},\".weiyun.WeiyunShareViewMsgReq_body\":{\"share_pwd\":\")";
    body += sharePassword;
    body += R"(\",\"share_key\":\")";
    body += shareKey;
    body += R"(\"}}}"})";
    return body;
}

void addRequestHeader(RequestHeaderList& list, const Text& name, const Text& value) {
    list.names.push_back(name);
    list.values.push_back(value);
}

Text joinRequestHeaders(RequestHeaderList& list, bool keepList) {
    Text out;
    for (std::size_t i = 0; i < list.names.size(); ++i) {
        if (i) out += "\r\n";
        out += list.names[i] + ": " + (i < list.values.size() ? list.values[i] : Text());
    }
    if (!keepList) list = {};
    return out;
}

Text getSeq() {
    script::ScriptHost host;
    host.executeStatement("function getseq(){return 1e4*(new Date).getTime()+parseInt(9999*Math.random());}");
    Text r = host.eval("getseq()");
    // The engine may write a large number in exponent form; only its digits are kept.
    script::RegexMatcher digits;
    Text seq;
    if (digits.create("\\d", r)) {
        for (int i = 1; i <= digits.matchCount(); ++i) seq += digits.matchText(i);
    }
    return seq;
}

Text fetchShareNote(const Text& shareLink, const Text& sharePassword, std::stop_token stop) {
    script::JsonObject json;
    auto slash = shareLink.rfind('/');
    Text shareKey = slash == Text::npos ? shareLink : shareLink.substr(slash + 1);
    Text body = shareViewRequestBody(getSeq(), sharePassword, shareKey);

    RequestHeaderList list;
    addRequestHeader(list, "Content-Type", "application/json;charset=utf-8");
    addRequestHeader(list, "User-Agent",
                     "Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko");

    net::HttpRequestOptions request;
    request.url = kNoticeRequestAddress;
    request.setMethod(net::HttpMethod::Post);
    request.body = body;
    request.cookies = Text("Cookie:wyctoken=5820194637");
    request.headers = joinRequestHeaders(list, false);
    // The note names the update the program installs: its server must prove who it is, and a
    // trickling or endless answer must not hold the check.
    request.verifyCertificate = true;
    request.stop = stop;
    request.limits = net::fetchLimits(net::AnswerKind::Notice);
    ByteArray answer = net::httpObjectRequest(request);

    Text value;
    if (json.parse(utf8ToText(textUpToNul(answer))))
        value = json.getText("data['rsp_body']['RspMsg_body']['note_list'][0]['html_content']", false);
    return net::htmlDocumentText(value);
}

}  // namespace qx::notice
