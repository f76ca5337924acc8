// Bulk changes of a large vault: merging another copy of it and importing another manager's
// records. Each run times the change itself (TVaultChange level); its save is refused, so that
// every run starts from the same file, and the import with its save is timed apart.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "interop/ImportApply.h"
#include "vault/CofferixError.h"
#include "vault/VaultKey.h"
#include "vault/VaultOperations.h"
#include "vault/VaultSession.h"

namespace {

const std::string kPassword = "benchmark master password";
constexpr int kRecords = 100000;
constexpr int kImported = 10000;
constexpr int kRecordsPerGroup = 100;

TGuid BenchGuid(int number) {
    TGuid guid;
    std::memcpy(guid.Bytes.data(), &number, sizeof number);
    guid.Bytes[15] = 0x4D;
    return guid;
}

TNodeData BenchRecord(int number, const std::string& password, TDateTime modified) {
    TNodeData data;
    data.Guid = BenchGuid(number);
    data.Title = "Account number " + std::to_string(number);
    data.UserName = "user" + std::to_string(number) + "@example.org";
    data.Password = password;
    data.Url = "https://service" + std::to_string(number) + ".example.org/login";
    data.Notes = "Security question: first pet?\r\nAnswer: none " + std::to_string(number);
    data.AddedTime = 45000.5;
    data.AddedTime2 = 45000.5;
    data.ModifiedTime = modified;
    data.PasswordChangedTime = modified;
    return data;
}

std::string GroupName(int number) {
    return "Group " + std::to_string(number / kRecordsPerGroup);
}

// records records numbered from first, in groups of 100, as node data of a loaded vault.
void FillTree(TRecordTree& tree, int first, int records,
              const std::function<TNodeData(int)>& record) {
    PNode group = nullptr;
    for (int number = first; number < first + records; ++number) {
        if (!group || number % kRecordsPerGroup == 0) {
            group = tree.AddChild(nullptr);
            group->Data.IsGroup = true;
            group->Data.Title = GroupName(number);
        }
        tree.AddChild(group)->Data = record(number);
    }
}

// Another copy of the vault: half its records share a Guid with ours and were changed there
// (every other one later than ours), half are new.
void FillOther(TRecordTree& other) {
    FillTree(other, 0, kRecords, [](int number) {
        if (number < kRecords / 2) {
            return BenchRecord(number, "changed-" + std::to_string(number),
                               number % 2 ? 45100 : 44900);
        }
        return BenchRecord(kRecords + number, "new-" + std::to_string(number), 45100);
    });
}

// A vault of kRecords records in a temporary folder under /tmp, opened in a session whose saves
// are refused while the object lives.
class TBenchSession {
public:
    explicit TBenchSession(TVaultFormat format) {
        VaultKdfTesting::SetCalibratedParameters(
            TKdfParameters{VaultKdf::kArgon2id13, VaultKdf::kMinMemoryKiB, VaultKdf::kMinIterations,
                           VaultKdf::kParallelism});
        char pattern[] = "/tmp/cofferix-bench-XXXXXX";
        FFolder = ::mkdtemp(pattern) ? pattern : "";
        const std::string path = FFolder + "/UserData.dat";
        TRecordTree tree;
        FillTree(tree, 0, kRecords, [](int number) {
            return BenchRecord(number, "p4ss-" + std::to_string(number), 45000);
        });
        VaultCreate(path, kPassword, format);
        VaultSave(path, kPassword, tree);
        Session.SetPath(path);
        Session.SetPassword(kPassword);
    }
    TBenchSession(const TBenchSession&) = delete;
    TBenchSession& operator=(const TBenchSession&) = delete;
    ~TBenchSession() {
        VaultOperationsTesting::SetAfterSaveCheck({});
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }

