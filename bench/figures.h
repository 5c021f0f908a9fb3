#pragma once
// The output every benchmark shares, for scripts/bench: lines starting with
// "#" are comments for the reader; every other line is one figure,
// "name unit median min max runs", whitespace-separated. A figure is
// measured once per run; the median and the spread of those runs are what
// is printed, since no single timing on a shared machine means much alone.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

// The value at fraction p (0..1) of the sorted values, interpolated.
inline double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double rank = p * static_cast<double>(values.size() - 1);
    const auto low = static_cast<std::size_t>(rank);
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (rank - static_cast<double>(low));
}

inline void PrintFigure(const char* name, const char* unit, const std::vector<double>& runs) {
    if (runs.empty())
        return;
    const auto [lo, hi] = std::minmax_element(runs.begin(), runs.end());
    std::printf("%-36s %-7s %14.4f %14.4f %14.4f %4zu\n", name, unit, Percentile(runs, 0.5), *lo,
                *hi, runs.size());
}

// Processor time of the process in milliseconds, all its threads: what an
// operation cost us, which the machine's other work does not inflate.
inline double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Figures gathered run by run and printed together, in the order first
// added.
class TFigures {
public:
    void Add(const std::string& name, const char* unit, double value) {
        auto it = index_.find(name);
        if (it == index_.end()) {
            it = index_.emplace(name, figures_.size()).first;
            figures_.push_back({name, unit, {}});
        }
        figures_[it->second].Values.push_back(value);
    }
    void Print() const {
        std::printf("# %-34s %-7s %14s %14s %14s %4s\n", "name", "unit", "median", "min", "max",
                    "runs");
        for (const Figure& f : figures_)
            PrintFigure(f.Name.c_str(), f.Unit, f.Values);
        std::fflush(stdout);
    }

private:
    struct Figure {
        std::string Name;
        const char* Unit;
        std::vector<double> Values;
    };
    std::vector<Figure> figures_;
    std::map<std::string, std::size_t> index_;
};

// "--runs N" among the arguments (removed from them), else the fallback.
inline int TakeRunsOption(int& argc, char** argv, int fallback) {
    int runs = fallback;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") != 0 || i + 1 >= argc)
            continue;
        runs = std::max(1, std::atoi(argv[i + 1]));
        for (int j = i; j + 2 <= argc; ++j)
            argv[j] = argv[j + 2];
        argc -= 2;
        break;
    }
    return runs;
}
