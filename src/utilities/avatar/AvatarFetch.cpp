#include "utilities/avatar/AvatarFetch.h"

#include "net/FetchLimits.h"
#include "net/HttpRequest.h"

namespace qx::avatar {

Text avatarUrl(const Text& account) {
    return "http://" + Text(kAvatarHost) + "/g?b=qq&nk=" + account + "&s=100";
}

ByteArray fetchAvatarPicture(const Text& account, std::stop_token stop, bool* answered) {
    net::HttpRequestOptions request;
    request.url = avatarUrl(account);
    request.setMethod(net::HttpMethod::Get);
    request.headers = net::headerLines({{"Content-Type", "image/jpeg"}});
    request.stop = std::move(stop);
    request.limits = net::fetchLimits(net::AnswerKind::Avatar);
    ByteArray picture = net::httpObjectRequest(request);
    if (answered) *answered = request.completed;
    return picture;
}

}  // namespace qx::avatar
