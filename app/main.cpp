#include "App.h"

#include "Flt_AppSetup.h"
#include "QuitSignals.h"

int main(int argc, char** argv) {
    Flt_AppSetup setup = Flt_AppSetup::sizable(900, 627);
    setup.title = "Veltrano V1.4";
    setup.vendor = "nvx";
    setup.appName = "Veltrano";
    setup.console = false;
    {
        App app(setup);
        QuitSignals signals([&app] { app.quitNow(); });
        app.run(argc, argv);
    }
    return 0;
}
