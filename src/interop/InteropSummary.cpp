#include "interop/InteropSummary.h"

namespace {

std::string Count(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string ImportSummaryText(const TImportSummary& summary, TVaultFormat format) {
    std::string text = Count(summary.Added, "record added", "records added") + "\n" +
                       Count(summary.AlreadyPresent, "record skipped as already present",
                             "records skipped as already present") +
                       "\n" + Count(summary.LeftOut.size(), "record left out", "records left out") +
                       "\n";
    for (const std::string& leftOut : summary.LeftOut) {
        text += "  " + leftOut + "\n";
    }
    if (!summary.LeftOut.empty() && format == TVaultFormat::Format101) {
        text +=
            "Format 101 cannot hold these records. Convert the database to format 2 (File > "
            "Database Format..., or cofferix-cli convert --to 2) and import the file again to "
            "take them in.\n";
    }
    return text;
}

std::string MergeSummaryText(const TMergeSummary& summary) {
    return Count(summary.Added, "record added", "records added") + "\n" +
           Count(summary.Updated, "record updated to the later copy",
                 "records updated to the later copy") +
           "\n" +
           Count(summary.KeptAsCopies, "record kept as a merged copy",
                 "records kept as merged copies") +
           "\n" + Count(summary.Unchanged, "record already the same", "records already the same") +
           "\n";
}
