// JsonObject.parse on arbitrary bytes (a GBK text, as the callers hand it over), plus a comparison
// of our JSON loader with the engine's own JSON.parse.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/script/ScriptControl.h"
#include "platform/text/CodePage.h"
#include "script/JsonObject.h"

using namespace qx;
using namespace qx::script;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    qx::script::JsonObject json;
    if (json.parse(text)) {
        json.getText("a");
        json.getText("[0]", true);
        json.typeOf("a");
        json.count();
        json.toJsonText();
        qx::TextArray names;
        json.memberNames(names);
    }
    if (size < 400) {
        // Our loader and the engine's own JSON.parse must accept the same texts and build the
        // same values (shallow texts only: the engine's parser recurses).
        std::string noLf;
        for (char c : text)
            if (c != '\n') noLf += c;
        std::u16string units = qx::platform::decodeCodePage(noLf, 936);
        qx::platform::ScriptControl engine;
        engine.setLanguage(u"JScript");
        engine.addCode(
            u"function viaParse(s){ try { return JSON.stringify([JSON.parse(s)]) } catch (e) { return '!' + "
            u"e } }");
        bool ours = engine.setGlobalFromJson(u"x", units);
        if (ours != qx::script::isJsonText(units)) std::abort();
        std::u16string theirs = engine.run(u"viaParse", {units}).text;
        // The engine refuses exponents beyond its range where JSON means Infinity; ours gives that.
        if (theirs.find(u"exponent too large") != std::u16string::npos) return 0;
        bool theirsOk = !theirs.empty() && theirs[0] != u'!';
        if (ours != theirsOk) std::abort();
        if (ours && engine.eval(u"JSON.stringify([x])").text != theirs) std::abort();
    }
    return 0;
}
