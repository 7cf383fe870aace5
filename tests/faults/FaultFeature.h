#pragma once
// One network feature as the fault matrix drives it: the good conversation of its service,
// where the fault strikes, what the feature must show under each fault, and how long it may take.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "faults/FaultDouble.h"
#include "ui/Window.h"

namespace qx::test {

// The document fetches' deadline during the matrix; the real one is a minute.
inline constexpr std::chrono::milliseconds kMatrixDeadline{3000};

// A whole HTTP answer with Content-Length.
std::string httpAnswer(int status, const std::string& contentType, const std::string& body,
                       const std::string& extraLines = {});

// Waits until every worker has ended; workers that overrun are stopped, so one bad cell spoils no
// other. False when they overran.
bool workersEndWithin(std::chrono::milliseconds limit);
// A long text as its start, its size and its end, so a difference stays readable.
std::string shortened(const std::string& text);

// Records every write into a window that arrives once the window is destroyed.
class LateWrites : public ui::WindowObserver {
  public:
    explicit LateWrites(ui::Window* window) : window_(window) {}
    void propertyChanged(const std::string& control, ui::Prop prop) override;
    std::vector<std::string> writes() const;

  private:
    ui::Window* window_;
    mutable std::mutex mutex_;
    std::vector<std::string> late_;
};

class FaultFeature {
  public:
    virtual ~FaultFeature() = default;
    virtual std::string name() const = 0;
    // The good answers of the service's conversation, step by step.
    virtual std::vector<std::string> replies() const = 0;
    // The step whose answer the fault replaces (from 1).
    virtual std::size_t faultStep() const { return 1; }
    // The body of that step under WrongTypes and BadEncoding.
    virtual std::string bentBody(Fault fault) const = 0;
    // How long one run may take under the fault, from the click to the end of its last worker.
    virtual std::chrono::milliseconds limit(Fault fault) const = 0;
    // What the feature must end with under the fault, in the words of run().
    virtual std::string expected(Fault fault) const = 0;
    // Runs the feature once to its end (every worker it started has ended) and tells what it showed.
    virtual std::string run(FaultDouble& service) = 0;
    // Whether the matrix runs the feature under the fault: an endless body only for the features
    // that take answers of any length but the one their cap allows.
    virtual bool covers(Fault fault) const { return fault != Fault::EndlessBody; }
    // Whether the feature writes into a window that the user can close while it runs.
    virtual bool closable() const { return true; }
    // Starts the feature, closes its window once the faulted request is in, lets the fault play
    // and waits for the end; the writes the window got after its close.
    virtual std::vector<std::string> runAndClose(FaultDouble& service) = 0;
};

std::vector<std::shared_ptr<FaultFeature>> noticeFeatures();
std::vector<std::shared_ptr<FaultFeature>> resolverFeatures();
std::vector<std::shared_ptr<FaultFeature>> testerFeatures();
std::vector<std::shared_ptr<FaultFeature>> speechFeatures();
std::vector<std::shared_ptr<FaultFeature>> pictureFeatures();
std::vector<std::shared_ptr<FaultFeature>> speedTestFeatures();
std::vector<std::shared_ptr<FaultFeature>> shortLinkFeatures();
std::vector<std::shared_ptr<FaultFeature>> cliFeatures();

}  // namespace qx::test
