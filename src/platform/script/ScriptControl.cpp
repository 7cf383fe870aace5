#include "platform/script/ScriptControl.h"

#include <duktape.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

#include "platform/library/SharedLibrary.h"
#include "platform/script/JsonText.h"
#include "platform/text/Ascii.h"

namespace qx::platform {

// ---------------------------------------------------------------------------------------------
// Strings. Duktape keeps strings as CESU-8: every UTF-16 unit, a surrogate too, as its own
// 1-3 byte sequence. Pushing 4-byte UTF-8 would make one "character" of two units, so we never do.

void appendEngineUnit(std::string& out, char16_t u) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

std::string utf16ToEngineString(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (char16_t u : text) appendEngineUnit(out, u);
    return out;
}

std::u16string engineStringToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t n = text.size();
    std::size_t i = 0;
    auto cont = [&](std::size_t k) { return i + k < n && (p[i + k] & 0xC0) == 0x80; };
    while (i < n) {
        unsigned char b = p[i];
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            i += 1;
        } else if (b >= 0xC2 && b < 0xE0 && cont(1)) {
            out += static_cast<char16_t>(((b & 0x1F) << 6) | (p[i + 1] & 0x3F));
            i += 2;
        } else if (b >= 0xE0 && b < 0xF0 && cont(1) && cont(2)) {
            char32_t c = ((b & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
            out += c >= 0x800 ? static_cast<char16_t>(c) : u'\uFFFD';
            i += 3;
        } else if (b >= 0xF0 && b < 0xF5 && cont(1) && cont(2) && cont(3)) {
            char32_t c =
                ((b & 0x07) << 18) | ((p[i + 1] & 0x3F) << 12) | ((p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
            if (c >= 0x10000 && c <= 0x10FFFF) {
                c -= 0x10000;
                out += static_cast<char16_t>(0xD800 + (c >> 10));
                out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
            } else {
                out += u'\uFFFD';
            }
            i += 4;
        } else {
            out += u'\uFFFD';
            i += 1;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The engine: a heap whose allocations are counted against the cap.

namespace {

struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

struct Accounting {
    std::size_t cap;
    std::size_t used = 0;
};

void* heapAlloc(void* udata, duk_size_t size) {
    auto* acc = static_cast<Accounting*>(udata);
    if (size > acc->cap || acc->used > acc->cap - size) return nullptr;
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!block) return nullptr;
    block->size = size;
    acc->used += size;
    return block + 1;
}

void heapFree(void* udata, void* ptr) {
    if (!ptr) return;
    auto* acc = static_cast<Accounting*>(udata);
    auto* block = static_cast<BlockHeader*>(ptr) - 1;
    acc->used -= block->size;
    std::free(block);
}

void* heapRealloc(void* udata, void* ptr, duk_size_t size) {
    if (!ptr) return heapAlloc(udata, size);
    if (size == 0) {
        heapFree(udata, ptr);
        return nullptr;
    }
    auto* acc = static_cast<Accounting*>(udata);
    auto* block = static_cast<BlockHeader*>(ptr) - 1;
    std::size_t old = block->size;
    if (size > old && (size - old > acc->cap || acc->used > acc->cap - (size - old))) return nullptr;
    auto* grown = static_cast<BlockHeader*>(std::realloc(block, sizeof(BlockHeader) + size));
    if (!grown) return nullptr;
    grown->size = size;
    acc->used = acc->used - old + size;
    return grown + 1;
}

// Every entry into the engine is a protected call, so this only fires on an engine defect.
[[noreturn]] void heapFatal(void*, const char* msg) {
    std::fprintf(stderr, "script engine fatal error: %s\n", msg ? msg : "");
    std::abort();
}

bool equalsAsciiNoCase(std::u16string_view a, std::u16string_view b) { return equalsIgnoreCaseAscii(a, b); }

// Inputs of the protected calls. Only plain pointers cross into them: the engine leaves a failed
// call by longjmp, which must not skip a C++ destructor.
struct CallArgs {
    const char* code = nullptr;
    std::size_t codeLength = 0;
    const char* name = nullptr;
    std::size_t nameLength = 0;
    const std::string* arguments = nullptr;
    int argumentCount = 0;
};

// Duktape is opened when the first script runs (a resolver's page, the regular-expression
// tester): most sessions never run one, and a library linked in is loaded before the window shows.
struct Duktape : Imports {
    Duktape() : Imports(QX_DUKTAPE_SONAME) {}
    QX_IMPORT(duk_get_type);
    QX_IMPORT(duk_push_lstring);
    QX_IMPORT(duk_dup);
    QX_IMPORT(duk_safe_to_lstring);
    QX_IMPORT(duk_to_string);
    QX_IMPORT(duk_eval_raw);
    QX_IMPORT(duk_compile_raw);
    QX_IMPORT(duk_call);
    QX_IMPORT(duk_get_global_lstring);
    QX_IMPORT(duk_require_stack);
    QX_IMPORT(duk_push_object);
    QX_IMPORT(duk_push_array);
    QX_IMPORT(duk_push_number);
    QX_IMPORT(duk_push_true);
    QX_IMPORT(duk_push_false);
    QX_IMPORT(duk_push_null);
    QX_IMPORT(duk_def_prop);
    QX_IMPORT(duk_put_prop_index);
    QX_IMPORT(duk_put_global_lstring);
    QX_IMPORT(duk_push_undefined);
    QX_IMPORT(duk_create_heap);
    QX_IMPORT(duk_get_global_string);
    QX_IMPORT(duk_push_c_function);
    QX_IMPORT(duk_put_prop_string);
    QX_IMPORT(duk_pop);
    QX_IMPORT(duk_destroy_heap);
    QX_IMPORT(duk_check_stack);
    QX_IMPORT(duk_safe_call);
    QX_IMPORT(duk_get_boolean);
    QX_IMPORT(duk_get_number);
    QX_IMPORT(duk_get_lstring);
    QX_IMPORT(duk_pop_2);
    QX_IMPORT(duk_is_function);
    QX_IMPORT(duk_push_error_object_raw);
    QX_IMPORT(duk_throw_raw);
};

// Only where an engine exists, which needed the library.
const Duktape& duktape() { return *imported<Duktape>(); }

// Leaves [value, text] on the stack: the value and its String() (empty for undefined and null).
void pushResultText(duk_context* ctx) {
    const Duktape& dk = duktape();
    int type = dk.duk_get_type(ctx, -1);
    if (type == DUK_TYPE_UNDEFINED || type == DUK_TYPE_NULL || type == DUK_TYPE_NONE) {
        dk.duk_push_lstring(ctx, "", 0);
    } else if (type == DUK_TYPE_OBJECT) {
        dk.duk_dup(ctx, -1);
        dk.duk_safe_to_lstring(ctx, -1, nullptr);
    } else {
        dk.duk_dup(ctx, -1);
        dk.duk_to_string(ctx, -1);
    }
}

duk_ret_t evalCall(duk_context* ctx, void* udata) {
    const Duktape& dk = duktape();
    auto* a = static_cast<CallArgs*>(udata);
    dk.duk_eval_raw(ctx, a->code, a->codeLength,
                    DUK_COMPILE_EVAL | DUK_COMPILE_NOSOURCE | DUK_COMPILE_NOFILENAME);
    pushResultText(ctx);
    return 2;
}

duk_ret_t programCall(duk_context* ctx, void* udata) {
    const Duktape& dk = duktape();
    auto* a = static_cast<CallArgs*>(udata);
    dk.duk_compile_raw(ctx, a->code, a->codeLength, DUK_COMPILE_NOSOURCE | DUK_COMPILE_NOFILENAME);
    dk.duk_call(ctx, 0);
    pushResultText(ctx);
    return 2;
}

duk_ret_t runCall(duk_context* ctx, void* udata) {
    const Duktape& dk = duktape();
    auto* a = static_cast<CallArgs*>(udata);
    dk.duk_get_global_lstring(ctx, a->name, a->nameLength);
    if (!dk.duk_is_function(ctx, -1)) {
        dk.duk_push_error_object_raw(ctx, DUK_ERR_TYPE_ERROR, __FILE__, __LINE__, "%s is not a function",
                                     dk.duk_push_lstring(ctx, a->name, a->nameLength));
        dk.duk_throw_raw(ctx);
    }
    for (int i = 0; i < a->argumentCount; ++i)
        dk.duk_push_lstring(ctx, a->arguments[i].data(), a->arguments[i].size());
    dk.duk_call(ctx, a->argumentCount);
    pushResultText(ctx);
    return 2;
}

constexpr duk_uarridx_t kObjectLevel = 0xFFFFFFF0u;

struct TapeArgs {
    const JsonToken* tokens = nullptr;
    std::size_t count = 0;
    const char* strings = nullptr;
    duk_uarridx_t* levels = nullptr;  // per open container: next array index, or kObjectLevel
    int depth = 0;
    const char* name = nullptr;
    std::size_t nameLength = 0;
};

// Builds the values of a JSON tape straight on the value stack, as JSON.parse would (members are
// defined as own data properties, so "__proto__" is a member like any other).
duk_ret_t tapeCall(duk_context* ctx, void* udata) {
    const Duktape& dk = duktape();
    auto* a = static_cast<TapeArgs*>(udata);
    dk.duk_require_stack(ctx, a->depth * 2 + 8);
    int d = 0;
    for (std::size_t k = 0; k < a->count; ++k) {
        const JsonToken& t = a->tokens[k];
        switch (t.kind) {
            case JsonToken::ObjectStart:
                dk.duk_push_object(ctx);
                a->levels[++d] = kObjectLevel;
                continue;
            case JsonToken::ArrayStart:
                dk.duk_push_array(ctx);
                a->levels[++d] = 0;
                continue;
            case JsonToken::Key:
                dk.duk_push_lstring(ctx, a->strings + t.offset, t.length);
                continue;
            case JsonToken::String:
                dk.duk_push_lstring(ctx, a->strings + t.offset, t.length);
                break;
            case JsonToken::Number:
                dk.duk_push_number(ctx, t.number);
                break;
            case JsonToken::True:
                dk.duk_push_true(ctx);
                break;
            case JsonToken::False:
                dk.duk_push_false(ctx);
                break;
            case JsonToken::Null:
                dk.duk_push_null(ctx);
                break;
            case JsonToken::End:
                --d;
                break;
        }
        if (d == 0) continue;  // the document itself
        if (a->levels[d] == kObjectLevel)
            dk.duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_SET_WEC);
        else
            dk.duk_put_prop_index(ctx, -2, a->levels[d]++);
    }
    dk.duk_put_global_lstring(ctx, a->name, a->nameLength);
    dk.duk_push_undefined(ctx);
    dk.duk_push_lstring(ctx, "", 0);
    return 2;
}

// Math.random from one generator for the whole process. Duktape seeds each heap's own from the
// clock and the heap's address, so heaps made within the same millisecond at a reused address
// (one per script object) would draw the same numbers.
duk_ret_t processRandom(duk_context* ctx) {
    const Duktape& dk = duktape();
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    double value;
    {
        std::lock_guard lock(mutex);
        value = std::uniform_real_distribution<double>(0.0, 1.0)(generator);
    }
    dk.duk_push_number(ctx, value);
    return 1;
}

}  // namespace

struct ScriptControl::Engine {
    Accounting accounting;
    duk_context* ctx = nullptr;

    explicit Engine(std::size_t cap) : accounting{cap} {
        const Duktape* api = imported<Duktape>();
        if (api) ctx = api->duk_create_heap(heapAlloc, heapRealloc, heapFree, &accounting, heapFatal);
        if (ctx) {
            const Duktape& dk = *api;
            dk.duk_get_global_string(ctx, "Math");
            dk.duk_push_c_function(ctx, processRandom, 0);
            dk.duk_put_prop_string(ctx, -2, "random");
            dk.duk_pop(ctx);
        }
    }
    ~Engine() {
        if (ctx) duktape().duk_destroy_heap(ctx);
    }

    // Runs one protected call; on success `result` holds the value, else `error` the error text.
    bool call(duk_safe_call_function fn, void* args, ScriptValue& result, std::u16string& error) {
        const Duktape& dk = duktape();
        result = ScriptValue{};
        error.clear();
        if (!dk.duk_check_stack(ctx, 8)) {
            error = u"out of memory";
            return false;
        }
        duk_int_t rc = dk.duk_safe_call(ctx, fn, args, 0, 2);
        bool ok = rc == DUK_EXEC_SUCCESS;
        try {
            if (ok) {
                switch (dk.duk_get_type(ctx, -2)) {
                    case DUK_TYPE_NULL:
                        result.kind = ScriptValue::Kind::Null;
                        break;
                    case DUK_TYPE_BOOLEAN:
                        result.kind = ScriptValue::Kind::Boolean;
                        result.boolean = dk.duk_get_boolean(ctx, -2) != 0;
                        break;
                    case DUK_TYPE_NUMBER:
                        result.kind = ScriptValue::Kind::Number;
                        result.number = dk.duk_get_number(ctx, -2);
                        break;
                    case DUK_TYPE_STRING:
                        result.kind = ScriptValue::Kind::String;
                        break;
                    case DUK_TYPE_OBJECT:
                    case DUK_TYPE_BUFFER:
                    case DUK_TYPE_POINTER:
                    case DUK_TYPE_LIGHTFUNC:
                        result.kind = ScriptValue::Kind::Object;
                        break;
                    default:
                        result.kind = ScriptValue::Kind::Empty;
                        break;
                }
                duk_size_t len = 0;
                const char* s = dk.duk_get_lstring(ctx, -1, &len);
                if (s) result.text = engineStringToUtf16(std::string_view(s, len));
            } else {
                // The error sits below the padding value.
                duk_size_t len = 0;
                const char* s = dk.duk_safe_to_lstring(ctx, -2, &len);
                error = s ? engineStringToUtf16(std::string_view(s, len)) : u"Error";
                if (error.empty()) error = u"Error";
            }
        } catch (const std::bad_alloc&) {
            result = ScriptValue{};
            error = u"out of memory";
            ok = false;
        }
        dk.duk_pop_2(ctx);
        return ok;
    }
};

ScriptControl::ScriptControl(std::size_t memoryCap) : memoryCap_(memoryCap) {}

ScriptControl::~ScriptControl() = default;

bool ScriptControl::ensureEngine() {
    if (language_.empty()) {
        setError(u"未设置脚本语言");
        return false;
    }
    if (!engine_) {
        try {
            engine_ = std::make_unique<Engine>(memoryCap_);
        } catch (const std::bad_alloc&) {
            engine_.reset();
        }
        if (engine_ && !engine_->ctx) engine_.reset();
    }
    if (!engine_) {
        setError(u"对象为空");
        return false;
    }
    return true;
}

void ScriptControl::setError(std::u16string text) { error_ = std::move(text); }

bool ScriptControl::setLanguage(std::u16string_view language) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!equalsAsciiNoCase(language, u"JScript") && !equalsAsciiNoCase(language, u"JavaScript")) {
        setError(u"不支持的脚本语言: " + std::u16string(language));
        return false;
    }
    language_ = language;
    engine_.reset();
    error_.clear();
    return ensureEngine();
}

std::u16string ScriptControl::language() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return language_;
}

bool ScriptControl::addCode(std::u16string_view code) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!ensureEngine()) return false;
    std::string source = utf16ToEngineString(code);
    CallArgs args;
    args.code = source.data();
    args.codeLength = source.size();
    ScriptValue ignored;
    return engine_->call(programCall, &args, ignored, error_);
}

