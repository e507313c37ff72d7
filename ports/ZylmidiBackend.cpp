#include "ZylmidiBackend.h"

#include <unistd.h>
#include <vector>

namespace {

const char* const SequencerDevice = "/dev/snd/seq";

// The back ends to ask, in RtMidi's order.
std::vector<RtMidi::Api> candidateApis() {
    std::vector<RtMidi::Api> compiled;
    RtMidi::getCompiledApi(compiled);
    const bool sequencerPresent = access(SequencerDevice, F_OK) == 0;
    std::vector<RtMidi::Api> candidates;
    for (RtMidi::Api api : compiled) {
        // The dummy back end only stands in where nothing else was compiled.
        const bool ownOrDummy = api == RtMidi::UNIX_JACK || api == RtMidi::RTMIDI_DUMMY;
        if (!ownOrDummy && (api != RtMidi::LINUX_ALSA || sequencerPresent))
            candidates.push_back(api);
    }
    return candidates;
}

} // namespace

std::unique_ptr<RtMidiOut> createOutputClient(const std::string& clientName) {
    const std::vector<RtMidi::Api> candidates = candidateApis();
    for (std::size_t index = 0; index < candidates.size(); ++index) {
        try {
            return std::make_unique<RtMidiOut>(candidates[index], clientName);
        } catch (const RtMidiError&) {
            if (index + 1 == candidates.size())
                throw;
        }
    }
    return nullptr;
}
