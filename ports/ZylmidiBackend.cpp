#include "ZylmidiBackend.h"

#include <unistd.h>
#include <vector>

namespace {

const char* const SequencerDevice = "/dev/snd/seq";

// The back ends to ask, in order; UNSPECIFIED is the library's own choice.
std::vector<RtMidi::Api> candidateApis() {
    std::vector<RtMidi::Api> compiled;
    RtMidi::getCompiledApi(compiled);
    const bool sequencerPresent = access(SequencerDevice, F_OK) == 0;
    std::vector<RtMidi::Api> candidates;
    if (sequencerPresent)
        candidates.push_back(RtMidi::UNSPECIFIED);
    for (RtMidi::Api api : compiled) {
        if (api != RtMidi::LINUX_ALSA || sequencerPresent)
            candidates.push_back(api);
    }
    // Nothing but ALSA: its failure, then, is the one to report.
    if (candidates.empty())
        candidates.push_back(RtMidi::UNSPECIFIED);
    return candidates;
}

} // namespace

std::unique_ptr<RtMidiOut> createOutputClient(const std::string& clientName) {
    const std::vector<RtMidi::Api> candidates = candidateApis();
    for (std::size_t index = 0;; ++index) {
        try {
            return std::make_unique<RtMidiOut>(candidates[index], clientName);
        } catch (const RtMidiError&) {
            if (index + 1 == candidates.size())
                throw;
        }
    }
}
