#include "interop/InteropSummary.h"

namespace {

std::string Count(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many) + "\n";
}

// The records left out, one a line, and what takes them in.
std::string LeftOutText(const std::vector<std::string>& leftOut, TVaultFormat format) {
    std::string text = Count(leftOut.size(), "record left out", "records left out");
    for (const std::string& record : leftOut) {
        text += "  " + record + "\n";
    }
    if (!leftOut.empty() && format == TVaultFormat::Format101) {
        text +=
            "Format 101 cannot hold these records. Convert the database to format 2 (File > "
            "Database Format..., or cofferix-cli convert --to 2) and do this again to take "
            "them in.\n";
    }
    return text;
}

}  // namespace

std::string ImportSummaryText(const TImportSummary& summary, TVaultFormat format) {
    return Count(summary.Added, "record added", "records added") +
           Count(summary.AlreadyPresent, "record skipped as already present",
                 "records skipped as already present") +
           LeftOutText(summary.LeftOut, format);
}

std::string MergeSummaryText(const TMergeSummary& summary, TVaultFormat format) {
    std::string text =
        Count(summary.Added, "record added", "records added") +
        Count(summary.Updated, "record updated to the later version",
              "records updated to the later version") +
        Count(summary.KeptAsCopies, "record kept as a merged copy",
              "records kept as merged copies") +
        Count(summary.Unchanged, "record already the same", "records already the same");
    if (!summary.LeftOut.empty()) {
        text += LeftOutText(summary.LeftOut, format);
    }
    return text;
}
