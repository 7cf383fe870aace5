#pragma once
// One JSON document held in a private script engine (variable "da") and read and written by path.
// A path is script text relative to the root: "" is the root, "[0]" is appended directly, anything
// else after a "." ("data.list[2].name"). A path that already starts with the root name and denotes
// a non-null value is used as it is. Failures give empty texts, 0 and false.
#include <memory>
#include <string_view>

#include "core/Text.h"

namespace qx::platform {
class ScriptControl;
}

namespace qx::script {

class JsonObject {
  public:
    JsonObject();  // root name "da" and an engine of its own
    ~JsonObject();
    JsonObject(const JsonObject& other);  // a clone: shares the engine
    JsonObject& operator=(const JsonObject& other);
    JsonObject(JsonObject&& other) noexcept;
    JsonObject& operator=(JsonObject&& other) noexcept;

    void destroy();
    JsonObject clone() const;
    bool createEngine();
    // Starts a fresh engine and loads the text (every LF removed first). The text must be JSON;
    // anything else fails and is never run as script. True when the document is not null.
    bool parse(const Text& json, bool asLiteral = false);
    Text clear();
    Text toJsonText();
    // Stores a text value (isJson false) or a JSON/script value (isJson true; an existing object
    // is merged with an object value).
    Text setText(const Text& path, const Text& value, bool isJson = false);
    Text setExpression(const Text& path, const Text& expression);
    // Rewrites the path to its full expression; true when it denotes a non-null value.
    bool qualifyPath(Text& path);
    bool exists(const Text& path);
    // 0 null or missing, 1 Boolean, 2 Number, 4 Object, 5 Array, 6 String, -1 anything else.
    int typeOf(const Text& path = {});
    Text getText(const Text& path = {}, bool asJson = false);
    int memberNames(TextArray& names, const Text& path = {});
    int count(const Text& path = {});
    JsonObject getObject(const Text& path = {});
    Text append(const Text& path, const Text& value, bool isJson = false);
    JsonObject getItemObject(int index, const Text& path = {});
    Text getItemText(int index, const Text& path = {}, bool asJson = false);
    Text setItem(int index, const Text& path, const Text& value, bool isJson = false);
    Text removeItem(int index, const Text& path = {});
    Text remove(const Text& path);
    Text setNumber(const Text& path, double number);
    double getNumber(const Text& path = {});
    Text getJson(const Text& path = {});
    std::shared_ptr<platform::ScriptControl> engineObject() const;
    // The texts of the leaf values under the path: its direct members, or with deep every nested one.
    int nodeValues(TextArray& values, const Text& path, bool deep);

    Text setJson(const Text& path, const Text& value) { return setText(path, value, true); }
    const Text& rootName() const { return rootName_; }

  private:
    bool loadJson(std::u16string_view json);
    static JsonObject childFrom(std::u16string_view json);

    Text rootName_;
    std::shared_ptr<platform::ScriptControl> engine_;
    bool pristine_ = false;  // nothing ran in the engine since it was made
};

// True when the text is one JSON value (RFC 8259) with nothing but whitespace around it.
// Works without recursion, so any depth is safe.
bool isJsonText(std::u16string_view text);

}  // namespace qx::script
