#include "platform/script/RegExp.h"
#include "platform/script/JsPattern.h"

#include <pcre2.h>

namespace qx::platform {
namespace {

// Effort bounds of one search: a pattern that backtracks catastrophically gives up instead of
// hanging. Ten million steps cover a lazy scan across a multi-megabyte page.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kHeapLimitKiB = 128 * 1024;
constexpr std::size_t kJitStackMax = 8 << 20;

// Match context and JIT stack, one per thread (compiled patterns are shared, these are not).
struct ThreadMatchState {
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* jitStack = nullptr;
    ThreadMatchState() {
        context = pcre2_match_context_create(nullptr);
        if (!context) return;
        pcre2_set_match_limit(context, kMatchLimit);
        pcre2_set_depth_limit(context, kMatchLimit);
        pcre2_set_heap_limit(context, kHeapLimitKiB);
        jitStack = pcre2_jit_stack_create(32 * 1024, kJitStackMax, nullptr);
        if (jitStack) pcre2_jit_stack_assign(context, nullptr, jitStack);
    }
    ~ThreadMatchState() {
        if (jitStack) pcre2_jit_stack_free(jitStack);
        if (context) pcre2_match_context_free(context);
    }
};

ThreadMatchState& matchState() {
    thread_local ThreadMatchState state;
    return state;
}

std::u16string pcreMessage(int code) {
    PCRE2_UCHAR16 buf[256];
    int n = pcre2_get_error_message(code, buf, 256);
    if (n < 0) return u"regular expression error";
    return std::u16string(reinterpret_cast<const char16_t*>(buf), static_cast<std::size_t>(n));
}

const PCRE2_SPTR16 kEmpty = reinterpret_cast<PCRE2_SPTR16>(u"");

}  // namespace

struct RegExp::Compiled {
    pcre2_code* code = nullptr;
    int groups = 0;
    ~Compiled() {
        if (code) pcre2_code_free(code);
    }
};

RegExp::RegExp() = default;
RegExp::~RegExp() = default;

void RegExp::invalidate() {
    std::lock_guard<std::mutex> guard(mutex_);
    compiled_.reset();
    compileTried_ = false;
    error_.clear();
}

void RegExp::setPattern(std::u16string_view pattern) {
    pattern_ = pattern;
    invalidate();
}

void RegExp::setIgnoreCase(bool on) {
    ignoreCase_ = on;
    invalidate();
}

void RegExp::setMultiline(bool on) {
    multiline_ = on;
    invalidate();
}

bool RegExp::setSingleline(bool) { return false; }

std::u16string RegExp::errorText() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return error_;
}

std::shared_ptr<const RegExp::Compiled> RegExp::compiled() const {
    std::lock_guard<std::mutex> guard(mutex_);
    if (compileTried_) return compiled_;
    compileTried_ = true;
    std::u16string translated;
    int groups = 0;
    if (!translateJsPattern(pattern_, multiline_, ignoreCase_, translated, groups)) {
        error_ = u"syntax error in regular expression";
        return nullptr;
    }
    pcre2_compile_context* cctx = pcre2_compile_context_create(nullptr);
    if (!cctx) {
        error_ = u"out of memory";
        return nullptr;
    }
    pcre2_set_newline(cctx, PCRE2_NEWLINE_LF);
    uint32_t options = PCRE2_MATCH_UNSET_BACKREF;
    if (ignoreCase_) options |= PCRE2_CASELESS | PCRE2_UCP;
    int code = 0;
    PCRE2_SIZE offset = 0;
    auto source = translated.empty() ? kEmpty : reinterpret_cast<PCRE2_SPTR16>(translated.data());
    pcre2_code* re = pcre2_compile(source, translated.size(), options, &code, &offset, cctx);
    pcre2_compile_context_free(cctx);
    if (!re) {
        error_ = pcreMessage(code);
        return nullptr;
    }
    pcre2_jit_compile(re, PCRE2_JIT_COMPLETE);  // the interpreter serves when JIT is unavailable
    auto c = std::make_shared<Compiled>();
    c->code = re;
    c->groups = groups;
    compiled_ = c;
    error_.clear();
    return compiled_;
}

bool RegExp::valid() const { return compiled() != nullptr; }

