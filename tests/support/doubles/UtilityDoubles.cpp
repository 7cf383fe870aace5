#include "support/doubles/UtilityDoubles.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/imaging/ImageCodec.h"

namespace qx::test {

namespace {

std::string percentDecoded(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// "" when the lines are equal, otherwise what differs first.
std::string compareLines(const std::vector<std::string>& got, const std::vector<std::string>& want) {
    for (std::size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
        std::string g = i < got.size() ? got[i] : "<none>";
        std::string w = i < want.size() ? want[i] : "<none>";
        if (g != w) return "header line " + std::to_string(i + 1) + ": got [" + g + "], want [" + w + "]";
    }
    return "";
}

qx::platform::RgbaImage disc(int w, int h, std::uint8_t background) {
    qx::platform::RgbaImage img;
    img.width = w;
    img.height = h;
    img.pixels.resize(std::size_t(w) * std::size_t(h) * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double dx = (x + 0.5) / w - 0.5, dy = (y + 0.5) / h - 0.5;
            bool inside = dx * dx + dy * dy < 0.2;
            std::uint8_t* p = &img.pixels[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 4];
            if (inside) {
                p[0] = std::uint8_t(40 + 180 * x / w), p[1] = std::uint8_t(90 + 120 * y / h), p[2] = 200,
                p[3] = 255;
            } else {
                p[0] = p[1] = p[2] = 230, p[3] = background;
            }
        }
    return img;
}

void put16(std::string& b, unsigned v) { b += char(v & 0xFF), b += char((v >> 8) & 0xFF); }
void put32(std::string& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 0xFF);
}

}  // namespace

// ---- AvatarDouble ----

AvatarDouble::AvatarDouble() : server_(TestServer::Http, false) {
    server_.route("/g", [this](const HttpRequestRecord& request, HttpResponse& response) {
        handle(request, response);
    });
    server_.setFallback([this](const HttpRequestRecord& request, HttpResponse& response) {
        std::lock_guard lock(mutex_);
        problem_ = "path " + request.path;
        response.status = 404;
    });
}

void AvatarDouble::setPicture(const std::string& account, std::string bytes) {
    std::lock_guard lock(mutex_);
    pictures_[account] = std::move(bytes);
}
void AvatarDouble::setDefaultPicture(std::string bytes) {
    std::lock_guard lock(mutex_);
    defaultPicture_ = std::move(bytes);
}
void AvatarDouble::setDelay(const std::string& account, int ms) {
    std::lock_guard lock(mutex_);
    delays_[account] = ms;
}
void AvatarDouble::setOverride(std::string body) {
    std::lock_guard lock(mutex_);
    override_ = std::move(body);
    overridden_ = true;
}
std::string AvatarDouble::connectTo() const {
    return std::string(kHost) + ":80:127.0.0.1:" + std::to_string(server_.port());
}
std::string AvatarDouble::lastProblem() const {
    std::lock_guard lock(mutex_);
    return problem_;
}
std::string AvatarDouble::lastAccount() const {
    std::lock_guard lock(mutex_);
    return account_;
}
int AvatarDouble::served() const {
    std::lock_guard lock(mutex_);
    return served_;
}

void AvatarDouble::handle(const HttpRequestRecord& request, HttpResponse& response) {
    std::string problem;
    std::string account;
    const std::string head = "b=qq&nk=", tail = "&s=100";
    const std::string& q = request.query;
    if (request.method != "GET") {
        problem = "method " + request.method;
    } else if (request.version != "HTTP/1.1") {
        problem = "version " + request.version;
    } else if (q.size() < head.size() + tail.size() || q.compare(0, head.size(), head) != 0 ||
               q.compare(q.size() - tail.size(), tail.size(), tail) != 0) {
        problem = "query " + q;
    } else {
        account = percentDecoded(q.substr(head.size(), q.size() - head.size() - tail.size()));
        const std::string url = "http://" + std::string(kHost) + "/g?b=qq&nk=" + account + "&s=100";
        problem = compareLines(
            request.headerLines(),
            {"Host: " + std::string(kHost), "Content-Type: image/jpeg", "Accept: */*", "Referer: " + url,
             "Accept-Language: zh-cn", "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"});
        if (problem.empty() && !request.body.empty()) problem = "body " + request.body;
    }
    int delay = 0;
    {
        std::lock_guard lock(mutex_);
        auto d = delays_.find(account);
        if (d != delays_.end()) delay = d->second;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    std::lock_guard lock(mutex_);
    problem_ = problem;
    account_ = account;
    if (!problem.empty()) {
        response.status = 400;
        response.body = "bad request: " + problem;
        return;
    }
    ++served_;
    if (overridden_) {
        response.body = override_;
        return;
    }
    auto it = pictures_.find(account);
    response.add("Content-Type", "image/png");
    response.body = it != pictures_.end() ? it->second : defaultPicture_;
}

// ---- SiteDouble ----

SiteDouble::SiteDouble() : server_(TestServer::Http, false) {
    // Like most servers, the site treats "//favicon.ico" as "/favicon.ico".
    auto favicon = [this](const HttpRequestRecord& request, HttpResponse& response) {
        check(request);
        std::lock_guard lock(mutex_);
        if (!haveFavicon_) {
            response.status = 404;
            response.add("Content-Type", "text/html");
            response.body = "<html><body><h1>404 Not Found</h1></body></html>";
            return;
        }
        response.add("Content-Type", "image/x-icon");
        response.body = favicon_;
    };
    server_.route("/favicon.ico", favicon);
    server_.route("//favicon.ico", favicon);
    server_.setFallback([this](const HttpRequestRecord& request, HttpResponse& response) {
        check(request);
        response.status = 404;
        response.body = "<html>not here</html>";
    });
}

void SiteDouble::setFavicon(std::string bytes) {
    std::lock_guard lock(mutex_);
    favicon_ = std::move(bytes);
    haveFavicon_ = true;
}
std::string SiteDouble::connectTo(const std::string& host) const {
    return host + ":80:127.0.0.1:" + std::to_string(server_.port());
}
std::string SiteDouble::lastProblem() const {
    std::lock_guard lock(mutex_);
    return problem_;
}

void SiteDouble::check(const HttpRequestRecord& request) {
    std::string problem;
    if (request.method != "GET")
        problem = "method " + request.method;
    else if (request.version != "HTTP/1.0")
        problem = "version " + request.version;
    else if (request.header("User-Agent") != "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)")
        problem = "user agent " + request.header("User-Agent");
    else if (request.header("Accept") != "*/*" || request.headerCount("Accept") != 1)
        problem = "accept " + request.header("Accept");
    else if (!request.body.empty())
        problem = "body " + request.body;
    std::lock_guard lock(mutex_);
    problem_ = problem;
}

// ---- SpeedTestServer ----

SpeedTestServer::SpeedTestServer() : SpeedTestServer(Behaviour{}) {}

SpeedTestServer::SpeedTestServer(Behaviour behaviour)
    : behaviour_(behaviour), server_(TestServer::Http, false) {
    server_.rawRoute(kPath, [this](const HttpRequestRecord& request, Connection& c) { serve(request, c); });
}

void SpeedTestServer::setBehaviour(Behaviour behaviour) {
    std::lock_guard lock(mutex_);
    behaviour_ = behaviour;
}
std::string SpeedTestServer::url() const { return server_.url(kPath); }
std::string SpeedTestServer::connectTo(const std::string& host) const {
    return host + ":80:127.0.0.1:" + std::to_string(server_.port());
}
std::string SpeedTestServer::lastProblem() const {
    std::lock_guard lock(mutex_);
    return problem_;
}

std::vector<std::string> SpeedTestServer::expectedHeaderLines(std::int64_t rangeStart) {
    return {"Accept: */*", "Accept-Language: zh-cn", "Accept-Encoding: gzip, deflate",
            "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)",
            "Range:bytes=" + std::to_string(rangeStart) + "-"};
}

void SpeedTestServer::serve(const HttpRequestRecord& request, Connection& c) {
    std::vector<std::string> lines = request.headerLines();
    std::string problem;
    if (request.method != "GET" || request.version != "HTTP/1.1") {
        problem = "request line " + request.method + " " + request.version;
    } else if (lines.empty() || lines[0].rfind("Host: ", 0) != 0) {
        problem = "no Host line first";
    } else {
        lines.erase(lines.begin());
        problem = compareLines(lines, expectedHeaderLines(0));
    }
    Behaviour b;
    {
        std::lock_guard lock(mutex_);
        problem_ = problem;
        b = behaviour_;
    }
    if (!problem.empty()) {
        HttpResponse bad;
        bad.status = 400;
        bad.body = problem;
        c.writeResponse(bad);
        return;
    }
    for (int waited = 0; waited < b.startAfterMs; waited += 50)
        if (!c.sleep(50)) return;
    if (!c.writeHead(
            206, "",
            {{"Content-Type", "application/octet-stream"},
             {"Content-Length", std::to_string(b.length)},
             {"Content-Range", "bytes 0-" + std::to_string(b.length - 1) + "/" + std::to_string(b.length)}}))
        return;
    // One buffer of content, sent again and again: the bytes themselves do not matter here.
    static const std::string block = TestServer::patternBytes(0, 1 << 20);
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    // Slices of 5 ms at the paced rate; each waits for its moment, so the rate holds on average
    // however the sleeps fall.
    const std::size_t slice =
        b.bytesPerSecond > 0 ? std::max<std::size_t>(1, std::size_t(b.bytesPerSecond / 200)) : block.size();
    std::int64_t sent = 0;
    while (sent < b.length && !c.stopping()) {
        if (b.stallAfter >= 0 && sent >= b.stallAfter) {
            // Next to nothing from here on: a byte now and then, which also tells us when the
            // client has gone.
            while (c.sleep(100) && c.write(std::string_view(block).substr(0, 1))) ++sent_;
            return;
        }
        if (b.closeAfter >= 0 && sent >= b.closeAfter) {
            c.close();
            return;
        }
        if (b.bytesPerSecond > 0) {
            auto due = start + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(double(sent) / b.bytesPerSecond));
            auto now = Clock::now();
            if (due > now) {
                auto ms = std::chrono::duration_cast<std::chrono::microseconds>(due - now).count();
                if (ms >= 1000) {
                    if (!c.sleep(int(ms / 1000))) return;
                } else {
                    std::this_thread::sleep_until(due);
                }
            }
        }
        std::int64_t limit = b.length - sent;
        if (b.stallAfter >= 0) limit = std::min(limit, b.stallAfter - sent);
        if (b.closeAfter >= 0) limit = std::min(limit, b.closeAfter - sent);
        std::size_t n = std::min<std::size_t>({slice, block.size(), std::size_t(limit)});
        if (!c.write(std::string_view(block).substr(0, n))) return;
        sent += std::int64_t(n);
        sent_ += std::int64_t(n);
    }
}

// ---- pictures ----

std::string samplePng(int width, int height) {
    std::vector<std::uint8_t> png =
        platform::encodeImage(disc(width, height, 255), platform::ImageFormat::Png);
    return std::string(png.begin(), png.end());
}

std::string sampleIco16() {
    const qx::platform::RgbaImage img = disc(16, 16, 0);
    std::string frame;
    put32(frame, 40);
    put32(frame, 16);
    put32(frame, 32);  // the picture and its mask
    put16(frame, 1);
    put16(frame, 32);
    for (int i = 0; i < 6; ++i) put32(frame, 0);
    for (int y = 15; y >= 0; --y)
        for (int x = 0; x < 16; ++x) {
            const std::uint8_t* p = &img.pixels[(std::size_t(y) * 16 + std::size_t(x)) * 4];
            frame += char(p[2]), frame += char(p[1]), frame += char(p[0]), frame += char(p[3]);
        }
    for (int y = 15; y >= 0; --y) {
        std::uint16_t bits = 0;
        for (int x = 0; x < 16; ++x)
            if (img.pixels[(std::size_t(y) * 16 + std::size_t(x)) * 4 + 3] == 0)
                bits |= std::uint16_t(0x8000 >> x);
        frame += char(bits >> 8), frame += char(bits & 0xFF), frame += '\0', frame += '\0';
    }
    std::string ico;
    put16(ico, 0);
    put16(ico, 1);
    put16(ico, 1);
    ico += char(16), ico += char(16), ico += '\0', ico += '\0';
    put16(ico, 1);
    put16(ico, 32);
    put32(ico, std::uint32_t(frame.size()));
    put32(ico, 22);
    return ico + frame;
}

}  // namespace qx::test
