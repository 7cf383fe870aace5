#include "net/FetchLimits.h"

#include <atomic>

namespace qx::net {

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kMiB = 1024 * 1024;
// One deadline for every document fetch: long enough for a slow mobile link, short enough
// that a trickling server cannot hold a worker.
constexpr auto kDocumentDeadline = std::chrono::milliseconds(60s);

std::atomic<long long> testDeadlineMs {0};

platform::TransferLimits limitsOf(AnswerKind kind) {
    switch (kind) {
        // The note is a few KB of HTML inside JSON; 8 MiB leaves room for a long change log.
        case AnswerKind::Notice: return {kDocumentDeadline, 8 * kMiB};
        // Share pages and API answers are tens of KB; a page several MiB long is not a share page.
        case AnswerKind::Resolver: return {kDocumentDeadline, 8 * kMiB};
        // Avatars are at most 640x640 pictures; favicons are small icons, some with many frames.
        case AnswerKind::Avatar: return {kDocumentDeadline, 4 * kMiB};
        case AnswerKind::Favicon: return {kDocumentDeadline, 4 * kMiB};
        // Speech of a long text runs to a few MiB of MP3.
        case AnswerKind::Speech: return {kDocumentDeadline, 32 * kMiB};
    }
    return {kDocumentDeadline, 8 * kMiB};
}

}  // namespace

platform::TransferLimits fetchLimits(AnswerKind kind) {
    platform::TransferLimits limits = limitsOf(kind);
    if (long long ms = testDeadlineMs.load()) limits.deadline = std::chrono::milliseconds(ms);
    return limits;
}

void setFetchDeadlineForTests(std::chrono::milliseconds deadline) { testDeadlineMs = deadline.count(); }

}  // namespace qx::net
