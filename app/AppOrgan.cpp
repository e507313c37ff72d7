// "File/Save organ copy...": the selected file as the organ plays it.
#include "App.h"

#include "Flt_Files.h"
#include "Message.h"
#include "MyBrowser.h"
#include "ZylmidiWriter.h"
#include "ZylorganCopy.h"

#include <cinttypes>

namespace {

const char* const CopyFilter = "MIDI files\t*.{mid,midi}";
const char* const CopySuffix = "-organ.mid";

} // namespace

bool App::saveOrganCopyTo(const std::string& source, const std::string& target) {
    OrganCopyResult result;
    const int written = writeOrganCopy(source, target, result);
    if (written == OrganCopyUnreadable)
        showMessage(formatText("Cannot read %s", source.c_str()));
    else if (written == OrganCopyNoNoteLeft)
        showMessage(formatText("No note of %s fits the organ; nothing saved", source.c_str()));
    else if (written != OrganCopyWritten)
        showMessage(formatText("Cannot save organ copy %s: %s (error %d)", target.c_str(),
                               midiWriteReason(written), written));
    else if (result.dropped > 0) // what the copy lost, the user hears of
        showMessage(formatText("Organ copy %s: transposed %s, %" PRIu64 " notes dropped",
                               target.c_str(), transposeText(result.transpose).c_str(),
                               result.dropped));
    return written == OrganCopyWritten;
}

void App::chooseAndSaveOrganCopy() {
    const int line = playlist->selectedLine();
    if (line < 1) {
        showMessage("Please select a file for its organ copy");
        return;
    }
    const std::string source = playlist->entries[static_cast<std::size_t>(line - 1)].path;
    std::string stem;
    splitExtension(splitFolder(source), &stem);
    const std::vector<std::string> chosen =
        askForFiles({"Save organ copy", CopyFilter, true, stem + CopySuffix});
    if (!chosen.empty())
        saveOrganCopyTo(source, chosen.front());
}
