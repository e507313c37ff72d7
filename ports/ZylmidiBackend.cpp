#include "ZylmidiBackend.h"

#include <vector>

std::unique_ptr<RtMidiOut> createOutputClient(const std::string& clientName) {
    try {
        return std::make_unique<RtMidiOut>(RtMidi::UNSPECIFIED, clientName);
    } catch (const RtMidiError& firstFailure) {
        std::vector<RtMidi::Api> apis;
        RtMidi::getCompiledApi(apis);
        RtMidiError lastFailure = firstFailure;
        for (RtMidi::Api api : apis) {
            try {
                return std::make_unique<RtMidiOut>(api, clientName);
            } catch (const RtMidiError& failure) {
                lastFailure = failure;
            }
        }
        throw lastFailure;
    }
}
