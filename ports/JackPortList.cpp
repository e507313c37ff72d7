#include "JackPortList.h"

#include "CallWithin.h"

#include <jack/jack.h>
#include <jack/midiport.h>

namespace {

struct Listing {
    std::vector<std::string> names;
    std::chrono::steady_clock::duration period{};
};

Listing askServer(const std::string& clientName) {
    Listing listing;
    jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (client == nullptr)
        return listing;
    if (const char** ports =
            jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
        for (const char** port = ports; *port != nullptr; ++port)
            listing.names.emplace_back(*port);
        jack_free(ports);
    }
    listing.period = jackCycleLength(client);
    jack_client_close(client);
    return listing;
}

} // namespace

std::vector<std::string> jackInputPorts(const std::string& clientName, std::string& why,
                                        std::chrono::steady_clock::duration* period) {
    Listing listing;
    if (!callWithin<Listing>(
            ClientCallLimit, [clientName] { return askServer(clientName); }, [](Listing) {},
            listing))
        why = "ZylmidiOut::portNames: the JACK server did not answer within " +
              std::to_string(ClientCallLimit.count()) + " ms; its ports are not listed.";
    if (period)
        *period = listing.period;
    return listing.names;
}

std::chrono::steady_clock::duration jackCycleLength(jack_client_t* client) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(jack_get_buffer_size(client)) /
                                      jack_get_sample_rate(client)));
}
