#include "faults/FaultDouble.h"

#include <chrono>

#include "support/doubles/WireDouble.h"

namespace qx::test {

FaultDouble::FaultDouble(Fault fault, std::vector<std::string> replies, std::size_t faultStep,
                         std::string bent)
    : fault_(fault),
      replies_(std::move(replies)),
      faultStep_(faultStep),
      bent_(std::move(bent)),
      closedPort_(closedLocalPort()),
      https_(TestServer::Https, false),
      http_(TestServer::Http, false) {
    https_.setRawFallback([this](const HttpRequestRecord& r, Connection& c) { handle(r, c); });
    http_.setRawFallback([this](const HttpRequestRecord& r, Connection& c) { handle(r, c); });
}

FaultDouble::~FaultDouble() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
}

std::string FaultDouble::connectTo() const {
    const std::string closed = "::127.0.0.1:" + std::to_string(closedPort_);
    if (fault_ == Fault::Refused) return closed;
    return ":443:" + https_.hostPort() + ",:80:" + http_.hostPort() + "," + closed;
}

void FaultDouble::hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void FaultDouble::release() {
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    changed_.notify_all();
}

bool FaultDouble::waitForFaultedRequest(int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return received_ >= faultStep_; });
}

std::size_t FaultDouble::requestCount() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void FaultDouble::handle(const HttpRequestRecord& request, Connection& connection) {
    std::size_t step;
    {
        std::unique_lock lock(mutex_);
        step = ++received_;
        changed_.notify_all();
        if (step >= faultStep_) changed_.wait(lock, [&] { return !held_ || ending_; });
    }
    const std::string& good =
        replies_.empty() ? std::string() : replies_[std::min(step, replies_.size()) - 1];
    const bool bodyFault = fault_ == Fault::WrongTypes || fault_ == Fault::BadEncoding;
    if (step < faultStep_ || (bodyFault && step > faultStep_)) {
        connection.write(good);
        return;
    }
    playFault(fault_, request, connection, good, bent_);
}

}  // namespace qx::test
