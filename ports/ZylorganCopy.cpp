#include "ZylorganCopy.h"

#include "ZylmidiWriter.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr unsigned char TempoType = 0x51;
constexpr unsigned char TimeSignatureType = 0x58;
constexpr int NoteCount = 128;

// Note Off, Note On and polyphonic pressure carry a note number in their second byte.
bool carriesNote(const std::vector<unsigned char>& data) {
    if (data.size() != 3)
        return false;
    const unsigned char high = data[0] & 0xF0;
    return high == 0x80 || high == 0x90 || high == 0xA0;
}

bool keptMeta(const std::vector<unsigned char>& data) {
    return data.size() >= 2 && (data[1] == TempoType || data[1] == TimeSignatureType);
}

// The event as the organ gets it, or false when it is dropped.
bool organEvent(const ZylmidiEvent& event, int semitones, const ZylorganScale& scale,
                std::vector<unsigned char>& out) {
    out = event.data;
    if (event.kind() == EventKind::Meta)
        return keptMeta(out);
    if (event.kind() != EventKind::Channel)
        return false;
    // The reader keeps data bytes with bit 7 set as it found them; no file can hold them.
    for (std::size_t i = 1; i < out.size(); ++i)
        if (out[i] & 0x80)
            return false;
    out[0] &= 0xF0;
    if (!carriesNote(out))
        return true;
    const int moved = out[1] + semitones;
    if (moved < 0 || moved >= NoteCount || !scale.allowed.test(static_cast<std::size_t>(moved)))
        return false;
    out[1] = static_cast<unsigned char>(moved);
    return true;
}

// One tick's events of the copy, whose channels are the song's merged into one: a note that
// one channel ends at the tick where another has started it must end first, or the end would
// cut the new note off at once. Such ends go to the front of their tick.
class TickEvents {
public:
    void add(ZylmidiEvent event, unsigned songChannel) {
        bool endsFirst = false;
        if (carriesNote(event.data)) {
            uint16_t& startedBy = startChannels[event.data[1]];
            const auto channel = static_cast<uint16_t>(1u << songChannel);
            if (event.isNoteOn())
                startedBy |= channel;
            else if (event.data[0] == 0x80 || event.data[0] == 0x90)
                endsFirst = (startedBy & ~channel) != 0;
        }
        events.push_back({std::move(event), endsFirst});
    }
    // The tick's delta stays with whichever event comes first.
    void moveTo(std::vector<ZylmidiEvent>& out) {
        if (events.empty())
            return;
        const uint32_t delta = std::exchange(events.front().event.delta, 0);
        std::stable_partition(events.begin(), events.end(),
                              [](const Held& held) { return held.endsFirst; });
        events.front().event.delta = delta;
        for (Held& held : events) {
            if (carriesNote(held.event.data))
                startChannels[held.event.data[1]] = 0;
            out.push_back(std::move(held.event));
        }
        events.clear();
    }

private:
    struct Held {
        ZylmidiEvent event;
        bool endsFirst;
    };
    std::vector<Held> events;
    std::array<uint16_t, NoteCount> startChannels{}; // a bit for each channel, this tick
};

} // namespace

ZylmidiFile organCopy(const ZylmidiFile& song, int semitones, const ZylorganScale& scale,
                      OrganCopyResult& result) {
    result = OrganCopyResult{};
    result.transpose = semitones;
    ZylmidiFile copy;
    copy.format = 0;
    copy.division = song.division;
    std::vector<ZylmidiEvent> events;
    TickEvents tick;
    uint64_t lastTick = 0;
    forEachStep(song, [&](const OrganStep& step) {
        ZylmidiEvent event;
        const bool kept = organEvent(step.event, semitones, scale, event.data);
        if (step.event.isNoteOn())
            ++(kept ? result.kept : result.dropped);
        if (!kept)
            return;
        if (step.tick != lastTick) {
            tick.moveTo(events);
            // A gap beyond 32 bits of ticks, if a merge ever made one, is kept in several steps.
            uint64_t gap = step.tick - lastTick;
            for (; gap > UINT32_MAX; gap -= UINT32_MAX)
                events.push_back(ZylmidiEvent{UINT32_MAX, {0xFF, 0x01}});
            event.delta = static_cast<uint32_t>(gap);
            lastTick = step.tick;
        }
        tick.add(std::move(event), step.event.data[0] & 0x0Fu);
    });
    tick.moveTo(events);
    copy.tracks.emplace_back(std::move(events));
    return copy;
}

int writeOrganCopy(const std::string& source, const std::string& target, OrganCopyResult& result) {
    ZylmidiFile song;
    if (song.load(source) != 0)
        return OrganCopyUnreadable;
    const ZylorganScale scale;
    const ZylorganReport report = organReport(song, scale);
    const ZylmidiFile copy = organCopy(song, report.best, scale, result);
    if (result.kept == 0 && result.dropped > 0)
        return OrganCopyNoNoteLeft;
    return writeSong(copy, target);
}

void transposeNotes(ZylmidiFile& song, int semitones) {
    if (semitones == 0)
        return;
    for (ZylmidiTrack& track : song.tracks)
        for (ZylmidiEvent& event : track.events) {
            const int moved = event.data.size() == 3 ? event.data[1] + semitones : -1;
            if (carriesNote(event.data) && moved >= 0 && moved < NoteCount)
                event.data[1] = static_cast<unsigned char>(moved);
        }
}
