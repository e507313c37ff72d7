// The report as people and scripts read it.
#include "ZylorganReport.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>

namespace {

std::string format(const char* text, ...) __attribute__((format(printf, 1, 2)));

// Measured first: a path may be longer than any buffer.
std::string format(const char* text, ...) {
    va_list arguments, measuring;
    va_start(arguments, text);
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, text, measuring);
    va_end(measuring);
    std::string formatted(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    std::vsnprintf(formatted.data(), formatted.size() + 1, text, arguments);
    va_end(arguments);
    return formatted;
}

std::string joined(const std::vector<int>& values, const char* separator, bool signs) {
    std::string text;
    for (const int value : values)
        text += (text.empty() ? "" : separator) +
                (signs ? transposeText(value) : std::to_string(value));
    return text;
}

std::string counted(uint64_t count, const char* thing) {
    return format("%" PRIu64 " %s%s", count, thing, count == 1 ? "" : "s");
}

std::string where(const OrganPlace& place) {
    return format("%s at bar %" PRIu64 " beat %" PRIu64 " (tick %" PRIu64
                  ", %.2f s), channel %d, track %d",
                  noteName(place.note).c_str(), place.bar, place.beat, place.tick, place.seconds,
                  place.channel, place.track);
}

// The nearest transposition is what the player would use; the rest only say how many.
std::string transpositionText(const ZylorganReport& report) {
    if (report.fits.empty())
        return format("No transposition fits; %s leaves %s outside",
                      transposeText(report.best).c_str(),
                      counted(report.bestOutside, "note").c_str());
    std::string text = "Fits transposed by " + transposeText(report.fits.front());
    if (report.fits.size() > 1)
        text += " (or by " + counted(report.fits.size() - 1, "other") + ")";
    return text;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0. The second byte's range rules
// out overlong forms, surrogates and code points beyond U+10FFFF.
size_t utf8Length(const std::string& text, size_t at) {
    const auto byte = [&](size_t index) { return static_cast<unsigned char>(text[index]); };
    const unsigned char lead = byte(at);
    const size_t length = lead < 0x80   ? 1
                          : lead < 0xC2 ? 0
                          : lead < 0xE0 ? 2
                          : lead < 0xF0 ? 3
                          : lead < 0xF5 ? 4
                                        : 0;
    if (length < 2)
        return length;
    if (at + length > text.size())
        return 0;
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (size_t index = at + 2; index < at + length; ++index)
        if ((byte(index) & 0xC0) != 0x80)
            return 0;
    return length;
}

// JSON strings: quotes, backslashes and control bytes escaped. File names need not be UTF-8,
// and JSON must be, so each byte outside a well-formed sequence stands as U+FFFD.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        const size_t length = utf8Length(text, at);
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (length == 1 && static_cast<unsigned char>(c) < 0x20)
            out += format("\\u%04x", static_cast<unsigned>(c));
        else if (length == 0)
            out += "\\ufffd";
        else
            out.append(text, at, length);
        at += std::max<size_t>(length, 1);
    }
    return out + "\"";
}

std::string jsonPlace(const OrganPlace& place) {
    if (place.note < 0)
        return "null";
    return format("{\"tick\":%" PRIu64 ",\"bar\":%" PRIu64 ",\"beat\":%" PRIu64
                  ",\"seconds\":%.3f,\"channel\":%d,\"track\":%d,\"note\":%d,\"name\":%s}",
                  place.tick, place.bar, place.beat, place.seconds, place.channel, place.track,
                  place.note, jsonString(noteName(place.note)).c_str());
}

} // namespace

std::string noteName(int note) {
    static const char* const names[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                        "F#", "G",  "G#", "A",  "A#", "B"};
    return names[note % 12] + std::to_string(note / 12 - 1);
}

std::string transposeText(int semitones) {
    return semitones > 0 ? "+" + std::to_string(semitones) : std::to_string(semitones);
}

std::string reportShortText(const ZylorganReport& report) {
    std::string text;
    auto line = [&text](const std::string& more) { text += (text.empty() ? "" : "\n") + more; };
    if (report.outside > 0) {
        line(counted(report.outside, "note") + " outside the scale, the first " +
             where(report.firstOutside));
        line(transpositionText(report));
    }
    if (!report.channels.empty() && report.channels != std::vector<int>{1})
        line("Notes on channels " + joined(report.channels, ", ", false));
    if (report.tooManyAtOnce())
        line(format("Up to %d notes at once; the organ sounds %d", report.polyphony,
                    OrganMaxPolyphony));
    if (report.fastRepeats > 0)
        line(counted(report.fastRepeats, "repeat") + " faster than a pipe, the first " +
             where(report.firstFastRepeat));
    return text;
}

std::string reportPlainLine(const std::string& path, const ZylorganReport& report) {
    if (report.code == OrganUnreadable)
        return format("%s: code %d, cannot be read", path.c_str(), report.code);
    std::string text =
        format("%s: code %d, %" PRIu64 " outside", path.c_str(), report.code, report.outside);
    if (report.firstOutside.note >= 0)
        text += ", first " + where(report.firstOutside);
    text +=
        "; channels " + (report.channels.empty() ? "none" : joined(report.channels, " ", false));
    text += "; fits " + (report.fits.empty() ? "nowhere" : joined(report.fits, " ", true));
    text += format("; best %s (%" PRIu64 " outside); polyphony %d; fast repeats %" PRIu64,
                   transposeText(report.best).c_str(), report.bestOutside, report.polyphony,
                   report.fastRepeats);
    return text;
}

std::string reportJsonLine(const std::string& path, const ZylorganReport& report) {
    return "{\"path\":" + jsonString(path) + format(",\"code\":%d", report.code) +
           format(",\"outside\":%" PRIu64, report.outside) +
           ",\"first\":" + jsonPlace(report.firstOutside) + ",\"channels\":[" +
           joined(report.channels, ",", false) + "],\"fits\":[" + joined(report.fits, ",", false) +
           format("],\"best\":%d,\"bestOutside\":%" PRIu64 ",\"polyphony\":%d", report.best,
                  report.bestOutside, report.polyphony) +
           format(",\"fastRepeats\":%" PRIu64 "}", report.fastRepeats);
}
