// Equation evaluation runs for every cell a window paints, so it must stay
// cheap and must not allocate. Each benchmark reports its heap allocations per
// evaluation ("allocs") and fails when there are any; this executable replaces
// the global operator new to count them, which touches no test program.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "model/Equation.h"
#include "model/ValueConversion.h"

namespace {
std::atomic<long> allocationCount{0};
}

void* operator new(std::size_t size) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// GCC cannot see that the operator new above is malloc underneath.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

void CheckAllocations(benchmark::State& state, long before) {
    long allocations = allocationCount.load() - before;
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations),
                                                  benchmark::Counter::kAvgIterations);
    if (allocations != 0) state.SkipWithError("the evaluation allocated");
}

void BM_Evaluate(benchmark::State& state, const char* text) {
    const std::string equation = text;
    float x = 0.0f;
    long before = allocationCount.load();
    for (auto _ : state) {
        float value = 0.0f;
        benchmark::DoNotOptimize(EvaluateEquation(equation, x, value));
        benchmark::DoNotOptimize(value);
        x = x < 255.0f ? x + 1.0f : 0.0f;
    }
    CheckAllocations(state, before);
}
BENCHMARK_CAPTURE(BM_Evaluate, scale, "x*50");
BENCHMARK_CAPTURE(BM_Evaluate, offset, "(x-128)/2");
BENCHMARK_CAPTURE(BM_Evaluate, linear, "x*0.5+10");
BENCHMARK_CAPTURE(BM_Evaluate, nested, "((x*0.25-3.5)*2+(x/4))/1.5e1");

// A round trip as a table cell commit does it: physical -> raw -> physical.
void BM_RoundTrip(benchmark::State& state) {
    MapItem item;
    item.hexToPhys = "x*0.5+10";
    item.physToHex = "(x-10)*2";
    float physical = 10.0f;
    long before = allocationCount.load();
    for (auto _ : state) {
        std::uint8_t raw = 0;
        float back = 0.0f;
        benchmark::DoNotOptimize(ToRawByte(item, physical, raw));
        benchmark::DoNotOptimize(ToPhysicalByte(item, raw, back));
        physical = physical < 130.0f ? physical + 0.5f : 10.0f;
    }
    CheckAllocations(state, before);
}
BENCHMARK(BM_RoundTrip);

}  // namespace
