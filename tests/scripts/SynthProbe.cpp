// synth_probe NAME: lists the output ports as the player sees them, one "port: " line each,
// opens the one called NAME (found by name), sends a middle C and prints "sent". The port
// stays open, so its connection can be inspected, until input arrives on standard input;
// then the note is released. Exit status 0 only when every step worked.
#include "ZylmidiOut.h"
#include "ZylmidiPortMatch.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> names = ZylmidiOut::portNames();
    for (const std::string& name : names)
        std::cout << "port: " << name << "\n";
    const int index = argc == 2 ? findPortByName(names, argv[1]) : -1;
    ZylmidiOut out;
    if (index < 0 || out.open(static_cast<unsigned>(index)) != 0 || out.send({0x90, 60, 100}))
        return 1;
    std::cout << "sent" << std::endl;
    std::cin.get(); // the line that lets the note go
    return out.send({0x80, 60, 0});
}
