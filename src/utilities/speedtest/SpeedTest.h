#pragma once
// The arithmetic and the texts of the download speed test: one second's caption, the sample it
// records, the average of the samples and the average's caption.
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/Text.h"

namespace qx::speedtest {

// The sink of the test download under the program directory; it is never run.
inline constexpr std::string_view kSpeedTestFile = "Temp\\Temp_SpeedTest.exe";
// Ticks of one test (1000 ms each); the first three are warm-up and record nothing.
inline constexpr int kTestTicks = 16;
inline constexpr int kWarmUpTicks = 3;

// One second's speed: "<MB> MB/s" from 0.9999999 MB up, "<KB> KB/s" below ("%.13g" numbers).
Text secondCaption(std::int64_t bytes);
// The sample a second records: whole KB, truncated.
std::int64_t sampleOf(std::int64_t bytes);
// The average in whole KB of the samples with repeated values taken once (the first
// occurrence kept); 0 without samples.
std::int64_t averageKb(const std::vector<std::int64_t>& samples);
// "您的平均接入速度：" + the average in MB with "MB/s"; a number text of 10 or more characters
// whose first five read at least 1 is shortened to its first five and last four characters.
Text averageCaption(std::int64_t averageKb);

}  // namespace qx::speedtest
