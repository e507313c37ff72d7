#include "App.h"

#include "Flt_AppSetup.h"
#include "OrganCommandLine.h"
#include "QuitSignals.h"

#include <iostream>

int main(int argc, char** argv) {
    // The organ modes are for scripts: they run before any window or display is touched.
    if (const int exit = organCommandLine(argc, argv, std::cout, std::cerr);
        exit != NoCommandLineMode)
        return exit;
    Flt_AppSetup setup = playerSetup();
    setup.console = false;
    {
        App app(setup);
        QuitSignals signals([&app] { app.quitNow(); });
        app.run(argc, argv);
    }
    return 0;
}
