// Every network chain of the program through a proxy that delays each direction by a fixed time
// (25 ms: a 50 ms round trip): the resolvers' success conversations (their wire cases, served by
// the resolver doubles), the notice check (the notice double) and a web tester request. Per
// chain: requests, distinct hosts, connections opened, TLS handshakes (full and resumed) and the
// median wall time, with the connection share off (before) and on (after), against the chain's
// floor: one round trip per request plus one set-up per host (TCP, and for https one TLS 1.3
// round trip). The last row sends two tester requests, each from a worker of its own: no
// connection to reuse, but the second handshake can resume the first one's TLS session. Runs are
// interleaved, so load from elsewhere hits both alike.
//
//   qx_latency_bench [repetitions=5] [one-way-ms=25]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "DelayProxy.h"
#include "notice/ShareNote.h"
#include "platform/http/ConnectionShare.h"
#include "platform/http/RequestObject.h"
#include "resolvers/Lanzou.h"
#include "resolvers/ResolverTable.h"
#include "support/doubles/NoticeDouble.h"
#include "support/doubles/WireDouble.h"
#include "tester/WebTester.h"
#include "text/CodePages.h"

namespace {

using namespace qx;
using Clock = std::chrono::steady_clock;
using bench::DelayProxy;

struct Figures {
    bool ok = false;
    int requests = 0;
    int hosts = 0;
    int setupTrips = 0;  // round trips of one set-up per host
    int connections = 0;
    int fullTls = 0;
    int resumedTls = 0;
    bool onlyTls13 = true;
    double wallMs = 0;
};

void countHandshakes(const DelayProxy& proxy, Figures& f) {
    for (const DelayProxy::Handshake& h : proxy.handshakes()) {
        if (!h.seen) continue;
        (h.resumed ? f.resumedTls : f.fullTls) += 1;
        f.onlyTls13 = f.onlyTls13 && h.tls13;
    }
}

int portOf(const std::string& entry) { return std::atoi(entry.substr(entry.rfind(':') + 1).c_str()); }

std::string hostOf(const std::string& request) {
    const std::string key = "\r\nHost: ";
    std::size_t at = request.find(key);
    if (at == std::string::npos) return {};
    at += key.size();
    return request.substr(at, request.find("\r\n", at) - at);
}

template <typename F>
double timed(F&& f) {
    auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Figures resolverChain(const std::string& path, std::chrono::milliseconds oneWay) {
    Figures f;
    test::WireCase wireCase;
    std::string error;
    if (!test::loadWireCase(path, wireCase, error)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        return f;
    }
    int service = 0;
    for (const resolvers::ResolverDescriptor* d : resolvers::resolverTable())
        if (d->key == wireCase.service) service = static_cast<int>(d->service);
    std::set<std::string> hosts;
    for (const test::WireExchange& e : wireCase.exchanges)
        if (hosts.insert((e.https ? "https://" : "http://") + hostOf(e.request)).second)
            f.setupTrips += e.https ? 2 : 1;
    f.hosts = static_cast<int>(hosts.size());

    test::WireDouble service_double(wireCase);
    // ":443:127.0.0.1:HTTPS,:80:127.0.0.1:HTTP,::127.0.0.1:CLOSED" -> the same through the proxies.
    const std::string direct = service_double.connectTo();
    const std::size_t first = direct.find(','), second = direct.find(',', first + 1);
    DelayProxy https(portOf(direct.substr(0, first)), oneWay);
    DelayProxy http(portOf(direct.substr(first + 1, second - first - 1)), oneWay);
    const std::string through = ":443:127.0.0.1:" + std::to_string(https.port()) +
                                ",:80:127.0.0.1:" + std::to_string(http.port()) + direct.substr(second);
    ::setenv("QUORVEX_CONNECT_TO", through.c_str(), 1);

    std::optional<Text> result;
    f.wallMs = timed([&] {
        if (wireCase.stem.empty()) {
            if (auto typed = resolvers::resolveShareLink(service, gbk(wireCase.link), gbk(wireCase.password)))
                result = typed->text;
        } else {
            Text stem = wireCase.stem;
            result = resolvers::resolveLanzouLink(gbk(wireCase.link), gbk(wireCase.password), stem);
        }
    });
    f.ok = result && gbkToUtf8(*result) == wireCase.result && service_double.problems().empty();
    f.requests = static_cast<int>(service_double.served());
    f.connections = https.connections() + http.connections();
    countHandshakes(https, f);
    return f;
}

Figures noticeChain(std::chrono::milliseconds oneWay) {
    Figures f;
    // The share key is the last segment of the notice's link.
    const std::string link = notice::kNoticeShareLink;
    test::NoticeDouble notice(link.substr(link.rfind('/') + 1), notice::kNoticeSharePassword);
    notice.setNoteHtml("<html><body><p>[|=*1.0.0.18*=|]</p><p>=***notice=***</p></body></html>");
    DelayProxy https(notice.server().port(), oneWay);
    ::setenv("QUORVEX_CONNECT_TO", ("share.weiyun.com:443:127.0.0.1:" + std::to_string(https.port())).c_str(),
             1);
    Text text;
    f.wallMs =
        timed([&] { text = notice::fetchShareNote(notice::kNoticeShareLink, notice::kNoticeSharePassword); });
    f.ok = !text.empty() && notice.lastProblem().empty();
    f.requests = static_cast<int>(notice.server().requestCount());
    f.hosts = 1;
    f.setupTrips = 2;
    f.connections = https.connections();
    countHandshakes(https, f);
    return f;
}

// times requests, each on a worker thread of its own as the tester window starts them. A
// worker's connections close when it ends, so each request sets up its own; from the second on,
// the TLS session of the first can be resumed.
Figures testerChain(std::chrono::milliseconds oneWay, int times) {
    Figures f;
    test::TestServer server(test::TestServer::Https);
    DelayProxy https(server.port(), oneWay);
    ::setenv("QUORVEX_CONNECT_TO", ("localhost:443:127.0.0.1:" + std::to_string(https.port())).c_str(), 1);
    tester::TesterRequest request;
    request.url = "https://localhost/status?code=200";
    f.ok = true;
    f.wallMs = timed([&] {
        for (int i = 0; i < times; ++i) {
            tester::TesterResponse response;
            std::thread([&] { tester::sendTesterRequest(request, {}, response); }).join();
            f.ok = f.ok && response.completed && response.statusCode == 200;
        }
    });
    f.requests = static_cast<int>(server.requestCount());
    f.hosts = 1;
    f.setupTrips = 2 * times;
    f.connections = https.connections();
    countHandshakes(https, f);
    return f;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::chrono::milliseconds oneWay(argc > 2 ? std::max(1, std::atoi(argv[2])) : 25);
    platform::setTrustedCertificates(test::TestServer::certificatePem());

    struct Chain {
        std::string name;
        std::function<Figures()> run;
        std::vector<Figures> runs[2];  // [0] share off, [1] share on
    };
    const std::string data = QX_RESOLVER_DATA_DIR;
    std::vector<Chain> chains;
    for (const char* c :
         {"lanzou/open-success", "lanzou/protected-success", "ctfile/success", "ctfile/with-password",
          "yunpan360/success", "wenshushu/success", "wenshushu/with-password", "bilnn/success"}) {
        const std::string path = data + "/" + c + ".case";
        chains.push_back({c, [path, oneWay] { return resolverChain(path, oneWay); }, {}});
    }
    chains.push_back({"notice check", [oneWay] { return noticeChain(oneWay); }, {}});
    chains.push_back({"tester request", [oneWay] { return testerChain(oneWay, 1); }, {}});
    chains.push_back({"tester, two requests", [oneWay] { return testerChain(oneWay, 2); }, {}});

    for (int r = 0; r < repetitions; ++r)
        for (Chain& chain : chains)
            for (int on : {0, 1}) {
                platform::setConnectionSharing(on == 1);
                chain.runs[on].push_back(chain.run());
            }
    platform::setConnectionSharing(true);

    const double rtt = 2.0 * static_cast<double>(oneWay.count());
    std::printf(
        "\nThrough a %.0f ms round trip, median of %d; connections, TLS handshakes full/resumed, wall ms\n\n",
        rtt, repetitions);
    std::printf("%-26s %4s %5s | %-26s | %-26s | %7s %6s\n", "chain", "reqs", "hosts",
                "before: conns tls wall", "after: conns tls wall", "floor", "after/floor");
    bool goals = true;
    for (Chain& chain : chains) {
        double wall[2];
        const Figures* last[2];
        bool ok = true, tls13 = true;
        for (int on : {0, 1}) {
            std::vector<double> times;
            for (const Figures& f : chain.runs[on]) {
                times.push_back(f.wallMs);
                ok = ok && f.ok;
                tls13 = tls13 && f.onlyTls13;
            }
            wall[on] = median(times);
            last[on] = &chain.runs[on].back();
        }
        const Figures& a = *last[1];
        const double floor = rtt * (a.requests + a.setupTrips);
        const double ratio = wall[1] / floor;
        char before[64], after[64];
        std::snprintf(before, sizeof before, "%5d %4d/%-4d %8.1f", last[0]->connections, last[0]->fullTls,
                      last[0]->resumedTls, wall[0]);
        std::snprintf(after, sizeof after, "%5d %4d/%-4d %8.1f", a.connections, a.fullTls, a.resumedTls,
                      wall[1]);
        std::printf("%-26s %4d %5d | %-26s | %-26s | %7.0f %6.2fx%s%s\n", chain.name.c_str(), a.requests,
                    a.hosts, before, after, floor, ratio, ok ? "" : "  FAILED",
                    tls13 ? "" : "  (not all TLS 1.3)");
        // Requests of separate workers share no connection.
        const bool reusable = a.setupTrips <= 2 * a.hosts;
        goals = goals && ok && (!reusable || a.connections == a.hosts) && ratio <= 1.1;
    }
    std::printf("\nGoals (connections = hosts, wall within 1.1x of the floor, every chain correct): %s\n",
                goals ? "met" : "NOT met");
    return 0;
}
