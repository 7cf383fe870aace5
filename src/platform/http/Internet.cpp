#include "platform/http/Internet.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/http/detail/CurlTransfer.h"
#include "platform/http/detail/HeaderList.h"
#include "platform/system/Clock.h"
#include "platform/system/Files.h"

namespace qx::platform {

namespace {

using detail::CurlTransfer;
using detail::Exchange;
using detail::ResponseHead;

// The time-outs WinINet gives a handle nobody configured.
constexpr long ConnectMs = 60000;
constexpr long SendIdleMs = 30000;
constexpr long ReceiveIdleMs = 30000;

std::vector<std::string> splitLines(std::string_view block) {
    std::vector<std::string> lines;
    while (!block.empty()) {
        std::size_t end = block.find("\r\n");
        if (end != 0) lines.emplace_back(block.substr(0, end));
        if (end == std::string_view::npos) break;
        block.remove_prefix(end + 2);
    }
    return lines;
}

class File {
  public:
    ~File() { close(); }
    bool open(const std::string& nativePath, bool append) {
        int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
        fd_ = ::open(nativePath.c_str(), flags, 0644);
        return fd_ >= 0;
    }
    bool write(const char* data, std::size_t n) {
        while (n > 0) {
            ssize_t w = ::write(fd_, data, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            data += w;
            n -= static_cast<std::size_t>(w);
        }
        return true;
    }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool isOpen() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

}  // namespace

int plainGetChunkSize(long long contentLength) {
    if (contentLength <= 0) return 10240;
    return static_cast<int>(std::min<long long>(contentLength + 1, 102400));
}

std::vector<std::uint8_t> httpGetBytes(std::string_view url, std::stop_token stop, TransferLimits limits) {
    // One transport per call: nothing needs the root handle the system kept open, and a shared
    // handle would serialise the callers' threads.
    CurlTransfer transfer;
    if (!transfer.valid() || !detail::isHttpUrl(url)) return {};
    detail::HeaderSlist headers = detail::HeaderSlist::fromLines({"Accept: */*"});
    if (!headers.ok()) return {};
    Exchange exchange;
    exchange.verb = "GET";
    exchange.url = detail::escapeUrl(url);
    exchange.headers = headers.get();
    exchange.http10 = true;
    exchange.userAgent = std::string(PlainGetAgent);
    exchange.bufferSize = 102400;
    exchange.connectMs = ConnectMs;
    exchange.sendIdleMs = SendIdleMs;
    exchange.receiveIdleMs = ReceiveIdleMs;
    exchange.deadline = limits.deadline;
    exchange.maxBodyBytes = limits.maxBodyBytes;

    std::vector<std::uint8_t> body;
    std::size_t chunk = 10240;
    transfer.onHead = [&](const ResponseHead& head) {
        chunk = static_cast<std::size_t>(plainGetChunkSize(head.contentLength));
        if (head.contentLength > 0)
            body.reserve(static_cast<std::size_t>(std::min<long long>(head.contentLength, 64LL << 20)));
        return true;
    };
    transfer.onBody = [&](const char* data, std::size_t n) {
        // Appended read by read, each at most the read size chosen from Content-Length.
        for (std::size_t at = 0; at < n; at += chunk) {
            std::size_t len = std::min(chunk, n - at);
            body.insert(body.end(), reinterpret_cast<const std::uint8_t*>(data + at),
                        reinterpret_cast<const std::uint8_t*>(data + at + len));
        }
        return true;
    };
    if (!transfer.run(exchange, stop).ok()) return {};
    return body;
}

std::string downloadHeaderBlock(std::int64_t startOffset, bool resume) {
    std::string block =
        "Accept: */*\r\n"
        "Accept-Language: zh-cn\r\n"
        "Accept-Encoding: gzip, deflate\r\n"
        "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";
    if (resume) block += "\r\nRange:bytes=" + std::to_string(startOffset) + "-";
    return block;
}

int downloadToFile(std::string_view url, std::string_view path, const DownloadProgress& progress,
                   std::int64_t startOffset, bool resume, std::stop_token stop) {
    // WinINet picked its proxy mode from the system's connection state; this program reads no
    // proxy from the environment, so the transfer always goes direct.
    std::string agent = "Agent" + std::to_string(tickCount());
    CurlTransfer transfer;
    if (!transfer.valid() || !detail::isHttpUrl(url)) return -1;
    detail::HeaderSlist headers =
        detail::HeaderSlist::fromLines(splitLines(downloadHeaderBlock(startOffset, resume)));
    if (!headers.ok()) return -1;
    Exchange exchange;
    exchange.verb = "GET";
    exchange.url = detail::escapeUrl(url);
    exchange.headers = headers.get();
    exchange.userAgent = agent;  // the block's own User-Agent line goes out instead
    // Large socket reads; the file and the callback still get chunks of at most 10240 bytes,
    // written straight from the transport's one receive buffer.
    exchange.bufferSize = 256 * 1024;
    exchange.connectMs = ConnectMs;
    exchange.sendIdleMs = SendIdleMs;
    exchange.receiveIdleMs = ReceiveIdleMs;

    File file;
    const std::string nativePath = toNativePath(path);
    std::int64_t downloaded = resume ? startOffset : 0;
    std::int64_t total = 0;
    std::uint32_t startTick = 0;
    transfer.onHead = [&](const ResponseHead& head) {
        if (!file.open(nativePath, resume)) return false;
        total = head.contentLength > 0 ? head.contentLength : 0;
        startTick = tickCount();
        return true;
    };
    transfer.onBody = [&](const char* data, std::size_t n) {
        for (std::size_t at = 0; at < n; at += DownloadChunkSize) {
            if (stop.stop_requested()) return false;
            std::size_t len = std::min(DownloadChunkSize, n - at);
            if (!file.write(data + at, len)) return false;
            downloaded += static_cast<std::int64_t>(len);
            std::uint32_t elapsed = tickCount() - startTick;
            if (elapsed == 0) elapsed = 10;
            if (progress)
                progress(total, downloaded, static_cast<int>(elapsed),
                         downloaded - (resume ? startOffset : 0), 0);
        }
        return true;
    };
    detail::TransferResult result = transfer.run(exchange, stop);
    file.close();
    return result.ok() && !stop.stop_requested() ? 0 : -1;
}

}  // namespace qx::platform
