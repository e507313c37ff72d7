#include "JackPortList.h"

#include "CallWithin.h"

#include <jack/jack.h>
#include <jack/midiport.h>

namespace {

using Names = std::vector<std::string>;

Names askServer(const std::string& clientName) {
    Names names;
    jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (client == nullptr)
        return names;
    if (const char** ports =
            jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
        for (const char** port = ports; *port != nullptr; ++port)
            names.emplace_back(*port);
        jack_free(ports);
    }
    jack_client_close(client);
    return names;
}

} // namespace

std::vector<std::string> jackInputPorts(const std::string& clientName, std::string& why) {
    Names names;
    if (!callWithin<Names>(
            ClientCallLimit, [clientName] { return askServer(clientName); }, [](Names) {}, names))
        why = "ZylmidiOut::portNames: the JACK server did not answer within " +
              std::to_string(ClientCallLimit.count()) + " ms; its ports are not listed.";
    return names;
}
