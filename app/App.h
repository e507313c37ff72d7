#pragma once

#include "Flt_App.h"
#include "Flt_Menubar.h"
#include "Flt_Thread.h"
#include "PlayClock.h"
#include "ZylmidiOut.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class Fl_Button;
class Fl_Widget;
class MyBrowser;
class ZylmidiTimeline;

// Menu command numbers.
inline constexpr int CmdExit = 0;
inline constexpr int CmdOpenPlaylist = 2;
inline constexpr int CmdClearPlaylist = 3;
inline constexpr int CmdContinuous = 4;
inline constexpr int CmdCheckOrgan = 5;
inline constexpr int CmdOutputNone = 6;
inline constexpr int CmdFirstOutput = 7;
inline constexpr int MaxOutputEntries = 20;
inline constexpr int CmdLastOutput = CmdFirstOutput + MaxOutputEntries - 1; // 26
inline constexpr int CmdFirstPause = 27;
inline constexpr int MenuPauseEntries = 6;
inline constexpr int CmdLastPause = 47; // ids beyond the menu come from stored values
inline constexpr int CmdSavePlaylist = 48;
inline constexpr int CmdAllTracks = 49;
inline constexpr int CmdFollowTempo = 50;
// The organ workbench.
inline constexpr int CmdTransposeToFit = 51;
inline constexpr int CmdRemoveSelected = 52;
inline constexpr int CmdSaveOrganCopy = 53;

// What follows the file that plays.
inline constexpr int32_t NextStop = 0;
inline constexpr int32_t NextAdvance = 2;
// "Play Now" or "Play Next" cut the file short: the next one plays at once, continuous play
// or not; the files after it follow as for NextAdvance.
inline constexpr int32_t NextSkip = 3;

// `stored` followed by the files named on the command line (argv[1] on), made absolute so
// that the stored playlist still finds them after a start from another folder.
std::vector<std::string> withCommandLine(std::vector<std::string> stored, int argc, char** argv);

// How a job ended, for the completion: only a file that played or was stopped or skipped
// lets the engine go on; after a lost port it would go on failing.
inline constexpr int EndFinished = 0;
inline constexpr int EndStopped = 1;
inline constexpr int EndUnreadable = 2;
inline constexpr int EndPortLost = 3;
inline constexpr int EndSendFailed = 4;

// What a job copies from the user-interface thread when it is made.
struct PlayOptions {
    bool allTracks = false;
    bool followTempo = false;
    uint64_t port = 0; // the port's generation; a job never sends to a port opened after it
    int transpose = 0; // semitones the notes are shifted by, for the organ
};

// The window's title, size and store as the player starts them.
Flt_AppSetup playerSetup();

// The player's one window: a menu bar, six large buttons and the playlist. It owns the MIDI
// output, the names of the output ports listed at start-up and the worker that plays.
class App : public Flt_App {
public:
    explicit App(Flt_AppSetup& setup);
    ~App() override;

    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    void onStart(int argc, char** argv) override;
    bool onClose() override;

    void menuCommand(int id);
    static void buttonCallback(Fl_Widget* w, void* data);
    void buttonPressed(Fl_Widget* w);

    // Checks each path and adds those that pass; what was refused is told once, afterwards,
    // after the `refusals` the caller has already collected for the same batch.
    void addFiles(const std::vector<std::string>& paths, std::vector<std::string> refusals = {});
    // Dropped or handed-over names: playlist files among them are read as playlists, the
    // rest go to addFiles, all as one batch.
    void addDroppedFiles(const std::vector<std::string>& names);
    // The stored playlist at start, then the files `named` on the command line: a stored
    // entry whose file is missing now is kept, and the box says how many were.
    void restorePlaylist(const std::vector<std::string>& stored,
                         const std::vector<std::string>& named);
    // "File/Remove selected" and the Delete key; the line that plays stays.
    void removeSelected();
    // Every change of the playlist's order or entries comes here: the list is stored soon.
    void playlistChanged();

    // What "File/Open playlist..." does with the chosen names: MIDI files are taken as they
    // are, anything else is read as a playlist; all of it goes to addFiles as one batch.
    void openPlaylistPaths(const std::vector<std::string>& chosen);
    // Writes the playlist to `path` as M3U8; false, told in a box, when that failed, and any
    // file there before is left as it was.
    bool savePlaylistTo(const std::string& path);
    // Writes the organ copy of `source` to `target`; false, told in a box, when it failed.
    bool saveOrganCopyTo(const std::string& source, const std::string& target);

    // Every message to the user goes through here: a modal box with one "Close" button,
    // or, when `messageSink` is set, that function instead.
    void showMessage(const std::string& text);
    std::function<void(const std::string&)> messageSink;

