#pragma once
// The JSON grammar (RFC 8259), read without recursion. scanJson either only checks a text or also
// records it as a flat list of tokens that the script control turns into engine values.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx::platform {

struct JsonToken {
    enum Kind : std::uint8_t { ObjectStart, ArrayStart, End, Key, String, Number, True, False, Null };
    Kind kind;
    bool protoKey = false;     // a member named "__proto__"
    std::uint32_t offset = 0;  // Key/String: bytes in JsonTape::strings (engine form)
    std::uint32_t length = 0;
    double number = 0;
};

struct JsonTape {
    std::vector<JsonToken> tokens;
    std::string strings;
    int depth = 0;  // deepest nesting seen
};

// True when the text is one JSON value with nothing but whitespace around it and no deeper than
// maxDepth (a negative maxDepth: any depth). With a tape, the text is recorded into it.
bool scanJson(std::u16string_view text, JsonTape* tape, int maxDepth = -1);

}  // namespace qx::platform
