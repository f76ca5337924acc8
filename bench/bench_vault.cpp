// Throughput of the cipher through the stream codec on both of its paths (the tables and the
// processor's AES instructions), and whole-vault save and load of 10,000 and 100,000 records.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "BenchTree.h"
#include "vault/RecordTree.h"
#include "vault/StreamCodec.h"
#include "vault/VaultOperations.h"

namespace {

constexpr std::uint32_t kCodecBytes = 16u << 20;
const std::string kPassword = "benchmark master password";

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
    const AesKey256 key = PasswordKey(kPassword);
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
    const AesKey256 key = PasswordKey(kPassword);
    for (auto _ : state) {
        destination.Seek(0);
        AesDecryptStream(source, 0, key, destination);
        benchmark::DoNotOptimize(destination.Data());
    }
    state.SetBytesProcessed(state.iterations() * kCodecBytes);
}
BENCHMARK(BM_AesDecryptStream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A vault of the given number of records in groups of 100, with every text field in use, in
// a temporary folder under /tmp that goes with the object.
class TBenchVault {
public:
    explicit TBenchVault(int records) {
        char pattern[] = "/tmp/cofferix-bench-XXXXXX";
        FFolder = ::mkdtemp(pattern) ? pattern : "";
        FPath = FFolder + "/UserData.dat";
        FillBenchTree(FTree, records);
        VaultCreate(FPath, kPassword);
        VaultSave(FPath, kPassword, FTree);
    }
    TBenchVault(const TBenchVault&) = delete;
    TBenchVault& operator=(const TBenchVault&) = delete;
    ~TBenchVault() {
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }

    const std::string& Path() const { return FPath; }
    const TRecordTree& Tree() const { return FTree; }
    std::int64_t FileSize() const {
        return static_cast<std::int64_t>(std::filesystem::file_size(FPath));
    }

private:
    std::string FFolder;
    std::string FPath;
    TRecordTree FTree;
};

// The argument is the number of records.
void BM_VaultSave(benchmark::State& state) {
    TBenchVault vault(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        VaultSave(vault.Path(), kPassword, vault.Tree());
    }
    state.SetBytesProcessed(state.iterations() * vault.FileSize());
    state.counters["nodes"] = static_cast<double>(vault.Tree().Count());
}
BENCHMARK(BM_VaultSave)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VaultLoad(benchmark::State& state) {
    TBenchVault vault(static_cast<int>(state.range(0)));
    TRecordTree tree;
    for (auto _ : state) {
        VaultLoad(vault.Path(), kPassword, tree);
        benchmark::DoNotOptimize(tree.First());
    }
    state.SetBytesProcessed(state.iterations() * vault.FileSize());
    state.counters["nodes"] = static_cast<double>(tree.Count());
}
BENCHMARK(BM_VaultLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
