#pragma once
// The one table of limits for requests that fetch a document: each kind of answer gets a
// whole-request deadline and a size cap. Downloads whose length is the point (the speed test,
// the update, the tester with its own limit) use none.
#include "platform/http/Limits.h"

namespace qx::net {

enum class AnswerKind { Notice, Resolver, Avatar, Favicon, Speech };

platform::TransferLimits fetchLimits(AnswerKind kind);

// Tests shorten the deadline to see it strike (0 restores the real one).
void setFetchDeadlineForTests(std::chrono::milliseconds deadline);

}  // namespace qx::net