    // The playback engine.
    // Plays line 1; missing files on the way are skipped without a job.
    void startPlaying(double pauseSeconds);
    bool playFile(const Flt_StopFlag& stop, std::string path, double pauseSeconds,
                  PlayOptions options = {});
    void playbackEnded(bool result);
    bool readyToPlay();
    // Ends the program as the window's close box does; for the quit signals.
    void quitNow();
    // Files a later start of the player handed over: added as a drop's, the window raised.
    void takeHandOver(const std::vector<std::string>& paths);
    void onStoreFailed(const std::string& path, const std::string& reason) override;

    Flt_Menubar* menubar = nullptr;
    ZylmidiOut output;
    // Held by the job around each use of `output`, and by the output selection around
    // closing and opening it, so that a port never changes under a send.
    std::mutex portLock;
    uint64_t portGeneration = 0; // counts port changes; written under portLock
    // The ports as the output menu shows them now (read again each time it opens), and the
    // name of the one chosen there ("" for "(None)"), open or not.
    std::vector<std::string> outputNames;
    std::string chosenOutput;
    std::atomic<double> speed{1.0};
    // Written by the job, read by the user-interface thread.
    std::atomic<int> playbackEnd{EndFinished};
    std::atomic<int> sendError{0};
    std::atomic<int> loadError{0}; // the reader's code when the file was unreadable
    PlayClock playClock;           // where the job stands in its song, for the title
    // Messages of the file that the port refused for their size, skipped; told at its end.
    std::atomic<int> refusedMessages{0};
    // The file's first track has no notes and other tracks have, and only the first plays.
    std::atomic<bool> notesElsewhere{false};
    std::atomic<double> songSeconds{0.0};
    int32_t nextCommand = NextStop;
    double pauseSeconds = 1.0;
    Fl_Button* startButton = nullptr;
    Fl_Button* fasterButton = nullptr;
    Fl_Button* slowerButton = nullptr;
    Fl_Button* playNextButton = nullptr;
    Fl_Button* playNowButton = nullptr;
    Fl_Button* resetSpeedButton = nullptr;
    MyBrowser* playlist = nullptr;
    Flt_Thread player;

private:
    void buildMenu();
    void addOutputEntries();
    void refreshOutputMenu();
    void showOutputEntries();
    void markChosenOutput();
    int indexOfOutput(const std::string& name) const;
    Fl_Button* makeButton(const char* label);
    void placeChildren();

    void selectOutput(int id);
    // Opens the stored port at start: by its stored name where one is, else by its number.
    void restoreOutput(int storedDevice, const std::string& storedName);
    // What a file chooser asks: one or more files to open, or one name to save under.
    struct FileQuestion {
        const char* title;
        const char* filter;
        bool saving;
        std::string presetName;
    };
    // The names chosen; none when the user cancelled, the chooser failed (told in a box),
    // or a quit closed it.
    std::vector<std::string> askForFiles(const FileQuestion& question);
    void chooseAndOpenPlaylist();
    void chooseAndSavePlaylist();
    void chooseAndSaveOrganCopy();
    void selectPause(int id);
    void storeToggle(int id);

    int playSteps(const ZylmidiTimeline& timeline, const Flt_StopFlag& stop, uint64_t port);
    int sendToPort(const ZylmidiOut::Message& message, uint64_t generation,
                   ZylmidiOutput::Moment due);
    void releaseNotes(uint64_t generation);
    void changeSpeed(double factor);
    bool goesOnAfter(int ending);
    void tellRefusedMessages();
    void tellWhereNotesAre(); // once a session
    bool toldNotesElsewhere = false;

    // The title shows the time and speed of the file that plays, about once a second.
    void startTitleClock();
    void showPlayingTitle();
    void stopTitleClock();
    static void titleTick(void* app);
    static void storePlaylist(void* app);
    void closeMessageBoxes();
    // Asked for while a box is open: FLTK shows one at a time and drops the others.
    std::deque<std::string> waitingMessages;
    bool quitting = false;
    bool started = false; // the store has been read back into the window

    size_t addChecked(const std::vector<std::string>& paths, std::vector<std::string>& refusals,
                      bool keepMissing);
    // `names` with each playlist file among them replaced by the paths it lists.
    std::vector<std::string> readAsPlaylists(const std::vector<std::string>& names,
                                             std::vector<std::string>& refusals);
    // Files that cannot play are skipped and marked; a whole lap of them stops playback.
    void skipUnreadable(uint64_t entryId);
    bool firstIsMissing();
    bool skipped(uint64_t entryId);
    size_t failedInARow = 0;

    void pressStart();
    void pressPlayNext();
    void pressPlayNow();
};
