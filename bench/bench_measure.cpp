// Measures code groups of many points, as the status bar does for the selected row's group
// and pointbridge-cli measure for every group, and prints the times.
#include "model/Measure.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

double bestMillis(const std::function<void()>& f) {
    double best = 1e30;
    for (int rep = 0; rep < 3; ++rep) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

// A parcel boundary with n corners on a circle of 500 m at plane coordinates.
std::vector<TPlanPoint> boundary(int n) {
    std::vector<TPlanPoint> p;
    for (int i = 0; i < n; ++i)
        p.push_back({201000 + 500 * std::cos(2 * kPi * i / n), 448000 + 500 * std::sin(2 * kPi * i / n)});
    return p;
}

// A road running north that wanders a little, up one edge and back down the other: a long
// thin figure.
std::vector<TPlanPoint> road(int n) {
    std::vector<TPlanPoint> p;
    for (int i = 0; i < n / 2; ++i)
        p.push_back({201000 + 3 * std::sin(i * 0.01), 448000 + i * 0.5});
    for (int i = n / 2 - 1; i >= 0; --i)
        p.push_back({201010 + 3 * std::sin(i * 0.01), 448000 + i * 0.5});
    return p;
}

// The worst shape for the sweep: a spiral band (out along one arm, back along a parallel
// one), whose sides nearly all overlap each other in both directions.
std::vector<TPlanPoint> spiral(int n) {
    std::vector<TPlanPoint> p;
    for (int k = 0; k < n; ++k) {
        const int i = k < n / 2 ? k : n - 1 - k;
        const double a = i * 0.05, r = 10 + i * 0.01 + (k < n / 2 ? 0 : 0.5);
        p.push_back({201000 + r * std::cos(a), 448000 + r * std::sin(a)});
    }
    return p;
}

void report(const char* what, const std::vector<TPlanPoint>& points, bool closed) {
    TGroupMeasure m;
    const double ms = bestMillis([&] { m = MeasurePath(points, closed); });
    const char* state = m.State == TAreaState::Valid ? "area" : m.State == TAreaState::SelfCrossing ? "self-crossing" : m.State == TAreaState::Open ? "open" : "degenerate";
    std::printf("  %-46s %7zu points %9.2f ms  (%s)\n", what, points.size(), ms, state);
}

} // namespace

int main() {
    std::printf("measure of one code group (best of 3):\n");
    report("parcel boundary, closed", boundary(100'000), true);
    report("road up one edge and back, open", road(100'000), false);
    report("road up one edge and back, closed", road(100'000), true);
    report("spiral band, closed (worst case)", spiral(2'000), true);
    report("spiral band, closed (worst case)", spiral(10'000), true);
    return 0;
}
