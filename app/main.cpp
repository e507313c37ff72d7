#include "App.h"

#include "Flt_AppSetup.h"
#include "Flt_SingleInstance.h"
#include "Message.h"
#include "OrganCommandLine.h"
#include "QuitSignals.h"

#include <FL/Fl.H>

#include <iostream>

int main(int argc, char** argv) {
    // The organ modes are for scripts: they run before any window, display or running
    // player is touched.
    if (const int exit = organCommandLine(argc, argv, std::cout, std::cerr);
        exit != NoCommandLineMode)
        return exit;
    // One player per user: a later start hands its files to the running one and ends,
    // deciding before the store is opened, so it never writes the store.
    Flt_SingleInstance instance("veltrano");
    std::string reason;
    const int claimed = instance.claim(withCommandLine({}, argc, argv), reason);
    if (claimed == Flt_SingleInstance::claimHandedOver)
        return 0;
    if (claimed == Flt_SingleInstance::claimNoAnswer) {
        logLine(reason, stderr);
        return 1;
    }
    if (claimed != Flt_SingleInstance::claimFirst)
        logLine(reason, stderr); // a player alone still plays
    // GTK's chooser runs a loop of its own that serves none of FLTK's descriptors, so a quit
    // signal would wait for the user to cancel it; FLTK's chooser is a modal window that
    // the quit closes like any box.
    Fl::option(Fl::OPTION_FNFC_USES_GTK, false);

    Flt_AppSetup setup = playerSetup();
    setup.console = false;
    {
        App app(setup);
        QuitSignals signals([&app] { app.quitNow(); });
        instance.listen([&app](const std::vector<std::string>& paths) { app.takeHandOver(paths); });
        app.run(argc, argv);
        instance.listen(nullptr);
    }
    return 0;
}
