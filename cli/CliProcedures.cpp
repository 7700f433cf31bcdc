// dorvel-adj-cli check-procedure FILE: reads an alignment procedure as a run
// would, and lists its steps; a file that is no procedure is refused with
// its line and the reason.
#include <iostream>

#include "cli/Commands.h"
#include "records/Procedure.h"

int CliCheckProcedure(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("check-procedure", args, {}, opt))
        return 2;
    if (opt.positional.size() != 1) {
        std::cerr << "dorvel-adj-cli check-procedure: usage: check-procedure FILE" << std::endl;
        return 2;
    }
    Procedure p;
    std::string error;
    if (!LoadProcedure(opt.positional[0], p, error)) {
        std::cerr << error << std::endl;
        return 2;
    }
    std::cout << ProcedureSummary(p) << std::flush;
    return 0;
}
