#include "MyBrowser.h"

#include "App.h"
#include "MenuLabel.h"
#include "Message.h"

#include <FL/Fl.H>
#include <FL/Fl_Tooltip.H>
#include <FL/fl_draw.H>

#include <algorithm>

// How the list tells what the user should know: hints drawn in its empty space, missing
// and unreadable files in their own colours, and why a file cannot play in the tooltip of
// its line.

namespace {

const char* const DropHint = "Drop MIDI files here, or use File/Open playlist...";
const char* const OutputHint = "Choose where they play under \"Settings/Select MIDI output\"";

constexpr Fl_Color MissingColor = FL_INACTIVE_COLOR;
constexpr Fl_Color UnreadableColor = FL_DARK_RED;
constexpr Fl_Color HintColor = FL_INACTIVE_COLOR;
constexpr int HintSize = 20;
constexpr int HintLineHeights = 2; // each hint may wrap once in a narrow window

std::string reasonFor(const PlaylistEntry& entry) {
    if (entry.missing)
        return formatText("%s is missing; it stays in the playlist and plays once it is back",
                          entry.path.c_str());
    return entry.problem;
}

} // namespace

int MyBrowser::handle(int event) {
    if (handleDnd(event))
        return 1;
    if (event == FL_ENTER || event == FL_MOVE) {
        tipForLineAt(Fl::event_y());
        Fl_Hold_Browser::handle(event);
        return 1; // so that moves keep coming while the mouse is over the list
    }
    return Fl_Hold_Browser::handle(event);
}

void MyBrowser::tipForLineAt(int y) {
    void* item = find_item(y);
    const int line = item ? lineno(item) : 0;
    const std::string reason = line >= 1 && static_cast<size_t>(line) <= entries.size()
                                   ? labelTextFor(reasonFor(entries[line - 1]))
                                   : std::string();
    const char* shown = tooltip();
    if (reason == (shown ? shown : ""))
        return;
    copy_tooltip(reason.empty() ? nullptr : reason.c_str());
    Fl_Tooltip::enter_area(this, x(), this->y(), w(), h(), tooltip());
}

// Lines are drawn by the browser in its text colour and font, which are lent for one line.
void MyBrowser::item_draw(void* item, int X, int Y, int W, int H) const {
    const int line = lineno(item);
    const PlaylistEntry* entry =
        line >= 1 && static_cast<size_t>(line) <= entries.size() ? &entries[line - 1] : nullptr;
    if (!entry || (!entry->missing && entry->problem.empty())) {
        Fl_Hold_Browser::item_draw(item, X, Y, W, H);
        return;
    }
    auto* self = const_cast<MyBrowser*>(this);
    const Fl_Color color = textcolor();
    const Fl_Font font = textfont();
    self->textcolor(entry->missing ? MissingColor : UnreadableColor);
    self->textfont(font | FL_ITALIC);
    Fl_Hold_Browser::item_draw(item, X, Y, W, H);
    self->textcolor(color);
    self->textfont(font);
}

void MyBrowser::draw() {
    Fl_Hold_Browser::draw();
    const std::vector<const char*> lines = hints();
    if (!lines.empty())
        drawHints(lines);
}

std::vector<const char*> MyBrowser::hints() const {
    std::vector<const char*> lines;
    if (size() == 0)
        lines.push_back(DropHint);
    if (!app->output.isOpen()) // what Start would ask for
        lines.push_back(OutputHint);
    return lines;
}

// In the space below the last line, centred; nothing when the lines leave too little.
// The space is painted first, so drawing again never thickens the text.
void MyBrowser::drawHints(const std::vector<const char*>& lines) {
    int X, Y, W, H;
    bbox(X, Y, W, H);
    const int top = Y + (size() == 0 ? 0 : std::max(0, full_height() - position()));
    const int room = Y + H - top;
    fl_font(textfont(), HintSize);
    const int lineHeight = HintLineHeights * fl_height();
    const int needed = static_cast<int>(lines.size()) * lineHeight;
    if (room < needed)
        return;
    fl_push_clip(X, top, W, room);
    fl_color(color());
    fl_rectf(X, top, W, room);
    fl_color(HintColor);
    int at = top + (room - needed) / 2;
    for (const char* line : lines) {
        fl_draw(line, X, at, W, lineHeight, FL_ALIGN_CENTER | FL_ALIGN_WRAP);
        at += lineHeight;
    }
    fl_pop_clip();
}
