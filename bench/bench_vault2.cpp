// Format 2 beside format 101 on the same records: opening a large vault, an add with its save,
// the file's size, and what one key derivation costs with the calibrated parameters. The vault
// benchmarks derive with the least parameters a file may have, so that they measure the file
// work; the derivation benchmark adds what the key stretching costs on top.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "BenchVault.h"
#include "vault/RecordTree.h"
#include "vault/VaultKey.h"
#include "vault/VaultOperations.h"
#include "vault/VaultSession.h"

namespace {

const TKdfParameters kFastKdf{VaultKdf::kArgon2id13, VaultKdf::kMinMemoryKiB,
                              VaultKdf::kMinIterations, VaultKdf::kParallelism};

TVaultFormat FormatOf(const benchmark::State& state) {
    return state.range(1) == 2 ? TVaultFormat::Format2 : TVaultFormat::Format101;
}

// A vault for the benchmarks below, its format-2 key derived with the least parameters; only
// the derivation benchmark measures the calibrated ones.
TBenchVault MakeVault(const benchmark::State& state) {
    VaultKdfTesting::SetCalibratedParameters(kFastKdf);
    return TBenchVault(static_cast<int>(state.range(0)), FormatOf(state));
}

// Arguments: records, format (101 or 2). Each open derives the key anew (fast parameters).
void BM_VaultOpen(benchmark::State& state) {
    const TBenchVault vault = MakeVault(state);
    TRecordTree tree;
    for (auto _ : state) {
        TVaultCredentials credentials;
        VaultLoad(vault.Path(), kBenchPassword, tree, &credentials);
        benchmark::DoNotOptimize(tree.First());
    }
    state.counters["file_bytes"] = static_cast<double>(vault.FileSize());
}
BENCHMARK(BM_VaultOpen)
    ->Args({100000, 101})
    ->Args({100000, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One record added and saved through the session, as the window and the tool do: format 2
// reuses the key it derived at the load.
void BM_VaultAddAndSave(benchmark::State& state) {
    const TBenchVault vault = MakeVault(state);
    TVaultSession session;
    session.SetPath(vault.Path());
    session.SetPassword(kBenchPassword);
    session.Load();
    const std::uint64_t derivations = VaultKdfTesting::DerivationCount();
    TNodeData fields;
    fields.Title = "Added";
    fields.Password = "added password";
    for (auto _ : state) {
        session.Change([&](TVaultChange& change) { change.AddRecord("Group 0", fields); });
    }
    state.counters["derivations"] =
        static_cast<double>(VaultKdfTesting::DerivationCount() - derivations);
}
BENCHMARK(BM_VaultAddAndSave)
    ->Args({100000, 101})
    ->Args({100000, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The file size of the same records in each format, as a counter.
void BM_VaultFileSize(benchmark::State& state) {
    const TBenchVault vault = MakeVault(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(vault.FileSize());
    }
    state.counters["file_MB"] = static_cast<double>(vault.FileSize()) / 1e6;
}
BENCHMARK(BM_VaultFileSize)->Args({10000, 101})->Args({10000, 2})->Iterations(1);

// One derivation with the parameters this machine calibrates for a new file: what opening a
// format-2 vault costs beyond the file work above.
void BM_KeyDerivationCalibrated(benchmark::State& state) {
    VaultKdfTesting::SetCalibratedParameters(std::nullopt);
    const TKdfParameters parameters = CalibratedKdfParameters();
    const TVaultSalt salt = NewVaultSalt();
    for (auto _ : state) {
        benchmark::DoNotOptimize(DeriveVaultKeys(kBenchPassword, salt, parameters).KeyCheck);
    }
    state.counters["memory_MiB"] = parameters.MemoryKiB / 1024.0;
    state.counters["iterations"] = parameters.Iterations;
    VaultKdfTesting::SetCalibratedParameters(kFastKdf);
}
BENCHMARK(BM_KeyDerivationCalibrated)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
