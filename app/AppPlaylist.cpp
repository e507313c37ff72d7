#include "App.h"

#include "Flt_Files.h"
#include "Message.h"
#include "MyBrowser.h"
#include "OrganBatch.h"

#include <algorithm>

namespace {

// One box for a whole batch: a drive that is gone or a folder's worth of refusals would
// otherwise ask for a click per file, and each box would run the event loop mid-batch.
constexpr size_t MaxRefusalLines = 20;

std::string refusalSummary(const std::vector<std::string>& refusals) {
    std::string text;
    const size_t shown = std::min(refusals.size(), MaxRefusalLines);
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0)
            text += '\n';
        text += refusals[i];
    }
    if (refusals.size() > shown)
        text += formatText("\nand %zu more", refusals.size() - shown);
    return text;
}

} // namespace

void App::addFiles(const std::vector<std::string>& paths, std::vector<std::string> refusals) {
    OrganBatch organ(menubar->value(CmdTransposeToFit));
    const bool checkOrgan = menubar->value(CmdCheckOrgan);
    for (const std::string& path : paths) {
        if (fileKind(path) != fileKindRegular) {
            refusals.push_back(formatText("Skipped non-file %s", path.c_str()));
            continue;
        }
        OrganBatch::Admission admission;
        if (checkOrgan)
            admission = organ.admit(path);
        if (!admission.admitted) {
            refusals.push_back(admission.refusal);
            continue;
        }
        playlist->addFile(path, admission.transpose);
    }
    organ.tellLimits(refusals);
    if (!refusals.empty())
        showMessage(refusalSummary(refusals));
}
