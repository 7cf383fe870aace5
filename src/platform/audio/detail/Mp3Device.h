#pragma once
// One open MP3 file and its playback: a decoder that lives from open to close, and a sound
// output that is held only while playing.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

struct mpg123_handle_struct;
struct out123_struct;

namespace qx::platform::detail {

class Mp3Device : public std::enable_shared_from_this<Mp3Device> {
  public:
    // A device for the file at nativePath; *result is 0, or why it could not be opened.
    static std::shared_ptr<Mp3Device> open(const std::string& nativePath, int* result);
    ~Mp3Device();
    Mp3Device(const Mp3Device&) = delete;
    Mp3Device& operator=(const Mp3Device&) = delete;

    // Stops a running playback first. With wait, plays on the calling thread; otherwise on a
    // thread of its own.
    int play(bool wait, const std::string& outputModule);
    // Ends a running playback and waits until its output is released.
    void stop();
    // stop, and no more playback after it.
    void close();

  private:
    Mp3Device() = default;
    void run(out123_struct* output);
    bool stopWanted() const { return stopRequest_ || closed_; }

    mpg123_handle_struct* decoder_ = nullptr;
    long rate_ = 0;
    int channels_ = 0;
    int encoding_ = 0;
    bool atEnd_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool playing_ = false;
    bool stopRequest_ = false;
    bool closed_ = false;
};

}  // namespace qx::platform::detail
