#include "AppTestSupport.h"
#include "ZylmidiWriter.h"
#include "ZylorganScale.h"

#include <FL/Fl_Input.H>

#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

// Answers the file chooser about to open, from inside its event loop, as a user types `path`
// (which must outlive the chooser) into the name field, which has the focus, and presses
// Enter. The toolkit's own chooser, so that every machine shows the same one.
void answerChooser(const std::string& path) {
    Fl::option(Fl::OPTION_FNFC_USES_GTK, false);
    Fl::add_timeout(
        0.1,
        [](void* typed) {
            auto* name = dynamic_cast<Fl_Input*>(Fl::focus());
            ASSERT_TRUE(name && Fl::modal());
            name->value(static_cast<const char*>(typed));
            Fl::e_keysym = FL_Enter;
            Fl::e_text = const_cast<char*>("\r"); // a control character, not text to insert
            Fl::e_length = 1;
            Fl::handle(FL_KEYBOARD, Fl::modal());
        },
        const_cast<char*>(path.c_str()));
}

// The message box open, a while after it came, is closed and counted.
void closeBoxes(void* closed) {
    if (Fl_Window* box = Fl::modal()) {
        box->hide();
        ++*static_cast<int*>(closed);
    }
    Fl::repeat_timeout(0.3, closeBoxes, closed);
}

