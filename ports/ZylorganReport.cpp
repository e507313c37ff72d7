#include "ZylorganReport.h"

#include "ZylmidiTimeline.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdio>
#include <functional>

namespace {

constexpr int ChannelCount = 16;
constexpr int NoteCount = 128;
constexpr unsigned char TimeSignatureType = 0x58;
constexpr int LongestBeatPower = 6; // a 64th note: shorter beats are not written by anyone
constexpr uint64_t DefaultBeatsPerBar = 4;
constexpr int DefaultBeatPower = 2;

bool holds(const ZylmidiTrack& track, const ZylmidiEvent* event) {
    const ZylmidiEvent* first = track.events.data();
    return !track.events.empty() && std::less_equal<>()(first, event) &&
           std::less<>()(event, first + track.events.size());
}

// The timeline hands out events, not tracks: the track is the one whose events hold it.
std::size_t trackOf(const ZylmidiFile& song, const ZylmidiEvent* event, std::size_t guess) {
    if (guess < song.tracks.size() && holds(song.tracks[guess], event))
        return guess;
    for (std::size_t track = 0; track < song.tracks.size(); ++track)
        if (holds(song.tracks[track], event))
            return track;
    return guess;
}

bool isNoteEnd(const ZylmidiEvent& event) {
    const std::vector<unsigned char>& data = event.data;
    return data.size() == 3 &&
           ((data[0] & 0xF0) == 0x80 || ((data[0] & 0xF0) == 0x90 && data[2] == 0));
}

// Nearest first, the upward one first at equal distance: 0, +1, -1, +2, -2 ...
std::vector<int> transpositionsInOrder() {
    std::vector<int> order{0};
    for (int distance = 1; distance <= OrganMaxTranspose; ++distance) {
        order.push_back(distance);
        order.push_back(-distance);
    }
    return order;
}

// Notes that begin at one tick are counted after the notes that end there. A note is one
// pipe: struck again while it sounds it is still one, and its Note Off closes it.
class Polyphony {
public:
    void at(uint64_t tick) {
        if (tick != groupTick)
            flush();
        groupTick = tick;
    }
    void start(int key) { starting.push_back(key); }
    void end(int key) {
        if (sounding.test(static_cast<std::size_t>(key))) {
            sounding.reset(static_cast<std::size_t>(key));
            --total;
            return;
        }
        // A note that begins and ends at the same tick never sounds with the others.
        const auto pending = std::find(starting.begin(), starting.end(), key);
        if (pending != starting.end())
            starting.erase(pending);
    }
    int most() {
        flush();
        return largest;
    }

private:
    void flush() {
        if (starting.empty())
            return;
        for (const int key : starting) {
            total += sounding.test(static_cast<std::size_t>(key)) ? 0 : 1;
            sounding.set(static_cast<std::size_t>(key));
        }
        largest = std::max(largest, total);
        starting.clear();
    }

    std::bitset<ChannelCount * NoteCount> sounding;
    std::vector<int> starting;
    uint64_t groupTick = 0;
    int total = 0;
    int largest = 0;
};

class Analysis {
public:
    Analysis(const ZylmidiFile& song, const ZylorganScale& scale)
        : song(song), scale(scale), timed(song.secondsPerTick(ReferenceTempo) > 0) {
        lastOn.fill(-1.0);
    }

    void see(const OrganStep& step) {
        polyphony.at(step.tick);
        const ZylmidiEvent& event = step.event;
        if (event.kind() == EventKind::Meta)
            return noteSignature(event);
        const int key =
            event.data.size() == 3 ? (event.data[0] & 0x0F) * NoteCount + event.data[1] : -1;
        if (isNoteEnd(event) && event.data[1] < NoteCount)
            polyphony.end(key);
        const int note = event.noteOnNumber();
        if (note < 0 || note >= NoteCount)
            return;
        polyphony.start(key);
        channelMask |= 1u << (event.data[0] & 0x0F);
        ++histogram[static_cast<std::size_t>(note)];
        if (!scale.allowed.test(static_cast<std::size_t>(note)) && report.outside++ == 0)
            report.firstOutside = placeOf(step, note);
        noteRepeat(step, note);
    }

