#include "utilities/siteicon/IconFetch.h"

#include "net/FetchLimits.h"
#include "platform/http/Internet.h"
#include "script/RegexMatcher.h"

namespace qx::siteicon {

Text siteAddress(const Text& typed) {
    script::RegexMatcher matcher;
    if (matcher.create("https?://", typed, true, true, true) && matcher.matchCount() > 0) return typed;
    return "http://" + typed;
}

ByteArray fetchSiteIcon(const Text& address, std::stop_token stop) {
    return platform::httpGetBytes(address + "/favicon.ico", stop, net::fetchLimits(net::AnswerKind::Favicon));
}

}  // namespace qx::siteicon
