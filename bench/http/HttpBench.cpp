// (a) 100 sequential small GETs: httpObjectRequest vs a plain libcurl easy handle per request vs
//     the curl command line; (b) a 200 MB download: downloadToFile vs curl -o.
// All against a local server started here. Prints the ratios at the end.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numeric>
#include <string>

#include "net/HttpRequest.h"
#include "platform/http/Internet.h"
#include "support/servers/TestServer.h"

using namespace qx;
using namespace qx::net;

namespace {

constexpr int Requests = 100;
constexpr std::size_t DownloadSize = 200u << 20;

qx::test::TestServer& server() {
    static qx::test::TestServer s;
    static bool ready = [] {
        s.serveFile("big.bin", qx::test::TestServer::patternBytes(0, DownloadSize));
        return true;
    }();
    (void)ready;
    return s;
}

std::string smallUrl() { return server().url("/status?body=ok"); }
std::string bigUrl() { return server().url("/file/big.bin"); }
std::string target() {
    static std::string path =
        (std::filesystem::temp_directory_path() / ("qx-bench-" + std::to_string(::getpid()) + ".bin"))
            .string();
    return path;
}

std::size_t discard(char*, std::size_t size, std::size_t n, void*) { return size * n; }

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

// The same request on the wire as httpObjectRequest sends for a GET with default options.
bool plainLibcurlGet(const std::string& url) {
    const std::string referer = "Referer: " + url;
    curl_slist* headers = curl_slist_append(nullptr, "Accept: */*");
    headers = curl_slist_append(headers, referer.c_str());
    headers = curl_slist_append(headers, "Accept-Language: zh-cn");
    headers = curl_slist_append(headers, "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    CURL* h = curl_easy_init();
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &discard);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    bool ok = curl_easy_perform(h) == CURLE_OK;
    curl_easy_cleanup(h);
    curl_slist_free_all(headers);
    return ok;
}

bool objectGet(const std::string& url) {
    qx::net::HttpRequestOptions o;
    o.url = url;
    return qx::net::httpObjectRequest(o).size() == 2;
}

// Per-request times of both ways, interleaved so that load from elsewhere hits both alike.
std::vector<double> objectTimes, plainTimes;

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void SmallGets_interleaved(benchmark::State& state) {
    const std::string url = smallUrl();
    for (auto _ : state) {
        for (int i = 0; i < Requests; ++i) {
            bool objectFirst = i % 2 == 0;
            for (int k = 0; k < 2; ++k) {
                bool object = (k == 0) == objectFirst;
                auto t0 = std::chrono::steady_clock::now();
                bool ok = object ? objectGet(url) : plainLibcurlGet(url);
                (object ? objectTimes : plainTimes).push_back(seconds(std::chrono::steady_clock::now() - t0));
                if (!ok) state.SkipWithError("request failed");
            }
        }
    }
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double sum(const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

void SmallGets_curlCommandLine(benchmark::State& state) {
    const std::string command =
        "curl -s --noproxy '*' -o /dev/null -H 'Accept: */*' -H 'Referer: " + smallUrl() +
        "' -H 'Accept-Language: zh-cn' -A 'Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)' '" +
        smallUrl() + "'";
    for (auto _ : state)
        for (int i = 0; i < Requests; ++i) run(command);
}

void Download200MB_downloadToFile(benchmark::State& state) {
    const std::string url = bigUrl();
    for (auto _ : state) {
        if (qx::platform::downloadToFile(url, target(), nullptr, 0, false) != 0) state.SkipWithError("download failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * DownloadSize));
    std::filesystem::remove(target());
}

void Download200MB_curlCommandLine(benchmark::State& state) {
    const std::string command = "curl -s --noproxy '*' -o '" + target() + "' '" + bigUrl() + "'";
    for (auto _ : state) run(command);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * DownloadSize));
    std::filesystem::remove(target());
}

// Medians of a few repetitions: the machine is shared, single runs are noisy.
BENCHMARK(SmallGets_interleaved)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(SmallGets_curlCommandLine)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(Download200MB_curlCommandLine)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(Download200MB_downloadToFile)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

struct Times {
    double real = 0, cpu = 0;
};

// Keeps each benchmark's median real and CPU time for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                times[r.run_name.function_name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> times;
};

}  // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    server();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    Times cli = reporter.times["SmallGets_curlCommandLine"];
    Times ours = reporter.times["Download200MB_downloadToFile"];
    Times curlO = reporter.times["Download200MB_curlCommandLine"];
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    double object100 = median(objectTimes) * Requests * 1000, plain100 = median(plainTimes) * Requests * 1000;
    std::printf(
        "\n(a) 100 small GETs: httpObjectRequest %.1f ms, per-request libcurl %.1f ms (medians x 100)\n",
        object100, plain100);
    std::printf("    ratio of medians %.3f, ratio of totals %.3f (goal <= 1.15)\n",
                ratio(object100, plain100), ratio(sum(objectTimes), sum(plainTimes)));
    std::printf("    httpObjectRequest / curl command line: %.3f\n", ratio(object100, cli.real));
    std::printf("(b) 200 MB download, downloadToFile throughput / curl -o throughput: %.3f (goal >= 0.9)\n",
                ratio(curlO.real, ours.real));
    benchmark::Shutdown();
    return 0;
}
