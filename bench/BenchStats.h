// Timing and statistics shared by the benchmark programs: samples in
// milliseconds (or any unit), their median and 99th percentile, and one
// Markdown table row per figure, printed beside its floor.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace Bench {

using TClock = std::chrono::steady_clock;

inline double Ms(TClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct TStats {
    double Median = 0;
    double P99 = 0;
    std::size_t Count = 0;
};

// Nearest-rank percentiles: with fewer than 100 samples p99 is the largest.
inline TStats Summarise(std::vector<double> samples)
{
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    const auto rank = [&](double p) {
        const auto k = std::size_t(std::ceil(p * double(samples.size())));
        return samples[std::clamp<std::size_t>(k, 1, samples.size()) - 1];
    };
    return {rank(0.50), rank(0.99), samples.size()};
}

inline std::string Figure(double value)
{
    char text[32];
    const double magnitude = std::fabs(value);
    std::snprintf(text, sizeof text, magnitude >= 100 ? "%.0f" : magnitude >= 10 ? "%.1f" : "%.3f", value);
    return text;
}

// The table every program prints rows of; bench/run prints the header once.
inline void Header()
{
    std::puts("| Measure | Unit | n | Median | p99 | Floor median | Floor p99 | Budget | Met |");
    std::puts("|---|---|---|---|---|---|---|---|---|");
}

// verdict: "yes", "no" or "-" (no budget for this row).
inline void Row(const std::string &measure, const std::string &unit, const TStats &value,
                const TStats &floor, const std::string &budget, const std::string &verdict)
{
    const auto or_dash = [](const TStats &s, double v) { return s.Count ? Figure(v) : std::string("-"); };
    std::printf("| %s | %s | %zu | %s | %s | %s | %s | %s | %s |\n", measure.c_str(), unit.c_str(),
                value.Count, Figure(value.Median).c_str(), Figure(value.P99).c_str(),
                or_dash(floor, floor.Median).c_str(), or_dash(floor, floor.P99).c_str(),
                budget.c_str(), verdict.c_str());
    std::fflush(stdout);
}

inline std::string Verdict(bool met) { return met ? "yes" : "**no**"; }

} // namespace Bench
