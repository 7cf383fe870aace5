#pragma once
// The avatar service without its window: the address of an account's picture and its fetch.
#include <stop_token>
#include <string_view>

#include "core/Text.h"

namespace qx::avatar {

// The public avatar service.
inline constexpr std::string_view kAvatarHost = "q1.qlogo.cn";

// "http://<host>/g?b=qq&nk=<account as typed>&s=100".
Text avatarUrl(const Text& account);

// The service's answer for the account: the picture's bytes, empty when the request failed or
// was stopped. answered, when given, tells whether a whole answer arrived.
ByteArray fetchAvatarPicture(const Text& account, std::stop_token stop, bool* answered = nullptr);

}  // namespace qx::avatar