ScriptValue ScriptControl::eval(std::u16string_view expression) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    ScriptValue result;
    if (!ensureEngine()) return result;
    std::string source = utf16ToEngineString(expression);
    CallArgs args;
    args.code = source.data();
    args.codeLength = source.size();
    engine_->call(evalCall, &args, result, error_);
    return result;
}

bool ScriptControl::executeStatement(std::u16string_view statement) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!ensureEngine()) return false;
    std::string source = utf16ToEngineString(statement);
    CallArgs args;
    args.code = source.data();
    args.codeLength = source.size();
    ScriptValue ignored;
    return engine_->call(evalCall, &args, ignored, error_);
}

ScriptValue ScriptControl::run(std::u16string_view procedure, const std::vector<std::u16string>& arguments) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    ScriptValue result;
    if (!ensureEngine()) return result;
    if (arguments.size() > 6) {
        setError(u"参数太多");
        return result;
    }
    std::string name = utf16ToEngineString(procedure);
    std::vector<std::string> texts;
    for (const auto& a : arguments) texts.push_back(utf16ToEngineString(a));
    CallArgs args;
    args.name = name.data();
    args.nameLength = name.size();
    args.arguments = texts.data();
    args.argumentCount = static_cast<int>(texts.size());
    engine_->call(runCall, &args, result, error_);
    return result;
}

