#include "OrganBatch.h"

#include "Flt_Files.h"
#include "Message.h"

namespace {

// The summary lists at most this many names beyond the organ's limits.
constexpr std::size_t MaxNamedFiles = 5;

} // namespace

OrganBatch::Admission OrganBatch::admit(const std::string& path) {
    const ZylorganReport report = organReportOfFile(path, scale);
    Admission admission;
    if (report.code == OrganFits || (transposeToFit && report.transposable())) {
        admission.transpose = report.code == OrganFits ? 0 : report.fits.front();
        if (report.tooManyAtOnce() || report.fastRepeats > 0)
            beyondLimits.push_back(splitFolder(path));
        return admission;
    }
    admission.admitted = false;
    admission.refusal = formatText("Non Deleika compatile (%d): %s", report.code, path.c_str());
    const std::string details = reportShortText(report);
    if (!details.empty())
        admission.refusal += "\n" + details;
    return admission;
}

void OrganBatch::tellLimits(std::vector<std::string>& summary) const {
    if (beyondLimits.empty())
        return;
    summary.push_back(formatText("Beyond the organ's limits (more than %d notes at once, or a "
                                 "pipe repeated too fast): ",
                                 OrganMaxPolyphony) +
                      joinAtMost(beyondLimits, MaxNamedFiles, ", ", " "));
}

std::string transposedSuffix(int semitones) {
    return semitones == 0 ? std::string() : " (" + transposeText(semitones) + ")";
}
