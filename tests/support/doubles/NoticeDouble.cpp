#include "support/doubles/NoticeDouble.h"

#include <regex>

namespace qx::test {
namespace {

// Reads the JSON string that starts at s[i] == '"'; false when it is not one.
bool readJsonString(const std::string& s, std::size_t& i, std::string& out) {
    if (i >= s.size() || s[i] != '"') return false;
    out.clear();
    for (++i; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            ++i;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= s.size()) return false;
        switch (s[i]) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            default: return false;  // the client sends no other escapes
        }
    }
    return false;
}

}  // namespace

std::string jsonQuote(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

bool NoticeDouble::readBody(const std::string& body, std::string& password, std::string& shareKey) {
    // {"req_header":"<json>","req_body":"<json>"}
    const std::string head = "{\"req_header\":";
    if (body.rfind(head, 0) != 0) return false;
    std::size_t i = head.size();
    std::string header, inner;
    if (!readJsonString(body, i, header)) return false;
    const std::string mid = ",\"req_body\":";
    if (body.compare(i, mid.size(), mid) != 0) return false;
    i += mid.size();
    if (!readJsonString(body, i, inner) || body.substr(i) != "}") return false;
    static const std::regex headerShape(
        R"re(^\{"seq":\d+,"type":1,"cmd":12002,"appid":30113,"version":3,"major_version":3,"minor_version":3,)re"
        R"re("fix_version":3,"wx_openid":"","user_flag":0\}$)re");
    if (!std::regex_match(header, headerShape)) return false;
    static const std::regex bodyShape(
        R"re(^\{"ReqMsg_body":\{"ext_req_head":\{"token_info":\{"token_type":0,"login_key_type":1,)re"
        R"re("login_key_value":""\},"language_info":\{"language_type":2052\}\},)re"
        R"re(".weiyun.WeiyunShareViewMsgReq_body":\{"share_pwd":"([^"]*)","share_key":"([^"]*)"\}\}\}$)re");
    std::smatch m;
    if (!std::regex_match(inner, m, bodyShape)) return false;
    password = m[1];
    shareKey = m[2];
    return true;
}

NoticeDouble::NoticeDouble(std::string shareKey, std::string password, TestServer::Scheme scheme)
    : shareKey_(std::move(shareKey)), password_(std::move(password)), server_(scheme, false) {
    server_.route(kPath, [this](const HttpRequestRecord& request, HttpResponse& response) {
        handle(request, response);
    });
}

void NoticeDouble::setNoteHtml(std::string html) {
    std::lock_guard lock(mutex_);
    html_ = std::move(html);
}

std::string NoticeDouble::connectTo() const { return "share.weiyun.com:443:127.0.0.1:" + std::to_string(server_.port()); }

std::string NoticeDouble::lastProblem() const {
    std::lock_guard lock(mutex_);
    return problem_;
}

int NoticeDouble::notesServed() const {
    std::lock_guard lock(mutex_);
    return served_;
}

void NoticeDouble::handle(const HttpRequestRecord& request, HttpResponse& response) {
    std::string problem;
    std::string password, key;
    if (request.method != "POST")
        problem = "method " + request.method;
    else if (request.query != "refer=unknown_windows&g_tk=5820194637")
        problem = "query " + request.query;
    else if (request.header("Cookie") != "wyctoken=5820194637")
        problem = "cookie " + request.header("Cookie");
    else if (request.header("Content-Type") != "application/json;charset=utf-8")
        problem = "content type " + request.header("Content-Type");
    else if (request.header("User-Agent") != "Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko")
        problem = "user agent " + request.header("User-Agent");
    else if (!readBody(request.body, password, key))
        problem = "body " + request.body;

    response.add("Content-Type", "application/json; charset=utf-8");
    std::lock_guard lock(mutex_);
    problem_ = problem;
    if (!problem.empty()) {
        response.status = 400;
        response.body = "{\"ret\":1000,\"msg\":\"bad request\"}";
        return;
    }
    if (password != password_ || key != shareKey_) {
        response.body = "{\"data\":{\"rsp_header\":{\"retcode\":114303,\"retmsg\":\"share password wrong\"}},\"ret\":114303}";
        return;
    }
    ++served_;
    response.body = "{\"data\":{\"rsp_header\":{\"retcode\":0},\"rsp_body\":{\"RspMsg_body\":{\"note_list\":[{"
                    "\"note_id\":\"n1\",\"html_content\":" +
                    jsonQuote(html_) + "}]}}},\"ret\":0}";
}

}  // namespace qx::test
