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

// A stored playlist on a drive that is not mounted now must survive the start.
std::string missingKeptLine(size_t kept) {
    if (kept == 1)
        return "1 stored playlist entry is missing; it is kept, shown in grey, and plays once "
               "its file is back";
    return formatText("%zu stored playlist entries are missing; they are kept, shown in grey, "
                      "and play once their files are back",
                      kept);
}

} // namespace

// Checks each path in order and adds what passes; with `keepMissing`, a path that names
// nothing now is added as missing and counted in the result instead of refused.
size_t App::addChecked(const std::vector<std::string>& paths, std::vector<std::string>& refusals,
                       bool keepMissing) {
    OrganBatch organ(menubar->value(CmdTransposeToFit));
    const bool checkOrgan = menubar->value(CmdCheckOrgan);
    size_t kept = 0;
    for (const std::string& path : paths) {
        const int kind = fileKind(path);
        if (keepMissing && kind == fileKindMissing && !path.empty()) {
            playlist->addFile(path, 0, true);
            ++kept;
            continue;
        }
        if (kind != fileKindRegular) {
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
    return kept;
}

void App::addFiles(const std::vector<std::string>& paths, std::vector<std::string> refusals) {
    addChecked(paths, refusals, false);
    if (!refusals.empty())
        showMessage(joinAtMost(refusals, MaxRefusalLines, "\n", "\n"));
}

void App::restorePlaylist(const std::vector<std::string>& stored,
                          const std::vector<std::string>& named) {
    std::vector<std::string> refusals;
    const size_t kept = addChecked(stored, refusals, true);
    addChecked(readAsPlaylists(named, refusals), refusals, false);
    if (kept > 0)
        refusals.insert(refusals.begin(), missingKeptLine(kept));
    if (!refusals.empty())
        showMessage(joinAtMost(refusals, MaxRefusalLines, "\n", "\n"));
}

void App::addDroppedFiles(const std::vector<std::string>& names) {
    std::vector<std::string> refusals;
    const std::vector<std::string> paths = readAsPlaylists(names, refusals);
    addFiles(paths, refusals);
}

void App::removeSelected() {
    playlist->removeSelected();
}
