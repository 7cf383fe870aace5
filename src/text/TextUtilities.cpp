#include "text/TextUtilities.h"

#include "platform/system/Files.h"
#include "text/Strings.h"

namespace qx {

std::vector<int> findAllPositions(std::string_view text, std::string_view needle) {
    std::vector<int> out;
    if (needle.empty()) return out;
    int p = find(text, needle, 1, true);
    while (p > 0) {
        out.push_back(p);
        p = find(text, needle, p + static_cast<int>(needle.size()), true);
    }
    return out;
}

Text removeBetweenMarkers(std::string_view text, std::string_view left, std::string_view right,
                          bool keepMarkers) {
    Text s(text);
    if (left.empty() || right.empty()) return s;
    std::vector<int> positions = findAllPositions(s, left);
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        int p = *it;
        int leftEnd = p + static_cast<int>(left.size());
        int q = find(s, right, leftEnd, false);
        if (q < 0) continue;
        int from = keepMarkers ? leftEnd : p;
        int to = keepMarkers ? q - 1 : q + static_cast<int>(right.size()) - 1;
        if (to < from) continue;
        s.erase(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1));
    }
    return s;
}

TextArray splitNonEmpty(std::string_view text, std::string_view delimiter, int maxCount) {
    TextArray out;
    for (auto& piece : split(text, delimiter, maxCount))
        if (!piece.empty()) out.push_back(std::move(piece));
    return out;
}

TextArray listFiles(std::string_view directory, std::string_view pattern) {
    TextArray out;
    Text dir(directory);
    bool endsWithSeparator = !dir.empty() && (dir.back() == '/' || dir.back() == '\\');
    for (const Text& name : platform::listNames(dir, pattern))
        out.push_back(endsWithSeparator ? dir + name : dir + platform::pathSeparator() + name);
    return out;
}

}  // namespace qx
