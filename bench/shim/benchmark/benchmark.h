#pragma once

// The part of Google Benchmark's interface the benchmarks here use, for the Windows
// build, which lacks the library. The runner (BenchmarkShim.cpp) grows the iteration
// count until a run lasts long enough, repeats it (--benchmark_repetitions=N, default 5),
// and prints the median of each benchmark as Google Benchmark's JSON aggregates do, so
// one script reads both. As there, rates are per second of the process's CPU time.

#include <cstdint>
#include <string>

namespace benchmark
{

class State
{
public:
    struct [[maybe_unused]] Value
    {
    };

    class Iterator
    {
    public:
        Iterator(State* state, std::uint64_t left) : m_pState(state), m_nLeft(left) {}
        Value operator*() const { return {}; }
        void operator++() { --m_nLeft; }
        bool operator!=(const Iterator&)
        {
            if (m_nLeft != 0)
                return true;
            m_pState->StopTimer();
            return false;
        }

    private:
        State* m_pState;
        std::uint64_t m_nLeft;
    };

    explicit State(std::uint64_t iterations) : m_nIterations(iterations) {}

    Iterator begin()
    {
        StartTimer();
        return Iterator(this, m_bSkipped ? 0 : m_nIterations);
    }
    Iterator end() { return Iterator(this, 0); }

    std::uint64_t iterations() const { return m_nIterations; }
    void SetBytesProcessed(std::int64_t bytes) { m_nBytes = bytes; }
    void SkipWithError(const char* message)
    {
        m_bSkipped = true;
        m_strError = message;
    }

    // For the runner.
    double RealSeconds() const { return m_dRealSeconds; }
    double CpuSeconds() const { return m_dCpuSeconds; }
    std::int64_t Bytes() const { return m_nBytes; }
    bool Skipped() const { return m_bSkipped; }
    const std::string& Error() const { return m_strError; }

private:
    void StartTimer();
    void StopTimer();

    std::uint64_t m_nIterations;
    double m_dRealStart = 0;
    double m_dCpuStart = 0;
    double m_dRealSeconds = 0;
    double m_dCpuSeconds = 0;
    std::int64_t m_nBytes = 0;
    bool m_bSkipped = false;
    std::string m_strError;
};

template <class T>
inline void DoNotOptimize(const T& value)
{
    asm volatile("" : : "r,m"(value) : "memory");
}

namespace internal
{

class Benchmark
{
};

Benchmark* Register(const char* name, void (*function)(State&));

} // namespace internal
} // namespace benchmark

#define OVX_BENCHMARK_CONCAT2(a, b) a##b
#define OVX_BENCHMARK_CONCAT(a, b) OVX_BENCHMARK_CONCAT2(a, b)
#define BENCHMARK(function)                                                                                  \
    [[maybe_unused]] static ::benchmark::internal::Benchmark* OVX_BENCHMARK_CONCAT(ovxBenchmark, __LINE__) = \
        ::benchmark::internal::Register(#function, function)
