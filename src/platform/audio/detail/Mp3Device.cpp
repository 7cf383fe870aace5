#include "platform/audio/detail/Mp3Device.h"

#include <mpg123.h>
#include <out123.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/audio/Mci.h"
#include "platform/library/SharedLibrary.h"

namespace qx::platform::detail {

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// How far the decoder may run ahead of the clock. An output that does not block (the dummy
// module, a device with a huge buffer) is paced by it, so a blocking play lasts as long as
// the audio and a stop never has much queued sound to drop.
constexpr Seconds kLead(0.25);

// The decoder and the sound output are opened with the first sound played.
struct Decoder : Imports {
    Decoder() : Imports(QX_MPG123_SONAME) {
        if (complete()) mpg123_init();
    }
    QX_IMPORT(mpg123_init);
    QX_IMPORT(mpg123_new);
    QX_IMPORT(mpg123_param);
    QX_IMPORT(mpg123_open);
    QX_IMPORT(mpg123_getformat);
    QX_IMPORT(mpg123_outblock);
    QX_IMPORT(mpg123_read);
    QX_IMPORT(mpg123_close);
    QX_IMPORT(mpg123_delete);
};

struct Output : Imports {
    Output() : Imports(QX_OUT123_SONAME) {}
    QX_IMPORT(out123_new);
    QX_IMPORT(out123_param);
    QX_IMPORT(out123_open);
    QX_IMPORT(out123_start);
    QX_IMPORT(out123_encsize);
    QX_IMPORT(out123_play);
    QX_IMPORT(out123_drain);
    QX_IMPORT(out123_drop);
    QX_IMPORT(out123_stop);
    QX_IMPORT(out123_del);
};

// Only called once open() found both libraries.
const Decoder& mpg() { return *imported<Decoder>(); }
const Output& out() { return *imported<Output>(); }

out123_handle* openOutput(const std::string& module, long rate, int channels, int encoding) {
    out123_handle* output = out().out123_new();
    if (!output) return nullptr;
    out().out123_param_int(output, OUT123_FLAGS, OUT123_QUIET);
    if (out().out123_open(output, module.empty() ? nullptr : module.c_str(), nullptr) != OUT123_OK ||
        out().out123_start(output, rate, channels, encoding) != OUT123_OK) {
        out().out123_del(output);
        return nullptr;
    }
    return output;
}

}  // namespace

std::shared_ptr<Mp3Device> Mp3Device::open(const std::string& nativePath, int* result) {
    if (!imported<Decoder>() || !imported<Output>()) {
        *result = kMciHardware;
        return nullptr;
    }
    std::shared_ptr<Mp3Device> device(new Mp3Device());
    device->decoder_ = mpg().mpg123_new(nullptr, nullptr);
    if (!device->decoder_) {
        *result = kMciHardware;
        return nullptr;
    }
    mpg().mpg123_param(device->decoder_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // The first frame header gives the format; a file that yields none is not MPEG audio.
    if (mpg().mpg123_open(device->decoder_, nativePath.c_str()) != MPG123_OK ||
        mpg().mpg123_getformat(device->decoder_, &device->rate_, &device->channels_, &device->encoding_) !=
            MPG123_OK ||
        device->rate_ <= 0 || device->channels_ <= 0 || out().out123_encsize(device->encoding_) <= 0) {
        *result = kMciInvalidFile;
        return nullptr;
    }
    *result = kMciOk;
    return device;
}

Mp3Device::~Mp3Device() {
    if (!decoder_) return;
    mpg().mpg123_close(decoder_);
    mpg().mpg123_delete(decoder_);
}

int Mp3Device::play(bool wait, const std::string& outputModule) {
    std::unique_lock lock(mutex_);
    // A new play takes over from a running one, as a second play command does.
    while (playing_ && !closed_) {
        stopRequest_ = true;
        changed_.notify_all();
        changed_.wait(lock);
    }
    if (closed_) return kMciInvalidDeviceName;
    if (atEnd_) return kMciOk;  // played to the end already: nothing more to play
    playing_ = true;
    stopRequest_ = false;
    lock.unlock();

    // Opened outside the lock: a sound server may take a while, and a close meanwhile must not
    // wait for it longer than that (the playback then ends before its first buffer).
    auto giveUp = [this] {
        std::lock_guard relock(mutex_);
        playing_ = false;
        changed_.notify_all();
        return kMciHardware;
    };
    out123_handle* output = openOutput(outputModule, rate_, channels_, encoding_);
    if (!output) return giveUp();
    if (wait) {
        run(output);
        return kMciOk;
    }
    try {
        std::thread([self = shared_from_this(), output] { self->run(output); }).detach();
    } catch (...) {
        out().out123_del(output);
        return giveUp();
    }
    return kMciOk;
}

void Mp3Device::run(out123_handle* output) {
    std::vector<unsigned char> buffer(mpg().mpg123_outblock(decoder_));
    long rate = rate_;
    int channels = channels_, encoding = encoding_;
    double bytesPerSecond = static_cast<double>(rate) * channels * out().out123_encsize(encoding);
    double playedSeconds = 0;
    const Clock::time_point start = Clock::now();
    bool stopped = false;
    auto ahead = [&] { return Seconds(playedSeconds) - (Clock::now() - start); };
    auto waitUnlessStopped = [&](Seconds span) {
        std::unique_lock lock(mutex_);
        return !changed_.wait_for(lock, span, [&] { return stopWanted(); });
    };

    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopWanted()) {
                stopped = true;
                break;
            }
        }
        std::size_t done = 0;
        int err = mpg().mpg123_read(decoder_, buffer.data(), buffer.size(), &done);
        if (done > 0) {
            out().out123_play(output, buffer.data(), done);
            playedSeconds += static_cast<double>(done) / bytesPerSecond;
        }
        if (err == MPG123_NEW_FORMAT) {
            long r = 0;
            int c = 0, e = 0;
            if (mpg().mpg123_getformat(decoder_, &r, &c, &e) != MPG123_OK || r <= 0 || c <= 0 ||
                out().out123_encsize(e) <= 0)
                break;
            if (r != rate || c != channels || e != encoding) {
                out().out123_drain(output);
                out().out123_stop(output);
                if (out().out123_start(output, r, c, e) != OUT123_OK) break;
                rate = r, channels = c, encoding = e;
                bytesPerSecond = static_cast<double>(rate) * channels * out().out123_encsize(encoding);
            }
            continue;
        }
        if (err == MPG123_DONE) {
            std::lock_guard lock(mutex_);
            atEnd_ = true;
            break;
        }
        if (err != MPG123_OK) break;  // a broken stream ends with what could be played
        if (ahead() > kLead && !waitUnlessStopped(ahead() - kLead)) {
            stopped = true;
            break;
        }
    }
    // The last decoded sound still has to be heard before a blocking play returns.
    if (!stopped && ahead() > Seconds(0) && !waitUnlessStopped(ahead())) stopped = true;
    if (stopped) {
        out().out123_drop(output);
    } else {
        out().out123_drain(output);
    }
    out().out123_del(output);

    std::lock_guard lock(mutex_);
    playing_ = false;
    stopRequest_ = false;
    changed_.notify_all();
}

void Mp3Device::stop() {
    std::unique_lock lock(mutex_);
    if (!playing_) return;
    stopRequest_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !playing_; });
}

void Mp3Device::close() {
    std::unique_lock lock(mutex_);
    closed_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !playing_; });
}

}  // namespace qx::platform::detail
