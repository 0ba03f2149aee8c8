#pragma once
// Helpers shared by the file benchmarks: clocks, process figures and the generated job.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}
inline double msSince(Clock::time_point t) { return secondsSince(t) * 1000.0; }

// User plus system time of this process, seconds: the figure that does not depend on
// what else the machine is doing.
inline double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Resident memory now, MB.
inline double rssMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

inline long peakRssMb(int who = RUSAGE_SELF) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_maxrss / 1024;
}

// A point file of `lines` lines in 50 codes, about 45 bytes a line, written in pieces so the
// generator costs no memory. Returns its path under /tmp.
inline std::string makePointFile(const char* name, int lines) {
    const std::string path = "/tmp/" + std::string(name) + "_" + std::to_string(getpid()) + ".txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    unsigned seed = 12345;
    auto rnd = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000000; };
    size_t bytes = 0;
    for (int i = 0; i < lines; ++i)
        bytes += static_cast<size_t>(std::fprintf(f, "P%d,%u.%03u,%u.%03u,%u.%02u,code%d\r\n", i + 1,
                                                  200000 + rnd() % 9999, rnd() % 1000, 400000 + rnd() % 9999,
                                                  rnd() % 1000, rnd() % 100, rnd() % 100, i % 50));
    std::fclose(f);
    std::printf("generated %d lines, %.1f MB: %s\n", lines, bytes / 1e6, path.c_str());
    return path;
}

} // namespace bench
