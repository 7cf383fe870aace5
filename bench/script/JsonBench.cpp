// A 200 KB answer shaped like the share-note reply: JsonObject.parse (eval form) + getText of the
// note path, against a native parse into a tree followed by the same lookup.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "text/CodePages.h"
#include "platform/text/CodePage.h"
#include "script/JsonObject.h"
#include "script/RegexMatcher.h"

using namespace qx;
using namespace qx::script;

namespace {

using qx::Text;

const Text& answer() {
    static const Text text = [] {
        Text note = qx::gbk(u8"<p>版本：1.0.0.18</p><p>更新内容：修复若干问题\\n新增功能</p>");
        Text t = "{\"data\":{\"rsp_body\":{\"RspMsg_body\":{\"note_list\":[{\"html_content\":\"" + note +
                 "\",\"note_id\":\"abc\"}],\"files\":[";
        for (int i = 0; t.size() < 200 * 1024; ++i) {
            if (i) t += ",";
            t += "{\"file_id\":\"" + std::to_string(1000000 + i) + "\",\"file_name\":\"" + qx::gbk(u8"文件") +
                 std::to_string(i) + ".txt\",\"file_size\":" + std::to_string(i * 37) +
                 ",\"ok\":true,\"tags\":[1,2.5,null]}";
        }
        t += "]}},\"ret\":0}}";
        return t;
    }();
    return text;
}

const Text kPath = "data['rsp_body']['RspMsg_body']['note_list'][0]['html_content']";

// ---- a plain native parser: GBK bytes into a tree, then the path lookup ----------------------

struct Node;
using NodePtr = std::unique_ptr<Node>;
struct Node {
    std::variant<std::nullptr_t, bool, double, std::string, std::vector<NodePtr>,
                 std::map<std::string, NodePtr>>
        v;
};

struct NativeParser {
    const std::string& s;
    std::size_t i = 0;
    void ws() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
    }
    bool str(std::string& out) {
        ++i;
        while (i < s.size()) {
            unsigned char c = static_cast<unsigned char>(s[i]);
            if (c == '"') {
                ++i;
                return true;
            }
            if (c >= 0x81 && c <= 0xFE && i + 1 < s.size()) {
                out += s[i];
                out += s[i + 1];
                i += 2;
                continue;
            }
            if (c == '\\') {
                if (i + 1 >= s.size()) return false;
                char e = s[i + 1];
                i += 2;
                switch (e) {
                    case 'n':
                        out += '\n';
                        break;
                    case 't':
                        out += '\t';
                        break;
                    case 'r':
                        out += '\r';
                        break;
                    case 'b':
                        out += '\b';
                        break;
                    case 'f':
                        out += '\f';
                        break;
                    case 'u': {
                        if (i + 4 > s.size()) return false;
                        std::u16string u(1, static_cast<char16_t>(std::stoi(s.substr(i, 4), nullptr, 16)));
                        out += qx::utf16ToText(qx::unitsToBytes(u), 936, true);
                        i += 4;
                        break;
                    }
                    default:
                        out += e;
                }
                continue;
            }
            out += s[i++];
        }
        return false;
    }
    NodePtr value(int depth) {
        if (depth > 1000) return nullptr;
        ws();
        if (i >= s.size()) return nullptr;
        auto n = std::make_unique<Node>();
        char c = s[i];
        if (c == '{') {
            ++i;
            std::map<std::string, NodePtr> m;
            ws();
            if (i < s.size() && s[i] == '}') {
                ++i;
            } else {
                while (true) {
                    ws();
                    std::string k;
                    if (i >= s.size() || s[i] != '"' || !str(k)) return nullptr;
                    ws();
                    if (i >= s.size() || s[i++] != ':') return nullptr;
                    NodePtr v = value(depth + 1);
                    if (!v) return nullptr;
                    m[k] = std::move(v);
                    ws();
                    if (i < s.size() && s[i] == ',') {
                        ++i;
                        continue;
                    }
                    if (i < s.size() && s[i] == '}') {
                        ++i;
                        break;
                    }
                    return nullptr;
                }
            }
            n->v = std::move(m);
        } else if (c == '[') {
            ++i;
            std::vector<NodePtr> a;
            ws();
            if (i < s.size() && s[i] == ']') {
                ++i;
            } else {
                while (true) {
                    NodePtr v = value(depth + 1);
                    if (!v) return nullptr;
                    a.push_back(std::move(v));
                    ws();
                    if (i < s.size() && s[i] == ',') {
                        ++i;
                        continue;
                    }
                    if (i < s.size() && s[i] == ']') {
                        ++i;
                        break;
                    }
                    return nullptr;
                }
            }
            n->v = std::move(a);
        } else if (c == '"') {
            std::string t;
            if (!str(t)) return nullptr;
            n->v = std::move(t);
        } else if (s.compare(i, 4, "true") == 0) {
            i += 4;
            n->v = true;
        } else if (s.compare(i, 5, "false") == 0) {
            i += 5;
            n->v = false;
        } else if (s.compare(i, 4, "null") == 0) {
            i += 4;
            n->v = nullptr;
        } else {
            char* end = nullptr;
            double d = std::strtod(s.c_str() + i, &end);
            if (end == s.c_str() + i) return nullptr;
            i = static_cast<std::size_t>(end - s.c_str());
            n->v = d;
        }
        return n;
    }
};

