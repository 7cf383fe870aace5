#pragma once
// The working state of one tester window: the chosen method, the running request and the last
// answer.
#include <atomic>
#include <memory>
#include <mutex>
#include <stop_token>

#include "core/Shared.h"
#include "core/Text.h"
#include "net/HttpRequest.h"

namespace qx::tester {

// One request of the tester. Its answer, the user's cancel and the time limit race to end it;
// whoever sets `ended` first under the lock decides what the window shows.
struct RequestRun {
    std::mutex mutex;
    std::stop_source stop;
    bool ended = false;
};

struct Session {
    std::atomic<net::HttpMethod> testerMethod{net::HttpMethod::Get};  // as the radio buttons say
    std::atomic<int> requestElapsedSeconds{0};
    Shared<std::shared_ptr<RequestRun>> requestThread;  // the latest request, running or ended
    Shared<ByteArray> lastResponseBytes;
    Shared<Text> savedPageText;  // the 取文本 toggle's page as it was before the conversion
};

}  // namespace qx::tester
