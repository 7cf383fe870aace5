#pragma once
// A script control on Duktape: one engine (heap) per object, with a memory cap. Script errors never
// escape; every call records the error text of the engine (empty when it succeeded).
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qx::platform {

struct ScriptValue {
    enum class Kind { Empty, Null, Boolean, Number, String, Object };
    Kind kind = Kind::Empty;  // Empty: undefined, no value or a failed call
    bool boolean = false;
    double number = 0;
    // The value as the script's String() writes it; empty for undefined and null.
    std::u16string text;

    bool isTrue() const { return kind == Kind::Boolean && boolean; }
};

class ScriptControl {
  public:
    // Enough for a 10 MB JSON answer in memory together with its source text.
    static constexpr std::size_t kDefaultMemoryCap = std::size_t{512} << 20;
    // The nesting depth the engine's own JSON.parse and JSON.stringify handle.
    static constexpr int kJsonDepthLimit = 1000;

    explicit ScriptControl(std::size_t memoryCap = kDefaultMemoryCap);
    ~ScriptControl();
    ScriptControl(const ScriptControl&) = delete;
    ScriptControl& operator=(const ScriptControl&) = delete;

    // "JScript" (or its alias "JavaScript"); any other language is refused with an error text and
    // leaves the current one. Setting a language starts a fresh engine.
    bool setLanguage(std::u16string_view language);
    std::u16string language() const;

    // Runs program code in the global scope (functions and variables it declares stay defined).
    bool addCode(std::u16string_view code);
    // Evaluates an expression (or statements) in the global scope; the value of the last one.
    ScriptValue eval(std::u16string_view expression);
    bool executeStatement(std::u16string_view statement);
    // Calls a global function with up to six string arguments.
    ScriptValue run(std::u16string_view procedure, const std::vector<std::u16string>& arguments);
    // Discards all added code and state.
    void reset();

    // Stores a global variable built from a JSON text as JSON.parse would build it; nothing is
    // evaluated as script. False when the text is not JSON or nests deeper than the engine's
    // JSON limit (the variable is then left unchanged).
    bool setGlobalFromJson(std::u16string_view name, std::u16string_view json);

    // Properties of the control. The engine has no execution time-out, so Timeout is kept only
    // for callers that read it back; -1 means no limit.
    bool setTimeout(int milliseconds);
    int timeout() const;
    bool setState(int state);  // 0 initialised, 1 connected
    int state() const;
    void setAllowUI(bool allow);
    bool allowUI() const;
    void setSiteHwnd(long long hwnd);
    long long siteHwnd() const;

    // Error text of the last call on this object; empty when it succeeded.
    std::u16string errorText() const;
    // False when the engine could not be created (out of memory).
    bool usable() const;

    // Bytes the engine holds right now (for tests and benchmarks).
    std::size_t memoryInUse() const;

  private:
    struct Engine;
    bool ensureEngine();
    void setError(std::u16string text);

    mutable std::recursive_mutex lock_;
    std::size_t memoryCap_;
    std::unique_ptr<Engine> engine_;
    std::u16string language_;
    std::u16string error_;
    int timeout_ = 10000;
    int state_ = 0;
    bool allowUI_ = true;
    long long siteHwnd_ = 0;
};

// Duktape strings are CESU-8 style; these convert UTF-16 units exactly, lone surrogates included.
std::string utf16ToEngineString(std::u16string_view text);
// Appends one UTF-16 unit (a lone surrogate too) in that string form.
void appendEngineUnit(std::string& out, char16_t unit);
std::u16string engineStringToUtf16(std::string_view text);

}  // namespace qx::platform
