#pragma once

#include <deque>
#include <string>
#include <vector>

// Mix-in that lets an FLTK widget take files dropped onto it. The widget derives from its
// FLTK base and from this, starts its own handle with
//     if (handleDnd(event)) return 1;
// and receives the names of each drop through filesDropped.
//
// The names reach filesDropped from the event loop right after the drop's events have
// been handled, never from inside them, so the receiver may open modal message boxes.
class Flt_DragDrop {
public:
    // One drop's names in the order of the drop text; the receiver may read or consume them.
    virtual void filesDropped(std::vector<std::string>& names) = 0;
    virtual ~Flt_DragDrop();

    Flt_DragDrop() = default;
    Flt_DragDrop(const Flt_DragDrop&) = delete;
    Flt_DragDrop& operator=(const Flt_DragDrop&) = delete;

    // Non-zero when the event is used up: drag events while drops are accepted, and the
    // paste that carries a drop.
    int handleDnd(int event);

    // While false, drags are refused, so no drop follows.
    bool acceptDrops = true;

protected:
    // Fills `names` with the pieces of `text` between line feeds, taken as they stand:
    // empty pieces and carriage returns stay. Null or empty text gives no names.
    static void splitLines(const char* text, std::vector<std::string>& names);

private:
    std::vector<std::string> files;               // the drop handed to filesDropped
    std::deque<std::vector<std::string>> waiting; // drops not yet handed over
    bool handingOver = false;

    static void handOver(void* self);
};