    // The vault as its file holds it, then change timed at the TVaultChange level, its save
    // refused. Answers the seconds change took; CpuSeconds is the processor time this thread
    // spent on it, which other programs on the machine do not stretch.
    double TimedChange(const std::function<void(TVaultChange&)>& change) {
        Session.DiscardUnsavedChanges();
        Session.Load();
        VaultOperationsTesting::SetAfterSaveCheck([] { throw ECofferixError("not saved"); });
        double seconds = 0;
        try {
            Session.Change([&](TVaultChange& editor) {
                const auto start = std::chrono::steady_clock::now();
                const double cpuStart = ThreadCpuSeconds();
                change(editor);
                CpuSeconds = ThreadCpuSeconds() - cpuStart;
                seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            });
        } catch (const ECofferixError&) {
        }
        VaultOperationsTesting::SetAfterSaveCheck({});
        return seconds;
    }

    TVaultSession Session;
    double CpuSeconds = 0;

private:
    static double ThreadCpuSeconds() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }

    std::string FFolder;
};

TVaultFormat FormatOf(const benchmark::State& state) {
    return state.range(0) == 2 ? TVaultFormat::Format2 : TVaultFormat::Format101;
}

// Argument: the vault's format (101 or 2). 100,000 records merged into 100,000; cpu_ms is the
// last run's.
void BM_MergeVaults(benchmark::State& state) {
    TBenchSession vault(FormatOf(state));
    TRecordTree other;
    FillOther(other);
    TMergeSummary summary;
    double first = -1;
    for (auto _ : state) {
        const double seconds =
            vault.TimedChange([&](TVaultChange& change) { summary = MergeVault(change, other); });
        state.SetIterationTime(seconds);
        first = first < 0 ? seconds : first;
    }
    state.counters["first_run_ms"] = first * 1000;  // memory fresh from the system
    state.counters["added"] = static_cast<double>(summary.Added);
    state.counters["updated"] = static_cast<double>(summary.Updated);
    state.counters["copies"] = static_cast<double>(summary.KeptAsCopies);
    state.counters["records_after"] = static_cast<double>(vault.Session.Tree().Count());
    state.counters["cpu_ms"] = vault.CpuSeconds * 1000;
}
BENCHMARK(BM_MergeVaults)->Arg(101)->Arg(2)->Unit(benchmark::kMillisecond)->UseManualTime();

// 10,000 records of another manager, one in ten already in the vault, into 100,000.
TImportedRecords ImportedRecords() {
    TImportedRecords records;
    for (int i = 0; i < kImported; ++i) {
        const bool present = i % 10 == 0;
        TImportedRecord record;
        record.Fields = BenchRecord(present ? i : kRecords + i, "p4ss-" + std::to_string(i), 0);
        record.Group = present ? GroupName(i) : "Imported " + std::to_string(i / 100);
        records.push_back(std::move(record));
    }
    return records;
}

// Argument: the vault's format. The import alone, its save refused.
void BM_ImportRecords(benchmark::State& state) {
    TBenchSession vault(FormatOf(state));
    const TImportedRecords records = ImportedRecords();
    const TVaultTextKind kind = vault.Session.TextKind();
    TImportSummary summary;
    for (auto _ : state) {
        state.SetIterationTime(vault.TimedChange(
            [&](TVaultChange& change) { summary = ImportRecords(change, records, kind); }));
    }
    state.counters["added"] = static_cast<double>(summary.Added);
    state.counters["present"] = static_cast<double>(summary.AlreadyPresent);
    state.counters["cpu_ms"] = vault.CpuSeconds * 1000;
}
BENCHMARK(BM_ImportRecords)
    ->Arg(101)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// Argument: the vault's format. The whole change as the tool makes it: take-in, import, save.
void BM_ImportRecordsAndSave(benchmark::State& state) {
    TBenchSession vault(FormatOf(state));
    const TImportedRecords records = ImportedRecords();
    vault.Session.Load();
    for (auto _ : state) {
        vault.Session.Change(
            [&](TVaultChange& change) { ImportRecords(change, records, change.TextKind()); });
    }
}
BENCHMARK(BM_ImportRecordsAndSave)
    ->Arg(101)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
