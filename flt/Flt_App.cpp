#include "Flt_App.h"

#include "Flt_Icon.h"
#include "Flt_Prefs.h"

#include <FL/Fl.H>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char* const geometryGroup = "posize";
const char* const workNamesGroup = "workNames";
const char* const scheme = "gtk+";

const char* orEmpty(const char* text) {
    return text ? text : "";
}

// An unnamed store would land in the shared folder of all FLTK programs.
const char* orDefault(const char* text, const char* fallback) {
    return text && *text ? text : fallback;
}

// FLTK counts its lock; taking it again for each window would leave it held in Fl::wait.
void startThreadSupportOnce() {
    static bool started = false;
    if (!started)
        Fl::lock();
    started = true;
}

} // namespace

Flt_App::Flt_App(Flt_AppSetup& setup)
    : Fl_Double_Window(setup.w, setup.h),
      store(orDefault(setup.vendor, Flt_AppSetup::sizable(0, 0).vendor),
            orDefault(setup.appName, Flt_AppSetup::sizable(0, 0).appName)),
      prefs(store.root()) {
    store.onFailure = [this](const std::string& path, const std::string& reason) {
        onStoreFailed(path, reason);
    };
    if (!setup.border)
        clear_border();
    // The console flag needs nothing here: the standard streams stay as inherited.
    callback(&Flt_App::closeRequested, this);
    restoreGeometry(setup);
    if (!setup.title || !*setup.title)
        setup.title = setup.appName;
    setTitle(setup.title);
    startThreadSupportOnce();
    Fl::scheme(scheme);
    icon(&appIcon());
    Fl::visual(FL_RGB);
}

// Restores exactly what the destructor stored, so the window does not drift between runs,
// and never below the minimum size, so it never appears smaller than the layout needs.
void Flt_App::restoreGeometry(Flt_AppSetup& setup) {
    Fl_Preferences geometry(prefs, geometryGroup);
    restorePosition(geometry, setup);
    if (setup.minW >= 1 && setup.minH >= 1)
        restoreSize(geometry, setup);
    else
        size(setup.w, setup.h);
}

// A coordinate below 1 leaves the placement to the toolkit.
void Flt_App::restorePosition(Fl_Preferences& geometry, Flt_AppSetup& setup) {
    int x = setup.x, y = setup.y;
    geometry.get("x", x, setup.x);
    geometry.get("y", y, setup.y);
    if (x < 1 || y < 1)
        return;
    position(x, y);
    setup.x = x;
    setup.y = y;
}

void Flt_App::restoreSize(Fl_Preferences& geometry, Flt_AppSetup& setup) {
    int w = setup.w, h = setup.h;
    geometry.get("w", w, setup.w);
    geometry.get("h", h, setup.h);
    setup.w = std::max(w, setup.minW);
    setup.h = std::max(h, setup.minH);
    size(setup.w, setup.h);
    size_range(setup.minW, setup.minH, 0, 0, 0, 0, 0);
}

Flt_App::~Flt_App() {
    {
        Fl_Preferences geometry(prefs, geometryGroup);
        geometry.set("x", x());
        geometry.set("y", y());
        geometry.set("w", w());
        geometry.set("h", h());
    }
    releaseWorkName();
    store.flush();
    store.onFailure = nullptr; // the derived part that would tell it is gone
}

bool Flt_App::flushStore() {
    return store.flush() != Flt_Store::flushFailed;
}

int Flt_App::run(int argc, char** argv) {
    show();
    onStart(argc, argv);
    return Fl::run();
}

// Escape reaches the window as a key press while it holds the focus; without a focus widget
// FLTK offers it as a shortcut instead, and would close the window unasked if no one took it.
int Flt_App::handle(int event) {
    const bool escape = Fl::event_key() == FL_Escape;
    if (event == FL_KEYDOWN && escape)
        return applyEscapePolicy();
    const int used = Fl_Double_Window::handle(event);
    if (event == FL_SHORTCUT && escape && !used)
        return applyEscapePolicy();
    return used;
}

int Flt_App::applyEscapePolicy() {
    if (escapeMode == escapeCloses) {
        if (onClose())
            hide();
    } else if (escapeMode == escapeIconizes) {
        iconize();
    }
    return 1;
}

void Flt_App::setTitle(const char* title) {
    copy_label(orEmpty(title));
    baseTitleLength = static_cast<int>(std::strlen(orEmpty(title)));
}

void Flt_App::setTitleSuffix(const char* suffix) {
    std::string title = orEmpty(label());
    if (title.size() > static_cast<size_t>(baseTitleLength))
        title.resize(baseTitleLength);
    title += orEmpty(suffix);
    copy_label(title.c_str());
}

bool Flt_App::claimWorkName(const char* name) {
    if (!name || !*name)
        return false;
    if (ownsWorkName && workName == name)
        return true;
    releaseWorkName();
    workName = name;
    Fl_Preferences names(prefs, workNamesGroup);
    const bool heldAlready = Flt_Prefs(names, &store).updateList(workName, Flt_Prefs::listAdd);
    ownsWorkName = !heldAlready;
    return heldAlready;
}

// Only a name this instance entered is removed: one found already belongs to someone else.
void Flt_App::releaseWorkName() {
    if (!ownsWorkName)
        return;
    Fl_Preferences names(prefs, workNamesGroup);
    Flt_Prefs(names, &store).updateList(workName, Flt_Prefs::listRemove);
    ownsWorkName = false;
}

void Flt_App::onStart(int, char**) {}

bool Flt_App::onClose() {
    return true;
}

void Flt_App::onStoreFailed(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "Cannot save settings to %s: %s\n", path.c_str(), reason.c_str());
}

void Flt_App::closeRequested(Fl_Widget*, void* app) {
    Flt_App* window = static_cast<Flt_App*>(app);
    if (window->onClose())
        window->hide();
}
