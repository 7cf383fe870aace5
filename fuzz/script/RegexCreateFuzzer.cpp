// RegexMatcher.create on an arbitrary pattern and subject, then every read. The first byte picks the
// flags; a NUL byte separates the pattern from the subject. Positions must point at the match text
// whenever the subject survives the GBK round trip.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/text/CodePage.h"
#include "script/RegexMatcher.h"

using namespace qx;
using namespace qx::script;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::uint8_t flags = data[0];
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::size_t cut = rest.find('\0');
    std::string pattern = rest.substr(0, cut);
    std::string subject = cut == std::string::npos ? std::string("aAb\r\n1_ ") : rest.substr(cut + 1);
    qx::script::RegexMatcher m;
    if (!m.create(pattern, subject, flags & 1, flags & 2, flags & 4, flags & 8)) return 0;
    bool exact = qx::platform::encodeCodePage(qx::platform::decodeCodePage(subject, 936), 936) == subject;
    int count = m.matchCount();
    for (int i = 1; i <= count && i <= 64; ++i) {
        int pos = -1;
        std::string text = m.matchText(i, pos, true);
        if (pos < 0 || static_cast<std::size_t>(pos) > subject.size()) std::abort();
        if (exact && subject.compare(static_cast<std::size_t>(pos), text.size(), text) != 0) std::abort();
        for (int k = 1; k <= m.subMatchCount() && k <= 8; ++k) {
            int sp = -1;
            std::string sub = m.subMatchText(i, k, sp, true);
            if (sp == -2) {
                if (!sub.empty()) std::abort();
            } else if (exact && subject.compare(static_cast<std::size_t>(sp), sub.size(), sub) != 0) {
                std::abort();
            }
        }
        m.matchBytes(i);
    }
    m.replace("[$1$&$`$'$$$99]");
    return 0;
}
