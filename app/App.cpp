#include "App.h"

#include "MenuLabel.h"
#include "Message.h"
#include "MyBrowser.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/fl_ask.H>

#include <string>

namespace {

constexpr int MenuHeight = 25;
constexpr int ButtonWidth = 250;
constexpr int ButtonHeight = 100;
constexpr int ButtonLabelSize = 26;
constexpr int PlaylistTextSize = 32;

constexpr int NoShortcut = 0;
constexpr int NoFlags = 0;
constexpr int ExitKey = 'q';
constexpr char CtrlP = 0x10;
constexpr int LockKeys = FL_CAPS_LOCK | FL_NUM_LOCK | FL_SCROLL_LOCK;

} // namespace

Flt_AppSetup playerSetup() {
    Flt_AppSetup setup = Flt_AppSetup::sizable(900, 627);
    setup.title = "Veltrano V1.4";
    setup.vendor = "nvx";
    setup.appName = "Veltrano";
    return setup;
}

App::App(Flt_AppSetup& setup) : Flt_App(setup) {
    escapeMode = escapeIgnored;
    outputNames = ZylmidiOut::portNames();
    menubar = new Flt_Menubar;
    menubar->setCallback([this](int id) { menuCommand(id); });
    buildMenu();
    startButton = makeButton("Start");
    fasterButton = makeButton("Faster");
    slowerButton = makeButton("Slower");
    playNextButton = makeButton("Play Next");
    playNowButton = makeButton("Play Now");
    resetSpeedButton = makeButton("Reset Speed");
    playlist = new MyBrowser(this);
    playlist->textsize(PlaylistTextSize);
    end();
    speed = 1.0;
    pauseSeconds = 1.0;
}

// The members go in reverse order: the worker first, without its completion (its job
// releases the sounding notes), then the port; the base stores the geometry and deletes
// the widgets.
App::~App() {
    Fl::remove_timeout(titleTick, this);
    Fl::remove_timeout(storePlaylist, this);
}

// Entries must be added in their final order (see Flt_Menubar).
void App::buildMenu() {
    menubar->add("File/Open playlist...", CmdOpenPlaylist, NoShortcut, NoFlags);
    menubar->add("File/Save playlist...", CmdSavePlaylist, NoShortcut, NoFlags);
    menubar->add("File/Clear playlist", CmdClearPlaylist, NoShortcut, NoFlags);
    menubar->add("File/Remove selected", CmdRemoveSelected, FL_Delete, NoFlags);
    menubar->add("File/Save organ copy...", CmdSaveOrganCopy, NoShortcut, NoFlags);
    menubar->add("File/Exit", CmdExit, ExitKey, NoFlags);
    menubar->add("Settings/Check Deleika26 compatibility", CmdCheckOrgan, NoShortcut,
                 FL_MENU_TOGGLE);
    menubar->add("Settings/Continuous play", CmdContinuous, NoShortcut, FL_MENU_TOGGLE);
    menubar->add("Settings/Select MIDI output/(None)", CmdOutputNone, NoShortcut,
                 FL_MENU_RADIO | FL_MENU_VALUE);
    addOutputEntries();
    for (int seconds = 1; seconds <= MenuPauseEntries; ++seconds) {
        const std::string path = "Settings/Pause between files/" + std::to_string(seconds) + " sec";
        menubar->add(path.c_str(), CmdFirstPause + seconds - 1, NoShortcut, FL_MENU_RADIO);
    }
    menubar->setValue(CmdFirstPause, true);
    menubar->add("Settings/Play all tracks", CmdAllTracks, NoShortcut, FL_MENU_TOGGLE);
    menubar->add("Settings/Follow tempo changes", CmdFollowTempo, NoShortcut, FL_MENU_TOGGLE);
    menubar->add("Settings/Transpose to fit the organ", CmdTransposeToFit, NoShortcut,
                 FL_MENU_TOGGLE);
}

Fl_Button* App::makeButton(const char* label) {
    auto* button = new Fl_Button(0, 0, 0, 0, label);
    button->callback(buttonCallback, this);
    button->labelsize(ButtonLabelSize);
    return button;
}

void App::resize(int x, int y, int w, int h) {
    Fl_Double_Window::resize(x, y, w, h);
    if (shown())
        placeChildren();
}

void App::placeChildren() {
    menubar->resize(0, 0, w(), MenuHeight);
    Fl_Button* column[] = {startButton,      playNowButton, playNextButton,
                           resetSpeedButton, slowerButton,  fasterButton};
    int top = MenuHeight;
    for (Fl_Button* button : column) {
        button->resize(0, top, ButtonWidth, ButtonHeight);
        top += ButtonHeight;
    }
    playlist->resize(ButtonWidth, MenuHeight, w() - ButtonWidth, h() - MenuHeight);
    redraw();
}

// Left and Ctrl+Left would move the focus between the buttons and the list, and Ctrl+P is
// kept free; all three are used up here. A press on the menu bar comes here before its menu
// opens: the output entries are brought up to date first.
int App::handle(int event) {
    if (event == FL_PUSH && Fl::event_inside(menubar))
        refreshOutputMenu();
    if (event == FL_KEYBOARD) {
        const int state = Fl::event_state() & ~LockKeys;
        const int key = Fl::event_key();
        if (key == FL_Left && (state == 0 || state == FL_CTRL))
            return 1;
        const char* text = Fl::event_text();
        if (text && text[0] == CtrlP)
            return 1;
    }
    return Flt_App::handle(event);
}

void App::menuCommand(int id) {
    if (id == CmdExit) {
        player.requestStop();
        if (onClose())
            hide();
    } else if (id == CmdOpenPlaylist) {
        chooseAndOpenPlaylist();
    } else if (id == CmdSavePlaylist) {
        chooseAndSavePlaylist();
    } else if (id == CmdSaveOrganCopy) {
        chooseAndSaveOrganCopy();
    } else if (id == CmdClearPlaylist) {
        player.requestStop();
        playlist->clearAll();
        nextCommand = NextStop;
    } else if (id >= CmdOutputNone && id <= CmdLastOutput) {
        selectOutput(id);
    } else if (id >= CmdFirstPause && id <= CmdLastPause) {
        selectPause(id);
    } else if (id == CmdRemoveSelected) {
        removeSelected();
    } else {
        storeToggle(id);
    }
    playlist->redraw(); // its hints follow the list and the chosen output
}

void App::buttonCallback(Fl_Widget* w, void* data) {
    static_cast<App*>(data)->buttonPressed(w);
}

void App::showMessage(const std::string& text) {
    if (messageSink && !quitting) {
        messageSink(text);
        return;
    }
    waitingMessages.push_back(text);
    if (waitingMessages.size() > 1)
        return; // the call whose box is open shows it next
    for (; !waitingMessages.empty(); waitingMessages.pop_front()) {
        if (quitting) // no box may hold up the end; the text still goes somewhere
            logLine(waitingMessages.front(), stderr);
        else
            fl_message("%s", labelTextFor(waitingMessages.front()).c_str());
    }
}

void App::quitNow() {
    quitting = true;
    closeMessageBoxes();
    if (onClose())
        hide();
}

// Hiding a modal box ends the nested event loop that waits for it.
void App::closeMessageBoxes() {
    std::vector<Fl_Window*> boxes;
    for (Fl_Window* window = Fl::first_window(); window; window = Fl::next_window(window)) {
        if (window != this && window->modal())
            boxes.push_back(window);
    }
    for (Fl_Window* box : boxes)
        box->hide();
}
