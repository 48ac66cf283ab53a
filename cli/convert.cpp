#include "cli/convert.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch.h"
#include "cli/conversion.h"
#include "cli/output.h"
#include "core/failure.h"

namespace cli {

int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool show_progress) {
    const ParsedArguments parsed = ParseArguments(args);
    switch (parsed.action) {
        case ParsedArguments::Action::Help:
        case ParsedArguments::Action::Version:
            out << (parsed.action == ParsedArguments::Action::Help ? HelpText() : VersionText());
            out.flush();
            if (out) return kExitOk;
            err << MessageAbout("standard output", core::WriteError().what()) << '\n';
            return kExitFailure;
        case ParsedArguments::Action::Batch:
            return RunBatch(parsed, err, show_progress);
        case ParsedArguments::Action::Usage:
            err << kProgram << ": " << parsed.problem << '\n' << UsageText();
            return kExitUsage;
        case ParsedArguments::Action::Convert:
            break;
    }
    std::vector<std::string> notes;
    const std::string input =
        parsed.request.input == kStandardStream ? "standard input" : parsed.request.input;
    const auto print_notes = [&] {
        for (const std::string& note : notes) err << MessageAbout(input, note) << '\n';
    };
    try {
        Convert(parsed.request, show_progress ? &err : nullptr, &notes);
    } catch (const ConversionFailure& failure) {
        print_notes();
        err << MessageAbout(failure.File(), failure.what()) << '\n';
        return kExitFailure;
    } catch (...) {
        print_notes();
        err << MessageAbout(parsed.request.input, FailureText(std::current_exception())) << '\n';
        return kExitFailure;
    }
    print_notes();
    return kExitOk;
}

}  // namespace cli
