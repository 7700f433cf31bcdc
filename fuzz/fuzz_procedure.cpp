// Feeds arbitrary text to the procedure reader: it accepts a procedure with
// steps, or refuses with one line that names the file and a line of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "records/Procedure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Procedure p;
    std::string error;
    if (ParseProcedure(text, "p.yaml", p, error)) {
        if (p.steps.empty() || p.models.empty() || ProcedureSummary(p).empty())
            abort();
    } else if (error.rfind("p.yaml:", 0) != 0 || error.find('\n') != std::string::npos) {
        abort();
    }
    return 0;
}
