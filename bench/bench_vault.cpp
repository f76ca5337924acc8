// Throughput of the cipher through the stream codec on both of its paths (the tables and the
// processor's AES instructions), and whole-vault save and load of 10,000 and 100,000 records.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "BenchVault.h"
#include "vault/RecordTree.h"
#include "vault/StreamCodec.h"
#include "vault/VaultOperations.h"

namespace {

constexpr std::uint32_t kCodecBytes = 16u << 20;

void FillPattern(TMemoryStream& stream, std::uint32_t size) {
    stream.SetSize(size);
    for (std::uint32_t i = 0; i < size; ++i) {
        stream.Data()[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
    }
    stream.Seek(0);
}

// The argument picks the cipher path: 0 the tables, 1 the AES instructions. Either way the
// default path is back in place when the benchmark ends.
class TCipherPathChoice {
public:
    explicit TCipherPathChoice(benchmark::State& state) : FWasHardware(AesUsesHardware()) {
        const bool hardware = state.range(0) != 0;
        if (hardware && !AesHardwareAvailable()) {
            state.SkipWithError("this processor has no AES instructions");
        }
        AesUseHardware(hardware);
        state.SetLabel(hardware ? "hardware" : "tables");
    }
    TCipherPathChoice(const TCipherPathChoice&) = delete;
    TCipherPathChoice& operator=(const TCipherPathChoice&) = delete;
    ~TCipherPathChoice() { AesUseHardware(FWasHardware); }

private:
    bool FWasHardware;
};

void BM_AesEncryptStream(benchmark::State& state) {
    const TCipherPathChoice path(state);
    TMemoryStream source;
    TMemoryStream destination;
    FillPattern(source, kCodecBytes);
    destination.Reserve(kCodecBytes);
    const AesKey256 key = PasswordKey(kBenchPassword);
    for (auto _ : state) {
        destination.Seek(0);
        AesEncryptStream(source, 0, key, destination);
        benchmark::DoNotOptimize(destination.Data());
    }
    state.SetBytesProcessed(state.iterations() * kCodecBytes);
}
BENCHMARK(BM_AesEncryptStream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_AesDecryptStream(benchmark::State& state) {
    const TCipherPathChoice path(state);
    TMemoryStream source;
    TMemoryStream destination;
    FillPattern(source, kCodecBytes);
    destination.Reserve(kCodecBytes);
    const AesKey256 key = PasswordKey(kBenchPassword);
    for (auto _ : state) {
        destination.Seek(0);
        AesDecryptStream(source, 0, key, destination);
        benchmark::DoNotOptimize(destination.Data());
    }
    state.SetBytesProcessed(state.iterations() * kCodecBytes);
}
BENCHMARK(BM_AesDecryptStream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The argument is the number of records.
void BM_VaultSave(benchmark::State& state) {
    TBenchVault vault(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        VaultSave(vault.Path(), kBenchPassword, vault.Tree());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(vault.FileSize()));
    state.counters["nodes"] = static_cast<double>(vault.Tree().Count());
}
BENCHMARK(BM_VaultSave)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VaultLoad(benchmark::State& state) {
    TBenchVault vault(static_cast<int>(state.range(0)));
    TRecordTree tree;
    for (auto _ : state) {
        VaultLoad(vault.Path(), kBenchPassword, tree);
        benchmark::DoNotOptimize(tree.First());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(vault.FileSize()));
    state.counters["nodes"] = static_cast<double>(tree.Count());
}
BENCHMARK(BM_VaultLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
