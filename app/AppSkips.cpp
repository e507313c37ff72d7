#include "App.h"

#include "Flt_Files.h"
#include "Message.h"
#include "MyBrowser.h"
#include "ZylmidiFile.h"

// Files that cannot play are passed over: a missing one silently (its drive may come back),
// an unreadable one marked with its reason and told once. When a whole lap of the list
// fails, playback stops with one box instead of going round for ever.

namespace {

constexpr int LoadedWithoutTracks = 0;

const char* readerWords(int code) {
    switch (code) {
    case LoadedWithoutTracks:
        return "it holds no tracks";
    case MidiFileCannotOpen:
        return "it cannot be opened";
    case MidiFileReadError:
        return "it ends too early";
    case MidiFileBadHeader:
        return "it is not a Standard MIDI File";
    case MidiFileBadTrackChunk:
        return "a track of it is damaged";
    case MidiFileEscapeUnsupported:
        return "it uses F7 escape events, which are not read";
    default:
        return "its events are damaged";
    }
}

} // namespace

// A file gone since it was added is marked missing; one that is back is drawn as any other.
bool App::firstIsMissing() {
    const PlaylistEntry* first = playlist->find(playlist->firstId());
    if (first == nullptr)
        return false;
    const bool missing = fileKind(first->path) == fileKindMissing;
    if (missing != first->missing)
        playlist->setState(first->id, missing, missing ? "" : first->problem);
    return missing;
}

void App::skipUnreadable(EntryId id) {
    const PlaylistEntry* entry = playlist->find(id);
    if (entry == nullptr) // cleared or removed meanwhile
        return;
    if (fileKind(entry->path) == fileKindMissing) {
        playlist->setState(id, true, "");
    } else {
        const int code = loadError.load();
        const std::string reason = formatText("Cannot play %s: %s (error %d)", entry->path.c_str(),
                                              readerWords(code), code);
        const bool toldBefore = entry->problem == reason;
        playlist->setState(id, false, reason);
        // In continuous play the list's mark is enough; a lap that all fails is told below.
        if (!toldBefore && !menubar->value(CmdContinuous))
            showMessage(reason);
    }
    if (nextCommand != NextAdvance)
        return;
    if (skipped(id) && output.isOpen())
        startPlaying(0.0);
}

// Rotates the file that could not play; false, after one box, when that makes a whole lap.
bool App::skipped(EntryId id) {
    playlist->moveToEnd(id);
    if (++failedInARow < playlist->entries.size())
        return true;
    const size_t lap = failedInARow;
    failedInARow = 0;
    nextCommand = NextStop;
    showMessage(formatText("None of the %zu files in the playlist could be played, so playback "
                           "stopped. Point at a line to see why.",
                           lap));
    return false;
}
