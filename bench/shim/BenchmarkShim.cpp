#include "benchmark/benchmark.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{

struct Registered
{
    std::string name;
    void (*function)(benchmark::State&);
};

std::vector<Registered>& Registry()
{
    static std::vector<Registered> registry;
    return registry;
}

constexpr double MIN_SECONDS = 0.5;

double RealNow()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Kernel and user time of the whole process, as Google Benchmark counts CPU time.
double CpuNow()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

struct Outcome
{
    double realPerIteration = 0;
    double cpuPerIteration = 0;
    double bytesPerSecond = 0;
    std::uint64_t iterations = 0;
    std::string error;
};

Outcome RunOnce(const Registered& benchmark, std::uint64_t iterations)
{
    benchmark::State state(iterations);
    benchmark.function(state);
    Outcome outcome;
    outcome.iterations = iterations;
    if (state.Skipped())
    {
        outcome.error = state.Error();
        return outcome;
    }
    outcome.realPerIteration = state.RealSeconds() / static_cast<double>(iterations);
    outcome.cpuPerIteration = state.CpuSeconds() / static_cast<double>(iterations);
    outcome.bytesPerSecond = state.CpuSeconds() > 0 ? static_cast<double>(state.Bytes()) / state.CpuSeconds() : 0;
    return outcome;
}

// Grows the count until one run lasts MIN_SECONDS, as Google Benchmark does.
std::uint64_t FindIterations(const Registered& benchmark, std::string* error)
{
    std::uint64_t iterations = 1;
    for (;;)
    {
        benchmark::State state(iterations);
        benchmark.function(state);
        if (state.Skipped())
        {
            *error = state.Error();
            return 0;
        }
        if (state.CpuSeconds() >= MIN_SECONDS || iterations >= (1ull << 40))
            return iterations;
        const double scale = state.CpuSeconds() > 0 ? 1.4 * MIN_SECONDS / state.CpuSeconds() : 10.0;
        iterations = std::max(iterations + 1, static_cast<std::uint64_t>(static_cast<double>(iterations) *
                                                                          std::min(scale, 10.0)));
    }
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

void benchmark::State::StartTimer()
{
    m_dRealStart = RealNow();
    m_dCpuStart = CpuNow();
}

void benchmark::State::StopTimer()
{
    m_dRealSeconds = RealNow() - m_dRealStart;
    m_dCpuSeconds = CpuNow() - m_dCpuStart;
}

benchmark::internal::Benchmark* benchmark::internal::Register(const char* name, void (*function)(State&))
{
    Registry().push_back({name, function});
    static Benchmark options;
    return &options;
}

int main(int argc, char** argv)
{
    int repetitions = 5;
    const char* filter = nullptr;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strncmp(argv[i], "--benchmark_repetitions=", 24) == 0)
            repetitions = std::max(1, std::atoi(argv[i] + 24));
        else if (std::strncmp(argv[i], "--benchmark_filter=", 19) == 0)
            filter = argv[i] + 19; // a plain substring here
    }

    std::printf("{\n  \"context\": {\"library\": \"ovx benchmark shim\"},\n  \"benchmarks\": [");
    const char* separator = "\n";
    for (const Registered& benchmark : Registry())
    {
        if (filter != nullptr && benchmark.name.find(filter) == std::string::npos)
            continue;
        std::string error;
        const std::uint64_t iterations = FindIterations(benchmark, &error);
        std::vector<double> realTimes, cpuTimes, rates;
        for (int r = 0; r < repetitions && error.empty(); ++r)
        {
            const Outcome outcome = RunOnce(benchmark, iterations);
            error = outcome.error;
            realTimes.push_back(outcome.realPerIteration);
            cpuTimes.push_back(outcome.cpuPerIteration);
            rates.push_back(outcome.bytesPerSecond);
        }
        if (!error.empty())
        {
            std::fprintf(stderr, "%s: %s\n", benchmark.name.c_str(), error.c_str());
            continue;
        }
        const double realTime = Median(realTimes), cpuTime = Median(cpuTimes), rate = Median(rates);
        std::fprintf(stderr, "%-40s %12.3f ms %12.3f ms CPU %10.1f MB/s (%s iterations x %d)\n",
                     benchmark.name.c_str(), realTime * 1e3, cpuTime * 1e3, rate / 1e6,
                     std::to_string(iterations).c_str(), repetitions);
        std::printf("%s    {\"name\": \"%s_median\", \"run_name\": \"%s\", \"run_type\": \"aggregate\", "
                    "\"aggregate_name\": \"median\", \"iterations\": %d, \"real_time\": %.6f, \"cpu_time\": %.6f, "
                    "\"time_unit\": \"ms\", \"bytes_per_second\": %.1f}",
                    separator, benchmark.name.c_str(), benchmark.name.c_str(), repetitions, realTime * 1e3,
                    cpuTime * 1e3, rate);
        separator = ",\n";
    }
    std::printf("\n  ]\n}\n");
    return 0;
}