const Node* member(const Node* n, const std::string& key) {
    if (!n) return nullptr;
    auto* m = std::get_if<std::map<std::string, NodePtr>>(&n->v);
    if (!m) return nullptr;
    auto it = m->find(key);
    return it == m->end() ? nullptr : it->second.get();
}

const Node* item(const Node* n, std::size_t k) {
    if (!n) return nullptr;
    auto* a = std::get_if<std::vector<NodePtr>>(&n->v);
    return a && k < a->size() ? (*a)[k].get() : nullptr;
}

Text nativeNote(const Text& text) {
    NativeParser p{text};
    NodePtr root = p.value(0);
    const Node* n =
        item(member(member(member(member(root.get(), "data"), "rsp_body"), "RspMsg_body"), "note_list"), 0);
    n = member(n, "html_content");
    auto* s = n ? std::get_if<std::string>(&n->v) : nullptr;
    return s ? *s : Text();
}

void BM_JsonObjectParseGetText(benchmark::State& state) {
    const Text& text = answer();
    for (auto _ : state) {
        qx::script::JsonObject json;
        bool ok = json.parse(text);
        Text note = json.getText(kPath);
        if (!ok || note.empty()) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(note);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_JsonObjectParseGetText)->Unit(benchmark::kMillisecond);

void BM_NativeParseGetText(benchmark::State& state) {
    const Text& text = answer();
    qx::script::JsonObject reference;
    reference.parse(text);
    if (nativeNote(text) != reference.getText(kPath)) state.SkipWithError("the parsers disagree");
    for (auto _ : state) {
        Text note = nativeNote(text);
        if (note.empty()) state.SkipWithError("native parse failed");
        benchmark::DoNotOptimize(note);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_NativeParseGetText)->Unit(benchmark::kMillisecond);

// The parts of the first one, to see where its time goes.
void BM_FreshJsonObject(benchmark::State& state) {
    for (auto _ : state) {
        qx::script::JsonObject json;
        benchmark::DoNotOptimize(json);
    }
}
BENCHMARK(BM_FreshJsonObject)->Unit(benchmark::kMillisecond);

void BM_JsonCheckOnly(benchmark::State& state) {
    std::u16string units = qx::platform::decodeCodePage(answer(), 936);
    for (auto _ : state) benchmark::DoNotOptimize(qx::script::isJsonText(units));
}
BENCHMARK(BM_JsonCheckOnly)->Unit(benchmark::kMillisecond);

// A regular expression over the same answer: the getSeq-style digit collection.
void BM_RegexDigits(benchmark::State& state) {
    const Text& text = answer();
    for (auto _ : state) {
        qx::script::RegexMatcher m;
        m.create("\\d+", text);
        benchmark::DoNotOptimize(m.matchCount());
    }
}
BENCHMARK(BM_RegexDigits)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