// Chosen MIDI files and playlists, then a drop: what a batch refuses is told in one box, at
// most twenty lines of it. Saved and opened again through the File menu's choosers, the list
// reads back.
TEST_F(PlayerTest, FilesComeInEveryWayAndAreSavedAsAList) {
    openPlayer();
    const std::string fifo = folder.file("pipe.mid"), listFifo = folder.file("pipe.m3u"),
                      absent = folder.file("absent.m3u");
    for (const std::string& pipe : {fifo, listFifo})
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string list = "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:3,Gone\r\nsub/../gone.mid\r\n\r\n  \t\r\n"
                       "file:///music/Waltz%20No.%202%C3%A9.mid\r\n"
                       "file://localhost/music/a%2Fb%00%zz.mid\r\nfile://otherhost/x.mid\r\n";
    const std::string sound = folder.write("sound.wav", {'R', 'I', 'F', 'F', 0, '\n'});
    Lines told = {"Cannot open playlist " + absent + ": No such file or directory",
                  "Playlist " + folder.path() + " is a folder",
                  "Playlist /dev/zero is not a regular file",
                  "Playlist " + listFifo + " is not a regular file",
                  "Playlist " + sound + " is not a text file",
                  "Skipped non-file " + fifo,
                  "Skipped non-file " + folder.file("gone.mid"),
                  "Skipped non-file /music/Waltz No. 2\xC3\xA9.mid",
                  "Skipped non-file /music/a/b%00%zz.mid",
                  "Skipped non-file file://otherhost/x.mid"};
    for (int i = 0; told.size() < 20; ++i) {
        list += std::to_string(i) + "\n";
        told.push_back("Skipped non-file " + folder.file(std::to_string(i)));
    }
    list += "x\ny\n" + midiFile("last.MID"); // the last line without its end
    app->openPlaylistPaths({fifo, folder.write("C:\\music\\Minuet.v2.mid", {}),
                            folder.write("list.m3u8", Bytes(list.begin(), list.end())), absent,
                            folder.path(), "/dev/zero", listFifo, sound, midiFile("@b@Cbold.mid"),
                            midiFile("a.midi"), midiFile("b.kar"), midiFile("c.smf"),
                            midiFile("no-extension")});
    std::string box; // the twenty lines, then what is left out
    for (const std::string& line : told)
        box += line + "\n";
    EXPECT_EQ(messages, Lines{box + "and 2 more"});
    midiFile("a b.mid");
    // A file manager's drop, as the toolkit hands it to the window: the drag over the
    // playlist, which must take it, then the dragged file and folder as a URI list, given to
    // the widget the drag ended on.
    Fl::e_x = app->playlist->x() + 100;
    Fl::e_y = app->playlist->y() + 100;
    for (const int event : {FL_DND_ENTER, FL_DND_DRAG, FL_DND_RELEASE})
        ASSERT_EQ(Fl::handle(event, app.get()), 1) << event;
    folder.write("dropped.m3u", {'a', ' ', 'b', '.', 'm', 'i', 'd'}); // read as a playlist
    const std::string uris = "file://" + folder.path() + "/a%20b.mid\r\nfile://" + folder.path() +
                             "/dropped.m3u\r\nfile://" + folder.path();
    Fl::e_text = const_cast<char*>(uris.c_str());
    Fl::e_length = static_cast<int>(uris.size());
    EXPECT_EQ(Fl::belowmouse()->handle(FL_PASTE), 1);
    EXPECT_TRUE(loopUntil([this] { return lines().size() == 9; }, 10));
    EXPECT_EQ(messages.back(), "Skipped non-file " + folder.path());
    EXPECT_EQ(lines(), (Lines{"Minuet.v2", "last", "@b@Cbold", "a", "b", "c", "no-extension", "a b",
                              "a b"}));

    const std::string saved = folder.file("saved.m3u8");
    const Lines paths = app->playlist->paths();
    answerChooser(saved);
    app->menuCommand(CmdSavePlaylist);
    namespace fs = std::filesystem; // saved again, it keeps its mode
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(saved, mode);
    // A pipe under the temporary name must neither hold the save up nor take its bytes.
    ASSERT_EQ(mkfifo((saved + ".new-" + std::to_string(getpid())).c_str(), 0600), 0);
    EXPECT_TRUE(app->savePlaylistTo(saved));
    EXPECT_EQ(fs::status(saved).permissions(), mode);
    messages.clear();
    // A rename would replace the FIFO.
    for (const std::string& target :
         {folder.file("missing/x.m3u8"), folder.path(), std::string("/proc/version"), fifo})
        EXPECT_FALSE(app->savePlaylistTo(target)) << target;
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    app->addFiles({midiFile("line\nbreak.mid")});
    EXPECT_FALSE(app->savePlaylistTo(saved));
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_NE(messages[2].find("(the existing playlist is unchanged)"), std::string::npos);
    // Written whole through a temporary file in the same folder, or not at all.
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos);
    app->menuCommand(CmdClearPlaylist);
    answerChooser(saved);
    app->menuCommand(CmdOpenPlaylist);
    EXPECT_EQ(app->playlist->paths(), paths);
    EXPECT_FALSE(app->playlist->moveSelectedToFirst()); // none selected

    app->menuCommand(CmdClearPlaylist);
    app->playlist->moveFirstToEnd();
    EXPECT_TRUE(app->playlist->firstPath().empty());

    // The organ check's refusals come in one box; the check marks are stored when chosen, and
    // again at close.
    app->menubar->setValue(CmdCheckOrgan, true);
    app->addFiles(
        {midiFile("fits.mid"), midiFile("out.mid", "903D64"), midiFile("ch.mid", "993C64")});
    EXPECT_EQ(lines(), Lines{"fits"});
    app->playlist->select(1);
    EXPECT_FALSE(app->playlist->moveSelectedToSecond()); // too few lines
    // Under the check's line, why, and what would fit.
    EXPECT_EQ(messages.back(), "Non Deleika compatile (-4): " + folder.file("out.mid") +
                                   "\n1 note outside the scale, the first C#4 at bar 1 beat 1 "
                                   "(tick 0, 0.00 s), channel 1, track 1\nFits transposed by +1 "
                                   "(or by 13 others)\nNon Deleika compatile (-3): " +
                                   folder.file("ch.mid") + "\nNotes on channels 10");
    const std::string organCopy = folder.file("organ.mid"); // of the selected line
    answerChooser(organCopy);
    app->menuCommand(CmdSaveOrganCopy);
    EXPECT_EQ(ZylorganScale().checkFile(organCopy.c_str()), OrganFits);
    // A copy that cannot be made says why; one that leaves notes out says how many.
    const std::string two = folder.write(
        "two.mid", singleTrackFile(wire("00 902940 00 900040 60 802900 00 800000 00 FF2F00")));
    const std::tuple<std::string, std::string, std::string> copies[] = {
        {folder.file("absent.mid"), organCopy, "Cannot read " + folder.file("absent.mid")},
        {midiFile("low.mid", "900064"), organCopy,
         "No note of " + folder.file("low.mid") + " fits the organ; nothing saved"},
        {two, folder.path(),
         "Cannot save organ copy " + folder.path() +
             ": it is a folder, a pipe or a device, not a file (error " +
             std::to_string(MidiWriteNotAFile) + ")"},
        {two, organCopy, "Organ copy " + organCopy + ": transposed +2, 1 notes dropped"}};
    for (const auto& [source, target, told] : copies) {
        messages.clear();
        EXPECT_EQ(app->saveOrganCopyTo(source, target), told.rfind("Organ copy", 0) == 0);
        EXPECT_EQ(messages, Lines{told});
    }
    app->menubar->picked(app->menubar->find_item("Settings/Follow tempo changes"));
    app->menuCommand(CmdFirstPause + 2);
    EXPECT_FALSE(app->menubar->find_item("Settings/Pause between files/1 sec")->value());
    for (const char* chosen : {"FollowTempo:1", "Pause:2"}) // stored at once
        EXPECT_TRUE(home.storeHas("nvx", "Veltrano", chosen)) << chosen;
    // FLTK shows one box at a time: a message asked for while one is open comes after it.
    app->messageSink = nullptr;
    int closed = 0;
    Fl::add_timeout(
        0.1, [](void* app) { static_cast<App*>(app)->showMessage("second"); }, app.get());
    Fl::add_timeout(0.3, closeBoxes, &closed);
    app->showMessage("first");
    Fl::remove_timeout(closeBoxes, &closed);
    EXPECT_EQ(closed, 2);
    app->menuCommand(CmdExit);
    closePlayer({"Continuous:0\nCheckDeleika:1\nAllTracks:0", "FollowTempo:1"});
}

} // namespace
