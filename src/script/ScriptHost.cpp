#include "script/ScriptHost.h"

#include "text/CodePages.h"
#include "platform/script/ScriptControl.h"
#include "platform/text/CodePage.h"
#include "text/Strings.h"

namespace qx::script {
namespace {

std::u16string u16(std::string_view gbkText) { return platform::decodeCodePage(gbkText, 936); }
Text gbkOf(std::u16string_view text) { return platform::encodeCodePage(text, 936); }

// The error text of the last call on this thread, as the runtime keeps it for object calls.
thread_local Text lastCallError;

const Text& noObjectError() {
    static const Text text = gbk(u8"对象为空");
    return text;
}

}  // namespace

ScriptHost::ScriptHost() {
    try {
        auto engine = std::make_shared<platform::ScriptControl>();
        engine->setLanguage(u"JScript");
        engine_ = std::move(engine);
    } catch (...) {
        engine_.reset();
    }
}

ScriptHost::~ScriptHost() = default;
ScriptHost::ScriptHost(const ScriptHost& other) = default;
ScriptHost& ScriptHost::operator=(const ScriptHost& other) = default;
ScriptHost::ScriptHost(ScriptHost&& other) noexcept = default;
ScriptHost& ScriptHost::operator=(ScriptHost&& other) noexcept = default;

void ScriptHost::destroy() { engine_.reset(); }

ScriptHost ScriptHost::clone() const { return ScriptHost(*this); }

// Each call records its outcome for lastError; without an engine the runtime's "no object" text.
#define QX_NEEDS_ENGINE(failure)         \
    if (!engine_) {                      \
        lastCallError = noObjectError(); \
        return failure;                  \
    }

bool ScriptHost::executeStatement(const Text& statement) {
    QX_NEEDS_ENGINE(false)
    engine_->executeStatement(u16(statement));
    lastCallError = gbkOf(engine_->errorText());
    return lastCallError.empty();
}

Text ScriptHost::eval(const Text& expression) {
    QX_NEEDS_ENGINE(Text())
    platform::ScriptValue v = engine_->eval(u16(expression));
    lastCallError = gbkOf(engine_->errorText());
    return gbkOf(v.text);
}

void ScriptHost::reset() {
    QX_NEEDS_ENGINE()
    engine_->reset();
    lastCallError = gbkOf(engine_->errorText());
}

Text ScriptHost::lastError() const { return lastCallError; }

std::shared_ptr<platform::ScriptControl> ScriptHost::engineObject() const { return engine_; }

Text ScriptHost::run(const Text& procedure, const std::optional<Text>& a1, const std::optional<Text>& a2,
                     const std::optional<Text>& a3, const std::optional<Text>& a4,
                     const std::optional<Text>& a5, const std::optional<Text>& a6) {
    QX_NEEDS_ENGINE(Text())
    std::vector<std::u16string> arguments;
    for (const auto* a : {&a1, &a2, &a3, &a4, &a5, &a6}) {
        if (!a->has_value()) break;
        arguments.push_back(u16(**a));
    }
    platform::ScriptValue v = engine_->run(u16(procedure), arguments);
    lastCallError = gbkOf(engine_->errorText());
    return gbkOf(v.text);
}

Text ScriptHost::language(int kind) {
    QX_NEEDS_ENGINE(Text())
    if (kind == 0)
        engine_->setLanguage(u"JScript");
    else if (kind == 1)
        engine_->setLanguage(u"vbs");  // refused: this engine speaks only JScript
    lastCallError = kind == 0 || kind == 1 ? gbkOf(engine_->errorText()) : Text();
    return gbkOf(engine_->language());
}

int ScriptHost::timeout(std::optional<int> milliseconds) {
    QX_NEEDS_ENGINE(0)
    engine_->setTimeout(milliseconds.value_or(-1));
    lastCallError = gbkOf(engine_->errorText());
    return engine_->timeout();
}

int ScriptHost::state(std::optional<int> state) {
    QX_NEEDS_ENGINE(0)
    if (state) {
        engine_->setState(*state);
        lastCallError = gbkOf(engine_->errorText());
    } else {
        lastCallError.clear();
    }
    return engine_->state();
}

bool ScriptHost::allowUI(std::optional<bool> allow) {
    QX_NEEDS_ENGINE(false)
    if (allow) engine_->setAllowUI(*allow);
    lastCallError.clear();
    return engine_->allowUI();
}

long long ScriptHost::siteHwnd(std::optional<long long> hwnd) {
    QX_NEEDS_ENGINE(0)
    if (hwnd) engine_->setSiteHwnd(*hwnd);
    lastCallError.clear();
    return engine_->siteHwnd();
}

bool ScriptHost::addCode(const Text& code) {
    QX_NEEDS_ENGINE(false)
    bool ok = engine_->addCode(u16(code));
    lastCallError = gbkOf(engine_->errorText());
    return ok;
}

#undef QX_NEEDS_ENGINE

}  // namespace qx::script
