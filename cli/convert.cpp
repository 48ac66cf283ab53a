#include "cli/convert.h"

#include <ostream>
#include <string_view>

#include "cli/batch.h"
#include "cli/conversion.h"

namespace cli {

int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool show_progress) {
    const ParsedArguments parsed = ParseArguments(args);
    switch (parsed.action) {
        case ParsedArguments::Action::Help:
        case ParsedArguments::Action::Version:
            out << (parsed.action == ParsedArguments::Action::Help ? HelpText() : VersionText());
            out.flush();
            return out ? kExitOk : kExitFailure;
        case ParsedArguments::Action::Batch:
            return RunBatch(parsed, err, show_progress);
        case ParsedArguments::Action::Usage:
            err << kProgram << ": " << parsed.problem << '\n' << UsageText();
            return kExitUsage;
        case ParsedArguments::Action::Convert:
            break;
    }
    try {
        Convert(parsed.request, show_progress ? &err : nullptr);
    } catch (...) {
        err << FailureText(std::current_exception()) << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace cli
