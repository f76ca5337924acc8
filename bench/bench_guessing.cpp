// What a copy of the vault file costs someone who guesses master passwords, on one core: for
// format 101 one guess is a key expansion and one AES block (the header's magic tells a hit);
// for format 2 it is one full key derivation with the parameters a new file gets here. Each
// benchmark reports guesses per second; the ratio of the two is what format 2 buys.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "vault/ElAES.h"
#include "vault/StreamCodec.h"
#include "vault/VaultKey.h"

namespace {

void BM_GuessFormat101(benchmark::State& state) {
    const AesBlock firstBlock{};  // any ciphertext: the guess is what costs
    std::string guess = "aaaaaa";
    std::uint64_t hits = 0;
    for (auto _ : state) {
        guess[static_cast<std::size_t>(state.iterations() % 6)]++;
        const AesExpandedKey256 key = AesExpandDecryptKey(PasswordKey(guess));
        AesBlock plain;
        AesDecryptBlock(firstBlock, key, plain);
        hits += plain[8] == 0xFF && plain[11] == 0xAA;
    }
    benchmark::DoNotOptimize(hits);
    state.counters["guesses/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GuessFormat101);

void BM_GuessFormat2(benchmark::State& state) {
    const TKdfParameters parameters = CalibratedKdfParameters();
    const TVaultSalt salt = NewVaultSalt();
    for (auto _ : state) {
        TDerivedKeys keys = DeriveVaultKeys("aaaaaa", salt, parameters);
        benchmark::DoNotOptimize(keys.KeyCheck.data());
    }
    state.counters["guesses/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
    state.counters["memory_MiB"] = parameters.MemoryKiB / 1024.0;
    state.counters["iterations"] = parameters.Iterations;
}
BENCHMARK(BM_GuessFormat2)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
