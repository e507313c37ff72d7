#pragma once

#include "Flt_DragDrop.h"

#include <FL/Fl_Hold_Browser.H>

#include <string>
#include <vector>

class App;

// One file of the playlist: the path as it was added and the name its line shows.
struct PlaylistEntry {
    std::string path;
    std::string name;  // after the last "/" or "\", without the last "." and what follows
    int transpose = 0; // semitones it plays shifted by; the name then shows them
};

// The playlist and playback queue: line 1 plays or plays next. Files dropped onto it go to
// the owner's addFiles. Lines and entries always change together.
class MyBrowser : public Fl_Hold_Browser, public Flt_DragDrop {
public:
    explicit MyBrowser(App* owner);

    int handle(int event) override;
    void filesDropped(std::vector<std::string>& files) override;

    void addFile(const std::string& path, int transpose = 0);
    // 1-based number of the selected line; 0 when none is.
    int selectedLine();
    void moveFirstToEnd();
    // False, changing nothing, without a selected line or with too few entries.
    bool moveSelectedToFirst();
    bool moveSelectedToSecond();
    // The first entry's path; empty for an empty list.
    std::string firstPath() const;
    std::vector<std::string> paths() const;
    void clearAll();
    // Line 1 shows ">> " before its name while its file plays.
    void markFirst(bool playing);

    App* app;
    std::vector<PlaylistEntry> entries;

private:
    bool moveSelectedTo(int line, size_t fewestEntries);
};
