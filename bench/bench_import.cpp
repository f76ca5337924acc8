// Importing 10,000 records of another manager: the file parsed and the records put into an empty
// vault, for each format the importer reads; the change is made on the session's preview copy,
// so that only the parse and the change are timed. The last benchmark adds the one save.
#include <benchmark/benchmark.h>

#include <string>

#include "BenchVault.h"
#include "base/Wipe.h"
#include "interop/ForeignFormat.h"
#include "interop/ImportApply.h"
#include "vault/VaultKey.h"
#include "vault/VaultSession.h"

namespace {

constexpr int kRecords = 10000;

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return out + "\"";
}

// The three CSV formats Cofferix does not write, as their programs write them.
std::string BrowserOrBitwardenCsv(TForeignFormat format, const TRecordTree& tree) {
    std::string text = format == TForeignFormat::BitwardenCsv
                           ? "folder,favorite,type,name,notes,fields,reprompt,login_uri,"
                             "login_username,login_password,login_totp\n"
                       : format == TForeignFormat::ChromeCsv
                           ? "name,url,username,password,note\n"
                           : "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\","
                             "\"guid\",\"timeCreated\",\"timeLastUsed\",\"timePasswordChanged\"\n";
    int number = 0;
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        const TNodeData& data = node->Data;
        if (data.IsGroup) {
            continue;
        }
        const std::string id = std::to_string(number++);
        if (format == TForeignFormat::BitwardenCsv) {
            text += Quoted(tree.Parent(node)->Data.Title) + ",,login," + Quoted(data.Title) + "," +
                    Quoted(data.Notes) + ",,0," + Quoted(data.Url) + "," + Quoted(data.UserName) +
                    "," + Quoted(data.Password) + ",\n";
        } else if (format == TForeignFormat::ChromeCsv) {
            text += Quoted(data.Title) + "," + Quoted(data.Url) + "," + Quoted(data.UserName) +
                    "," + Quoted(data.Password) + "," + Quoted(data.Notes) + "\n";
        } else {
            text += Quoted(data.Url) + "," + Quoted(data.UserName) + "," + Quoted(data.Password) +
                    ",,\"https://x.example\",\"{" + id +
                    "}\",\"1700000000000\",\"1700000000000\",\"1700000000000\"\n";
        }
    }
    return text;
}

std::string FileOf(TForeignFormat format) {
    TRecordTree tree;
    FillBenchTree(tree, kRecords);
    return CanExportForeignFormat(format) ? ExportForeignFile(tree, format)
                                          : BrowserOrBitwardenCsv(format, tree);
}

// An empty format-2 vault, loaded, with the cheapest key derivation.
struct TEmptyVault {
    TEmptyVault() : Vault(0, CheapFormat2()) {
        Session.SetPath(Vault.Path());
        Session.SetPassword(kBenchPassword);
        Session.Load();
    }
    static TVaultFormat CheapFormat2() {
        VaultKdfTesting::SetCalibratedParameters(
            TKdfParameters{VaultKdf::kArgon2id13, VaultKdf::kMinMemoryKiB, VaultKdf::kMinIterations,
                           VaultKdf::kParallelism});
        return TVaultFormat::Format2;
    }
    TBenchVault Vault;
    TVaultSession Session;
};

// Argument: the format, in the order of TForeignFormat.
void BM_ImportFile(benchmark::State& state) {
    const auto format = static_cast<TForeignFormat>(state.range(0));
    state.SetLabel(std::string(ForeignFormatName(format)));
    std::string file = FileOf(format);
    TEmptyVault empty;
    TImportSummary summary;
    for (auto _ : state) {
        const TImportedRecords records = ImportForeignFile(file, format);
        empty.Session.Preview([&](TVaultChange& change) {
            summary = ImportRecords(change, records, change.TextKind());
        });
    }
    state.counters["added"] = static_cast<double>(summary.Added);
    state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
    WipeString(file);
}
BENCHMARK(BM_ImportFile)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The whole import as the tool makes it, KeePass XML into an empty format-2 vault: parse,
// take-in, change and its one save.
void BM_ImportFileAndSave(benchmark::State& state) {
    std::string file = FileOf(TForeignFormat::KeePassXml);
    for (auto _ : state) {
        state.PauseTiming();
        TEmptyVault empty;
        state.ResumeTiming();
        const TImportedRecords records = ImportForeignFile(file, TForeignFormat::KeePassXml);
        empty.Session.Change(
            [&](TVaultChange& change) { ImportRecords(change, records, change.TextKind()); });
    }
    WipeString(file);
}
BENCHMARK(BM_ImportFileAndSave)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