    ZylorganReport finish() {
        report.code = scale.checkSong(song);
        report.polyphony = polyphony.most();
        for (int channel = 0; channel < ChannelCount; ++channel)
            if (channelMask & (1u << channel))
                report.channels.push_back(channel + 1);
        rankTranspositions();
        placeInBars(report.firstOutside);
        placeInBars(report.firstFastRepeat);
        return report;
    }

private:
    // The first time signature decides bars and beats for the whole song.
    void noteSignature(const ZylmidiEvent& event) {
        const std::vector<unsigned char>& data = event.data;
        if (signed_ || data.size() < 4 || data[1] != TimeSignatureType || data[2] == 0 ||
            data[3] > LongestBeatPower)
            return;
        signed_ = true;
        beatsPerBar = data[2];
        beatPower = data[3];
    }

    void noteRepeat(const OrganStep& step, int note) {
        double& last = lastOn[static_cast<std::size_t>(note)];
        const double limit =
            (note >= OrganTrebleFromNote ? OrganTrebleRepeatMs : OrganBassRepeatMs) / 1000.0;
        if (timed && last >= 0.0 && step.seconds - last < limit && report.fastRepeats++ == 0)
            report.firstFastRepeat = placeOf(step, note);
        last = step.seconds;
    }

    static OrganPlace placeOf(const OrganStep& step, int note) {
        OrganPlace place;
        place.tick = step.tick;
        place.seconds = step.seconds;
        place.channel = (step.event.data[0] & 0x0F) + 1;
        place.track = static_cast<int>(step.track) + 1;
        place.note = note;
        return place;
    }

    void placeInBars(OrganPlace& place) const {
        const auto division = static_cast<int16_t>(song.division);
        if (place.note < 0 || division <= 0)
            return;
        const long double quarters = static_cast<long double>(place.tick) / division;
        const auto beats = static_cast<uint64_t>(quarters * (1u << beatPower) / 4);
        place.bar = beats / beatsPerBar + 1;
        place.beat = beats % beatsPerBar + 1;
    }

    uint64_t outsideAt(int semitones) const {
        uint64_t count = 0;
        for (int note = 0; note < NoteCount; ++note) {
            const int moved = note + semitones;
            if (moved < 0 || moved >= NoteCount ||
                !scale.allowed.test(static_cast<std::size_t>(moved)))
                count += histogram[static_cast<std::size_t>(note)];
        }
        return count;
    }

    void rankTranspositions() {
        bool ranked = false;
        for (const int semitones : transpositionsInOrder()) {
            const uint64_t left = outsideAt(semitones);
            if (left == 0)
                report.fits.push_back(semitones);
            if (!ranked || left < report.bestOutside) {
                report.best = semitones;
                report.bestOutside = left;
                ranked = true;
            }
        }
    }

    const ZylmidiFile& song;
    const ZylorganScale& scale;
    const bool timed; // false when the division gives no time: no repeat can be judged
    ZylorganReport report;
    Polyphony polyphony;
    std::array<uint64_t, NoteCount> histogram{};
    std::array<double, NoteCount> lastOn{};
    uint32_t channelMask = 0;
    bool signed_ = false;
    uint64_t beatsPerBar = DefaultBeatsPerBar;
    int beatPower = DefaultBeatPower;
};

} // namespace

bool ZylorganReport::transposable() const {
    return code == OrganNoteOutside && channels == std::vector<int>{1} && !fits.empty();
}

void forEachStep(const ZylmidiFile& song, const std::function<void(const OrganStep&)>& visit) {
    const ZylmidiTimeline timeline(song, true, false);
    std::vector<uint64_t> trackTicks(song.tracks.size(), 0);
    std::size_t track = 0;
    uint64_t chainStart = 0; // format 2: where the track that plays now began
    uint64_t tick = 0;
    double seconds = 0.0;
    for (const auto& step : timeline) {
        const std::size_t previous = track;
        track = trackOf(song, &step.event, track);
        if (song.format == 2 && track != previous)
            chainStart = tick;
        trackTicks[track] += step.event.delta;
        tick = (song.format == 2 ? chainStart : 0) + trackTicks[track];
        seconds += step.seconds;
        visit(OrganStep{step.event, track, tick, seconds});
    }
}

ZylorganReport organReport(const ZylmidiFile& song, const ZylorganScale& scale) {
    Analysis analysis(song, scale);
    forEachStep(song, [&analysis](const OrganStep& step) { analysis.see(step); });
    return analysis.finish();
}

ZylorganReport organReportOfFile(const std::string& path, const ZylorganScale& scale) {
    ZylmidiFile song;
    if (song.load(path) != 0)
        return ZylorganReport{};
    return organReport(song, scale);
}
