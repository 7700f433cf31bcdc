// Feeds arbitrary text to the job file reader (history rebuild reads every
// job file it finds): it takes a job or refuses with a reason, and a job it
// takes is written back as a job file that reads back to the same job
// (bytes that are no UTF-8 are written as U+FFFD on the first pass).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "records/History.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    HistoryJob job;
    std::string reason;
    if (!ParseHistoryJob(text, job, reason)) {
        if (reason.empty())
            abort();
        return 0;
    }
    HistoryJob once, twice;
    if (!ParseHistoryJob(HistoryJobJson(job), once, reason))
        abort();
    const std::string written = HistoryJobJson(once);
    if (!ParseHistoryJob(written, twice, reason) || HistoryJobJson(twice) != written)
        abort();
    return 0;
}
