// The file choosers of the File menu.
#include "App.h"

#include <FL/Fl_Native_File_Chooser.H>

std::vector<std::string> App::askForFiles(const FileQuestion& question) {
    Fl_Native_File_Chooser chooser(question.saving ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                                                   : Fl_Native_File_Chooser::BROWSE_MULTI_FILE);
    chooser.title(question.title);
    chooser.filter(question.filter);
    if (question.saving) {
        chooser.preset_file(question.presetName.c_str());
        chooser.options(Fl_Native_File_Chooser::SAVEAS_CONFIRM |
                        Fl_Native_File_Chooser::NEW_FOLDER);
    }
    std::vector<std::string> names;
    const int shown = chooser.show();
    if (shown < 0 && chooser.errmsg())
        showMessage(chooser.errmsg());
    // A chooser closed by a quit chose nothing.
    if (shown != 0 || quitting)
        return names;
    for (int i = 0; i < chooser.count(); ++i)
        if (const char* name = chooser.filename(i))
            if (*name)
                names.emplace_back(name);
    return names;
}
