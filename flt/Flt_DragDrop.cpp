#include "Flt_DragDrop.h"

#include "Flt_UriList.h"

#include <FL/Fl.H>

Flt_DragDrop::~Flt_DragDrop() {
    Fl::remove_timeout(handOver, this);
}

int Flt_DragDrop::handleDnd(int event) {
    switch (event) {
    case FL_DND_ENTER:
    case FL_DND_DRAG:
    case FL_DND_RELEASE:
        return acceptDrops ? 1 : 0;
    case FL_PASTE: {
        // X11 programs drop files as a text/uri-list; other text is split as it stands.
        std::vector<std::string> names;
        if (!readUriList(Fl::event_text(), names))
            splitLines(Fl::event_text(), names);
        waiting.push_back(std::move(names));
        if (!Fl::has_timeout(handOver, this))
            Fl::add_timeout(0.0, handOver, this);
        return 1;
    }
    default:
        return 0;
    }
}

void Flt_DragDrop::splitLines(const char* text, std::vector<std::string>& names) {
    names.clear();
    if (!text || !*text)
        return;
    const char* pieceStart = text;
    for (const char* at = text;; ++at) {
        if (*at == '\n' || *at == '\0') {
            names.emplace_back(pieceStart, at);
            if (*at == '\0')
                return;
            pieceStart = at + 1;
        }
    }
}

void Flt_DragDrop::handOver(void* self) {
    auto* target = static_cast<Flt_DragDrop*>(self);
    // A message box opened by the receiver runs the event loop, and a drop arriving then
    // waits here until the receiver is done with the one before.
    if (target->handingOver)
        return;
    target->handingOver = true;
    while (!target->waiting.empty()) {
        target->files = std::move(target->waiting.front());
        target->waiting.pop_front();
        target->filesDropped(target->files);
    }
    target->handingOver = false;
}
