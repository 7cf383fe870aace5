#include "faults/FaultFeature.h"

#include "platform/system/Worker.h"

namespace qx::test {

std::string httpAnswer(int status, const std::string& contentType, const std::string& body,
                       const std::string& extraLines) {
    const char* reason = status == 200 ? "OK" : status == 302 ? "Found" : "Status";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " + contentType + "\r\n" +
           extraLines + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

bool workersEndWithin(std::chrono::milliseconds limit) {
    if (platform::waitForAllWorkers(limit)) return true;
    platform::stopAllWorkers();
    platform::waitForAllWorkers(std::chrono::seconds(30));
    return false;
}

std::string shortened(const std::string& text) {
    if (text.size() <= 200) return text;
    return text.substr(0, 60) + "...[" + std::to_string(text.size()) + " bytes]..." +
           text.substr(text.size() - 100);
}

void LateWrites::propertyChanged(const std::string& control, ui::Prop prop) {
    if (!window_->destroyed()) return;
    std::lock_guard lock(mutex_);
    late_.push_back((control.empty() ? window_->name() : control) + " property " +
                    std::to_string(static_cast<int>(prop)));
}

std::vector<std::string> LateWrites::writes() const {
    std::lock_guard lock(mutex_);
    return late_;
}

}  // namespace qx::test