void ScriptControl::reset() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    engine_.reset();
    error_.clear();
    if (!language_.empty()) ensureEngine();
}

bool ScriptControl::setGlobalFromJson(std::u16string_view name, std::u16string_view json) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!ensureEngine()) return false;
    try {
        JsonTape tape;
        if (!scanJson(json, &tape, kJsonDepthLimit)) {
            setError(u"SyntaxError: invalid JSON");
            return false;
        }
        std::vector<duk_uarridx_t> levels(static_cast<std::size_t>(tape.depth) + 2);
        std::string key = utf16ToEngineString(name);
        TapeArgs args;
        args.tokens = tape.tokens.data();
        args.count = tape.tokens.size();
        args.strings = tape.strings.data();
        args.levels = levels.data();
        args.depth = tape.depth;
        args.name = key.data();
        args.nameLength = key.size();
        ScriptValue ignored;
        return engine_->call(tapeCall, &args, ignored, error_);
    } catch (const std::bad_alloc&) {
        setError(u"out of memory");
        return false;
    }
}

bool ScriptControl::setTimeout(int milliseconds) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (milliseconds < -1) {
        setError(u"无效的过程调用或参数");
        return false;
    }
    timeout_ = milliseconds;
    error_.clear();
    return true;
}

int ScriptControl::timeout() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return timeout_;
}

bool ScriptControl::setState(int state) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (state != 0 && state != 1) {
        setError(u"无效的过程调用或参数");
        return false;
    }
    state_ = state;
    error_.clear();
    return true;
}

int ScriptControl::state() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return state_;
}

void ScriptControl::setAllowUI(bool allow) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    allowUI_ = allow;
    error_.clear();
}

bool ScriptControl::allowUI() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return allowUI_;
}

void ScriptControl::setSiteHwnd(long long hwnd) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    siteHwnd_ = hwnd;
    error_.clear();
}

long long ScriptControl::siteHwnd() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return siteHwnd_;
}

std::u16string ScriptControl::errorText() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return error_;
}

bool ScriptControl::usable() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return engine_ != nullptr;
}

std::size_t ScriptControl::memoryInUse() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return engine_ ? engine_->accounting.used : 0;
}

}  // namespace qx::platform
