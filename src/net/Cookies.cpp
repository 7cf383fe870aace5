#include "net/Cookies.h"
#include "text/Strings.h"

namespace qx::net {

namespace {

void trimAndComplete(Text& cookies) {
    cookies = trim(cookies);
    if (endsWith(cookies, ";")) cookies += " ";
}

TextArray pairsOf(std::string_view cookies) {
    TextArray out;
    for (Text& piece : split(cookies, "; "))
        if (!piece.empty()) out.push_back(std::move(piece));
    return out;
}

}  // namespace

Text cookieName(std::string_view pair) {
    int eq = find(pair, "=");
    return eq < 0 ? trim(pair) : trim(left(pair, eq - 1));
}

bool hasCookieName(const TextArray& pairs, std::string_view name) {
    for (const Text& pair : pairs)
        if (cookieName(pair) == name) return true;
    return false;
}

int indexOfText(const TextArray& items, std::string_view text) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == text) return static_cast<int>(i + 1);
    return -1;
}

Text removeDuplicateItems(std::string_view text, std::string_view delimiter) {
    TextArray kept;
    Text result;
    for (const Text& piece : split(text, delimiter)) {
        if (indexOfText(kept, piece) != -1) continue;
        kept.push_back(piece);
        result += piece;
        result += delimiter;
    }
    if (result.size() >= delimiter.size()) result.resize(result.size() - delimiter.size());
    return result;
}

Text mergeCookies(Text& oldCookies, Text& newCookies) {
    trimAndComplete(oldCookies);
    trimAndComplete(newCookies);
    TextArray oldList = pairsOf(oldCookies);
    TextArray newList = pairsOf(newCookies);
    for (const Text& pair : oldList)
        if (!hasCookieName(newList, cookieName(pair))) newList.push_back(pair);
    oldCookies.clear();
    for (const Text& pair : newList) {
        if (endsWith(pair, "=deleted")) continue;
        oldCookies += pair + "; ";
    }
    if (oldCookies.size() >= 2) oldCookies.resize(oldCookies.size() - 2);
    oldCookies = removeDuplicateItems(oldCookies, "; ");
    return oldCookies;
}

}  // namespace qx::net
