#include "ZylorganScale.h"

namespace {

// The organ's notes from G2 to E6, ended by the first byte with its top bit set.
const unsigned char scaleTable[] = "+0279;<>@ABCEGHIJLMNOQSTVX\xFF";

constexpr unsigned char TableEnd = 0x80;

} // namespace

ZylorganScale::ZylorganScale() {
    for (const unsigned char* note = scaleTable; (*note & TableEnd) == 0; ++note) {
        notes.push_back(*note);
        allowed.set(*note);
    }
}

int ZylorganScale::checkFile(const char* path) const {
    ZylmidiFile song;
    if (song.load(path) != 0)
        return OrganUnreadable;
    return checkSong(song);
}

int ZylorganScale::checkSong(const ZylmidiFile& song) const {
    if (song.trackCount() != 1)
        return OrganNotOneTrack;
    return checkTrack(song.tracks[0]);
}

// Only sounding Note Ons count; the channel is judged before the note.
int ZylorganScale::checkTrack(const ZylmidiTrack& track) const {
    for (const ZylmidiEvent& event : track.events) {
        const int note = event.noteOnNumber();
        if (note == -1)
            continue;
        if ((event.data[0] & 0x0F) != 0)
            return OrganWrongChannel;
        // The reader keeps data bytes as they stand: a broken file may name note 144.
        if (static_cast<size_t>(note) >= allowed.size() || !allowed.test(static_cast<size_t>(note)))
            return OrganNoteOutside;
    }
    return OrganFits;
}
