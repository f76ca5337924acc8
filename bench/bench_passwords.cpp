// The generator's largest list without the window: 65,000 passwords of 128 characters from
// all eight sets, each index from the system's cryptographic generator.
#include <benchmark/benchmark.h>

#include "dialogs/PasswordTools.h"

namespace {

void BM_CreateRandomPasswordList(benchmark::State& state) {
    const TCharSets sets{true, true, true, true, true, true, true, true};
    std::size_t characters = 0;
    for (auto _ : state) {
        for (int i = 0; i < 65000; ++i) {
            characters += CreateRandomPassword(sets, 128).size();
        }
    }
    benchmark::DoNotOptimize(characters);
    state.counters["passwords"] = 65000;
}

BENCHMARK(BM_CreateRandomPasswordList)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