bool RegExp::forEachMatch(std::u16string_view subject,
                          const std::function<void(const std::vector<int>&)>& each) const {
    auto c = compiled();
    if (!c) return false;
    ThreadMatchState& state = matchState();
    if (!state.context) {
        std::lock_guard<std::mutex> guard(mutex_);
        error_ = u"out of memory";
        return false;
    }
    pcre2_match_data* md = pcre2_match_data_create_from_pattern(c->code, nullptr);
    if (!md) {
        std::lock_guard<std::mutex> guard(mutex_);
        error_ = u"out of memory";
        return false;
    }
    auto text = subject.empty() ? kEmpty : reinterpret_cast<PCRE2_SPTR16>(subject.data());
    const PCRE2_SIZE length = subject.size();
    const int pairs = c->groups + 1;
    std::vector<int> offsets(static_cast<std::size_t>(pairs) * 2);
    PCRE2_SIZE pos = 0;
    bool ok = true;
    const bool timed = timeLimit_.count() > 0;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit_;
    while (pos <= length) {
        if (timed && std::chrono::steady_clock::now() > deadline) {
            std::lock_guard<std::mutex> guard(mutex_);
            error_ = u"time limit exceeded";
            ok = false;
            break;
        }
        int rc = pcre2_match(c->code, text, length, pos, 0, md, state.context);
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) {
            std::lock_guard<std::mutex> guard(mutex_);
            error_ = pcreMessage(rc);
            ok = false;
            break;
        }
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
        uint32_t available = pcre2_get_ovector_count(md);
        for (int g = 0; g < pairs; ++g) {
            bool set = static_cast<uint32_t>(g) < available && ov[2 * g] != PCRE2_UNSET;
            offsets[2 * g] = set ? static_cast<int>(ov[2 * g]) : -1;
            offsets[2 * g + 1] = set ? static_cast<int>(ov[2 * g + 1]) : -1;
        }
        each(offsets);
        if (!global_) break;
        PCRE2_SIZE end = ov[1];
        // An empty match moves the next search on by one unit, as the script's lastIndex does.
        pos = end > ov[0] ? end : end + 1;
    }
    pcre2_match_data_free(md);
    if (ok) {
        std::lock_guard<std::mutex> guard(mutex_);
        error_.clear();
    }
    return ok;
}

bool RegExp::execute(std::u16string_view subject, std::vector<RegExpMatch>& out) const {
    out.clear();
    bool ok = forEachMatch(subject, [&](const std::vector<int>& o) {
        RegExpMatch m;
        m.firstIndex = o[0];
        m.length = o[1] - o[0];
        m.value.assign(subject.substr(static_cast<std::size_t>(o[0]), static_cast<std::size_t>(m.length)));
        std::size_t groups = o.size() / 2 - 1;
        m.subMatches.resize(groups);
        m.subMatchIndexes.assign(groups, -1);
        for (std::size_t g = 1; g <= groups; ++g) {
            int s = o[2 * g], e = o[2 * g + 1];
            if (s < 0) continue;
            m.subMatchIndexes[g - 1] = s;
            m.subMatches[g - 1].assign(
                subject.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s)));
        }
        out.push_back(std::move(m));
    });
    if (!ok) out.clear();
    return ok;
}

namespace {

// Appends the replacement for one match: $$, $&, $`, $', $n and $nn (n up to the group count).
void substitute(std::u16string& out, std::u16string_view subject, std::u16string_view repl,
                const std::vector<int>& o) {
    const int groups = static_cast<int>(o.size() / 2) - 1;
    auto group = [&](int g) {
        int s = o[2 * g], e = o[2 * g + 1];
        if (s >= 0) out.append(subject.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s)));
    };
    for (std::size_t i = 0; i < repl.size(); ++i) {
        char16_t c = repl[i];
        if (c != u'$' || i + 1 >= repl.size()) {
            out += c;
            continue;
        }
        char16_t n = repl[i + 1];
        if (n == u'$') {
            out += u'$';
            ++i;
        } else if (n == u'&') {
            group(0);
            ++i;
        } else if (n == u'`') {
            out.append(subject.substr(0, static_cast<std::size_t>(o[0])));
            ++i;
        } else if (n == u'\'') {
            out.append(subject.substr(static_cast<std::size_t>(o[1])));
            ++i;
        } else if (n >= u'0' && n <= u'9') {
            int one = n - u'0';
            bool two = i + 2 < repl.size() && repl[i + 2] >= u'0' && repl[i + 2] <= u'9';
            int both = two ? one * 10 + (repl[i + 2] - u'0') : -1;
            if (two && both >= 1 && both <= groups) {
                group(both);
                i += 2;
            } else if (one >= 1 && one <= groups) {
                group(one);
                i += 1;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
}

}  // namespace

bool RegExp::replace(std::u16string_view subject, std::u16string_view replacement,
                     std::u16string& out) const {
    out.clear();
    std::size_t copied = 0;
    bool ok = forEachMatch(subject, [&](const std::vector<int>& o) {
        out.append(subject.substr(copied, static_cast<std::size_t>(o[0]) - copied));
        substitute(out, subject, replacement, o);
        copied = static_cast<std::size_t>(o[1]);
    });
    if (!ok) {
        out.clear();
        return false;
    }
    out.append(subject.substr(copied));
    return true;
}

}  // namespace qx::platform
