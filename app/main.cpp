#include "App.h"

#include "Flt_AppSetup.h"
#include "QuitSignals.h"

int main(int argc, char** argv) {
    Flt_AppSetup setup = playerSetup();
    setup.console = false;
    {
        App app(setup);
        QuitSignals signals([&app] { app.quitNow(); });
        app.run(argc, argv);
    }
    return 0;
}
