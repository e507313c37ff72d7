#include "OrganCommandLine.h"

#include "ZylmidiWriter.h"
#include "ZylorganCopy.h"

#include <string>
#include <vector>

namespace {

const std::string CheckOption = "--check-organ";
const std::string FitOption = "--fit-organ";
const std::string JsonOption = "--json";

int usage(std::ostream& err) {
    err << "usage: veltrano --check-organ [--json] FILE...\n"
           "       veltrano --fit-organ IN.mid OUT.mid\n";
    return ExitUnreadable;
}

int checkOrgan(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const bool json = !arguments.empty() && arguments[0] == JsonOption;
    const std::vector<std::string> files(arguments.begin() + (json ? 1 : 0), arguments.end());
    if (files.empty())
        return usage(err);
    const ZylorganScale scale;
    int exit = ExitAllFit;
    for (const std::string& path : files) {
        const ZylorganReport report = organReportOfFile(path, scale);
        out << (json ? reportJsonLine(path, report) : reportPlainLine(path, report)) << '\n';
        if (report.code == OrganUnreadable)
            exit = ExitUnreadable;
        else if (report.code != OrganFits && exit == ExitAllFit)
            exit = ExitSomeDoNotFit;
    }
    // A script must not take a report it never got for one that says all fit.
    if (!out.flush()) {
        err << "cannot write the report to standard output\n";
        return ExitUnreadable;
    }
    return exit;
}

int fitOrgan(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.size() != 2)
        return usage(err);
    const std::string& source = arguments[0];
    const std::string& target = arguments[1];
    OrganCopyResult result;
    const int written = writeOrganCopy(source, target, result);
    if (written == OrganCopyUnreadable) {
        err << source << ": cannot be read\n";
        return ExitUnreadable;
    }
    if (written == OrganCopyNoNoteLeft) {
        err << source << ": no note fits the organ, nothing written\n";
        return ExitSomeDoNotFit;
    }
    if (written != OrganCopyWritten) {
        err << target << ": cannot be written: " << midiWriteReason(written) << " (error "
            << written << ")\n";
        return ExitUnreadable;
    }
    out << target << ": transposed " << transposeText(result.transpose) << ", notes kept "
        << result.kept << ", dropped " << result.dropped << "\n";
    return ExitAllFit;
}

} // namespace

int organCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (argc < 2 || argv == nullptr || argv[1] == nullptr)
        return NoCommandLineMode;
    const std::string mode = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (mode == CheckOption)
        return checkOrgan(arguments, out, err);
    if (mode == FitOption)
        return fitOrgan(arguments, out, err);
    return NoCommandLineMode;
}
