#include "script/JsonObject.h"

#include <cmath>

#include "text/CodePages.h"
#include "platform/script/JsonText.h"
#include "platform/script/ScriptControl.h"
#include "platform/text/CodePage.h"
#include "script/JsonSupport.h"
#include "text/Strings.h"

namespace qx::script {
namespace {

using platform::ScriptValue;

std::u16string u16(std::string_view gbkText) { return platform::decodeCodePage(gbkText, 936); }
Text gbkOf(std::u16string_view text) { return platform::encodeCodePage(text, 936); }

// A text as a single-quoted script literal whose backslashes become U+2400 inside the engine.
std::u16string storedTextLiteral(std::u16string_view value) {
    std::u16string out = u"'";
    for (char16_t c : value) {
        switch (c) {
            case u'\\':
                out += u"\\\\";
                break;
            case u'\'':
                out += u"\\'";
                break;
            case u'"':
                out += u"\\\"";
                break;
            case u'\r':
                out += u"\\r";
                break;
            case u'\n':
                out += u"\\n";
                break;
            case 0x2028:
                out += u"\\u2028";
                break;
            case 0x2029:
                out += u"\\u2029";
                break;
            default:
                out += c;
        }
    }
    out += u"'.replace(/\\\\/g, str_Code)";
    return out;
}

std::u16string decimal(long long v) {
    std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

std::u16string numberLiteral(double v) {
    if (std::isnan(v)) return u"NaN";
    if (std::isinf(v)) return v > 0 ? u"Infinity" : u"(-Infinity)";
    Text t = fromDouble(v);
    return std::u16string(t.begin(), t.end());
}

constexpr char16_t kToText[] = u".replace(str_reg, '\\\\')";
constexpr char16_t kNodeSeparator[] = u"[2020年7月20日20时0分0秒]";

}  // namespace

bool isJsonText(std::u16string_view text) { return platform::scanJson(text, nullptr); }

JsonObject::JsonObject() : rootName_("da") { createEngine(); }

JsonObject::~JsonObject() = default;

JsonObject::JsonObject(const JsonObject& other) : rootName_(other.rootName_), engine_(other.engine_) {}

JsonObject& JsonObject::operator=(const JsonObject& other) {
    if (this != &other) {
        rootName_ = other.rootName_;
        engine_ = other.engine_;
        pristine_ = false;
    }
    return *this;
}

JsonObject::JsonObject(JsonObject&& other) noexcept
    : rootName_(std::move(other.rootName_)), engine_(std::move(other.engine_)), pristine_(other.pristine_) {
    other.pristine_ = false;
}

JsonObject& JsonObject::operator=(JsonObject&& other) noexcept {
    if (this != &other) {
        rootName_ = std::move(other.rootName_);
        engine_ = std::move(other.engine_);
        pristine_ = other.pristine_;
        other.pristine_ = false;
    }
    return *this;
}

void JsonObject::destroy() {
    engine_.reset();
    pristine_ = false;
}

JsonObject JsonObject::clone() const { return JsonObject(*this); }

bool JsonObject::createEngine() {
    pristine_ = false;
    try {
        auto engine = std::make_shared<platform::ScriptControl>();
        if (!engine->setLanguage(u"JavaScript") || !engine->addCode(detail::jsonSupportScript())) {
            engine_.reset();
            return false;
        }
        std::u16string root = u16(rootName_);
        engine->eval(u"var " + root +
                     u" = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
        engine_ = std::move(engine);
    } catch (...) {
        engine_.reset();
        return false;
    }
    pristine_ = true;
    return true;
}

bool JsonObject::parse(const Text& json, bool asLiteral) {
    (void)asLiteral;  // both forms load JSON only; nothing in the text is run as script
    if (!engine_) return false;
    // Every parse starts in a fresh engine; one that nothing ran in yet is as good as new.
    if (!pristine_ || engine_.use_count() > 1) {
        engine_.reset();
        if (!createEngine()) return false;
    }
    pristine_ = false;
    try {
        Text text;
        text.reserve(json.size());
        for (char c : json)
            if (c != '\n') text += c;
        return loadJson(u16(text));
    } catch (...) {
        return false;
    }
}

bool JsonObject::loadJson(std::u16string_view json) {
    std::u16string root = u16(rootName_);
    engine_->eval(u"var " + root + u" = null");
    // The loader reads JSON only (the same check as isJsonText) and builds the values directly;
    // a text that is not JSON fails here and no part of it ever runs as script.
    if (!engine_->setGlobalFromJson(root, json)) return false;
    return engine_->eval(root + u" != null").isTrue();
}

Text JsonObject::clear() {
    if (!engine_) return {};
    pristine_ = false;
    return gbkOf(engine_->eval(u16(rootName_) + u" = {}").text);
}

Text JsonObject::toJsonText() {
    if (!engine_) return {};
    return gbkOf(engine_->eval(u"JSON.stringify(" + u16(rootName_) + u")" + kToText).text);
}

Text JsonObject::setText(const Text& path, const Text& value, bool isJson) {
    if (!engine_) return {};
    pristine_ = false;
    try {
        Text p = path;
        if (!isJson) {
            qualifyPath(p);
            return gbkOf(engine_->eval(u16(p) + u" = " + storedTextLiteral(u16(value))).text);
        }
        Text v = value.empty() ? Text("{}") : value;
        bool existed = qualifyPath(p);
        std::u16string target = u16(p);
        std::u16string type = engine_->eval(u"Object.prototype.toString.call(" + target + u")").text;
        if (existed && type == u"[object Object]")
            return gbkOf(engine_->eval(target + u" = get__extend(" + target + u", " + u16(v) + u")").text);
        return gbkOf(engine_->eval(target + u" = eval(" + u16(v) + u")").text);
    } catch (...) {
        return {};
    }
}

Text JsonObject::setExpression(const Text& path, const Text& expression) {
    if (!engine_) return {};
    pristine_ = false;
    Text p = path;
    qualifyPath(p);
    return gbkOf(engine_->eval(u16(p) + u" = eval(" + u16(expression) + u")").text);
}

bool JsonObject::qualifyPath(Text& path) {
    if (!engine_) return false;
    pristine_ = false;
    if (startsWith(path, rootName_) && engine_->eval(u16(path) + u" != null").isTrue()) return true;
    if (path.empty())
        path = rootName_;
    else if (path[0] == '[')
        path = rootName_ + path;
    else
        path = rootName_ + "." + path;
    return engine_->eval(u16(path) + u" != null").isTrue();
}

bool JsonObject::exists(const Text& path) {
    Text copy = path;
    return qualifyPath(copy);
}

int JsonObject::typeOf(const Text& path) {
    if (!engine_) return 0;
    Text p = path;
    // A path that does not reach a value (missing, null, or through a missing member) is null.
    if (!qualifyPath(p)) return 0;
    std::u16string type = engine_->eval(u"Object.prototype.toString.call(" + u16(p) + u")").text;
    if (type == u"[object Boolean]") return 1;
    if (type == u"[object Number]") return 2;
    if (type == u"[object Object]") return 4;
    if (type == u"[object Array]") return 5;
    if (type == u"[object String]") return 6;
    return -1;
}

Text JsonObject::getText(const Text& path, bool asJson) {
    if (!engine_) return {};
    Text p = path;
    qualifyPath(p);
    if (asJson) return gbkOf(engine_->eval(u"JSON.stringify(" + u16(p) + u")" + kToText).text);
    return gbkOf(engine_->eval(u16(p) + u".toString()" + kToText).text);
}

int JsonObject::memberNames(TextArray& names, const Text& path) {
    names.clear();
    if (!engine_) return 0;
    Text p = path;
    qualifyPath(p);
    Text all = gbkOf(engine_->eval(u"get__name_All(" + u16(p) + u")").text);
    if (all.empty()) return 0;
    names = split(all, "\r\n");
    return static_cast<int>(names.size());
}

int JsonObject::count(const Text& path) {
    if (!engine_) return 0;
    Text p = path;
    qualifyPath(p);
    ScriptValue v = engine_->eval(u"get__count(" + u16(p) + u")");
    return v.kind == ScriptValue::Kind::Number ? static_cast<int>(v.number) : 0;
}

JsonObject JsonObject::getObject(const Text& path) {
    std::u16string text;
    if (engine_) {
        Text p = path;
        qualifyPath(p);
        // The stored form (backslashes as U+2400) moves over unchanged, so the child reads texts
        // back exactly as this object would.
        text = engine_->eval(u"JSON.stringify(" + u16(p) + u")").text;
    }
    return childFrom(text);
}

Text JsonObject::append(const Text& path, const Text& value, bool isJson) {
    if (!engine_) return {};
    pristine_ = false;
    Text p = path;
    qualifyPath(p);
    std::u16string target = u16(p);
    std::u16string item = isJson ? u16(value) : storedTextLiteral(u16(value));
    return gbkOf(engine_
                     ->eval(u"if (Object.prototype.toString.call(" + target + u") != '[object Array]') { " +
                            target + u" = new Array() } " + target + u".push(" + item + u")")
                     .text);
}

JsonObject JsonObject::getItemObject(int index, const Text& path) {
    std::u16string text;
    if (engine_) {
        Text p = path;
        qualifyPath(p);
        text = engine_->eval(u"JSON.stringify(" + u16(p) + u"[" + decimal(index) + u"])").text;
    }
    return childFrom(text);
}

JsonObject JsonObject::childFrom(std::u16string_view json) {
    JsonObject child;
    if (child.engine_) {
        child.pristine_ = false;
        child.loadJson(json);
    }
    return child;
}

Text JsonObject::getItemText(int index, const Text& path, bool asJson) {
    if (!engine_) return {};
    Text p = path;
    qualifyPath(p);
    std::u16string item = u16(p) + u"[" + decimal(index) + u"]";
    if (asJson) return gbkOf(engine_->eval(u"JSON.stringify(" + item + u")" + kToText).text);
    // Numbers and booleans read as their text too, as getText does.
    return gbkOf(engine_->eval(item + u".toString()" + kToText).text);
}

Text JsonObject::setItem(int index, const Text& path, const Text& value, bool isJson) {
    if (!engine_) return {};
    pristine_ = false;
    Text p = path;
    qualifyPath(p);
    std::u16string item = isJson ? u16(value) : storedTextLiteral(u16(value));
    return gbkOf(engine_->eval(u16(p) + u"[" + decimal(index) + u"] = " + item).text);
}

Text JsonObject::removeItem(int index, const Text& path) {
    if (!engine_) return {};
    pristine_ = false;
    Text p = path;
    qualifyPath(p);
    return gbkOf(engine_->eval(u16(p) + u".splice(" + decimal(index) + u", 1)").text);
}

Text JsonObject::remove(const Text& path) {
    if (!engine_) return {};
    pristine_ = false;
    Text p = path;
    qualifyPath(p);
    return gbkOf(engine_->eval(u"delete " + u16(p)).text);
}

Text JsonObject::setNumber(const Text& path, double number) {
    if (!engine_) return {};
    pristine_ = false;
    Text p = path;
    qualifyPath(p);
    return gbkOf(engine_->eval(u16(p) + u" = " + numberLiteral(number)).text);
}

double JsonObject::getNumber(const Text& path) {
    if (!engine_) return 0;
    Text p = path;
    qualifyPath(p);
    ScriptValue v = engine_->eval(u16(p));
    switch (v.kind) {
        case ScriptValue::Kind::Number:
            return v.number;
        case ScriptValue::Kind::Boolean:
            return v.boolean ? 1 : 0;
        case ScriptValue::Kind::String:
            return toDouble(gbkOf(v.text));
        default:
            return 0;
    }
}

Text JsonObject::getJson(const Text& path) {
    if (!engine_) return {};
    Text p = path;
    qualifyPath(p);
    return gbkOf(engine_->eval(u"JSON.stringify(" + u16(p) + u")" + kToText).text);
}

std::shared_ptr<platform::ScriptControl> JsonObject::engineObject() const { return engine_; }

int JsonObject::nodeValues(TextArray& values, const Text& path, bool deep) {
    values.clear();
    if (!engine_) return 0;
    pristine_ = false;
    Text p = path;
    qualifyPath(p);
    engine_->eval(u"var str_all = new Array()");
    engine_->eval(u"get__nodeValue(" + u16(p) + (deep ? u", true)" : u", false)"));
    std::u16string all = engine_->eval(u"str_all.join('" + std::u16string(kNodeSeparator) + u"')").text;
    if (all.empty()) return 0;
    values = split(gbkOf(all), gbkOf(kNodeSeparator));
    return static_cast<int>(values.size());
}

}  // namespace qx::script
