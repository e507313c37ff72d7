#include "AppTestSupport.h"

#include "FltEventLoop.h"
#include "MyBrowser.h"
#include "SmfBuilder.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

void PlayerTest::openPlayer(const std::vector<std::string>& storeLines,
                            const std::vector<std::string>& arguments) {
    if (!storeLines.empty())
        writeStore(storeLines);
    // Suites that start JACK servers point at their own; the rest never reach a user's.
    setenv("JACK_DEFAULT_SERVER", "veltrano-absent-server", 0);
    Flt_AppSetup setup = Flt_AppSetup::sizable(900, 627);
    setup.title = "Veltrano V1.4";
    setup.vendor = "nvx";
    setup.appName = "Veltrano";
    app = std::make_unique<App>(setup);
    app->messageSink = [this](const std::string& text) { messages.push_back(text); };
    // What run does before its event loop.
    app->show();
    std::vector<char*> argv = {const_cast<char*>("veltrano")};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    app->onStart(static_cast<int>(argv.size()) - 1, argv.data());
    loopFor(0.3);
}

void PlayerTest::writeStore(const std::vector<std::string>& storeLines) {
    const std::string storeFolder = home.path() + "/.fltk/nvx";
    mkdir((home.path() + "/.fltk").c_str(), 0700);
    mkdir(storeFolder.c_str(), 0700);
    std::ofstream store(storeFolder + "/Veltrano.prefs");
    store << "; FLTK preferences file format 1.0\n; vendor: nvx\n; application: Veltrano\n\n[.]\n";
    for (const std::string& line : storeLines)
        store << line << "\n";
    store.close();
}

std::string PlayerTest::closePlayer() {
    app.reset();
    return home.storeText("nvx", "Veltrano");
}

std::vector<std::string> PlayerTest::lines() const {
    std::vector<std::string> shown;
    for (int line = 1; line <= app->playlist->size(); ++line)
        shown.push_back(app->playlist->text(line));
    return shown;
}

std::string PlayerTest::midiFile(const std::string& name, int note, int channel) const {
    SmfTrackBuilder track;
    const auto status = static_cast<unsigned char>(0x90 | channel);
    track.channel(0, {status, static_cast<unsigned char>(note), 100});
    track.channel(
        48, {static_cast<unsigned char>(0x80 | channel), static_cast<unsigned char>(note), 0});
    track.endOfTrack();
    return folder.write(name, singleTrackFile(track.body(), 480));
}
