#pragma once

#include "Flt_DragDrop.h"

#include <FL/Fl_Hold_Browser.H>

#include <cstdint>
#include <string>
#include <vector>

class App;

// Identity of one entry, kept through every move; 0 names none.
using EntryId = uint64_t;
inline constexpr EntryId NoEntry = 0;

// One file of the playlist: the path as it was added and the name its line shows.
struct PlaylistEntry {
    std::string path;
    std::string name; // after the last "/" or "\", without the last "." and what follows
    EntryId id = NoEntry;
    bool missing = false; // kept from the store while its file is not there
    std::string problem;  // why its file could not be played; empty while it plays
    int transpose = 0;    // semitones it plays shifted by; the name then shows them
};

// The playlist and playback queue: line 1 plays or plays next. Files dropped onto it go to
// the owner's addDroppedFiles. Lines and entries always change together.
class MyBrowser : public Fl_Hold_Browser, public Flt_DragDrop {
public:
    explicit MyBrowser(App* owner);

    int handle(int event) override;
    void draw() override;
    void filesDropped(std::vector<std::string>& files) override;

    EntryId addFile(const std::string& path, int transpose = 0, bool missing = false);
    // 1-based number of the selected line; 0 when none is.
    int selectedLine();
    void moveFirstToEnd();
    // False, changing nothing, without a selected line or with too few entries.
    bool moveSelectedToFirst();
    bool moveSelectedToSecond();
    // Moves the entry `id` to the end, wherever it stands; false when it is gone.
    bool moveToEnd(EntryId id);
    // Removes the selected line unless its file plays; the next line is selected then.
    bool removeSelected();
    // The first entry's path; empty for an empty list.
    std::string firstPath() const;
    EntryId firstId() const;
    std::vector<std::string> paths() const;
    void clearAll();
    // The entry `id`, or null when it is no longer in the list.
    PlaylistEntry* find(EntryId id);
    // The line of `id` shows ">> " before its name while its file plays; NoEntry for none.
    void setPlaying(EntryId id);
    EntryId playingId() const { return playing; }
    // Marks `id` as missing or as unreadable for `problem` (empty: plays again), and
    // redraws its line.
    void setState(EntryId id, bool missing, const std::string& problem);

    App* app;
    std::vector<PlaylistEntry> entries;

protected:
    void item_draw(void* item, int X, int Y, int W, int H) const override;

private:
    void changed(); // tells the owner, which stores the list
    bool moveSelectedTo(int line, size_t fewestEntries);
    void moveLine(int from, int to);
    void showLine(size_t index);
    std::vector<const char*> hints() const;
    void drawHints(const std::vector<const char*>& lines);
    void tipForLineAt(int y);

    EntryId lastId = NoEntry;
    EntryId playing = NoEntry;
};
