#include "utilities/speedtest/SpeedTest.h"

#include <algorithm>

#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::speedtest {

Text secondCaption(std::int64_t bytes) {
    const double mb = static_cast<double>(bytes) / 1048576.0;
    if (mb >= 0.9999999) return fromDouble(mb) + " MB/s";
    return fromDouble(static_cast<double>(bytes) / 1024.0) + " KB/s";
}

std::int64_t sampleOf(std::int64_t bytes) { return bytes / 1024; }

std::int64_t averageKb(const std::vector<std::int64_t>& samples) {
    std::vector<std::int64_t> distinct;
    for (std::int64_t s : samples)
        if (std::find(distinct.begin(), distinct.end(), s) == distinct.end()) distinct.push_back(s);
    if (distinct.empty()) return 0;
    std::int64_t sum = 0;
    for (std::int64_t s : distinct) sum += s;
    return sum / static_cast<std::int64_t>(distinct.size());
}

Text averageCaption(std::int64_t averageKb) {
    // The average stays whole: cutting it to five digits would show 200 MB/s as about 20.
    const Text result = fromDouble(static_cast<double>(averageKb) / 1024.0) + "MB/s";
    const Text prefix = gbk(u8"您的平均接入速度：");
    if (result.size() >= 10 && toDouble(left(result, 5)) - 1 >= -1e-7)
        return prefix + left(result, 5) + right(result, 4);
    return prefix + result;
}

}  // namespace qx::speedtest
