#include "Flt_Store.h"

#include "Flt_FileWrite.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "/tmp";
}

// Private to the user (mkdtemp makes it 0700), and on a RAM disk where there is one.
std::string makeWorkFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    for (const char* base : {runtime, "/tmp"}) {
        if (!base || !*base)
            continue;
        std::string folder = std::string(base) + "/flt-store-XXXXXX";
        if (::mkdtemp(folder.data()))
            return folder;
    }
    return std::string();
}

} // namespace

Flt_Store::Flt_Store(const char* vendor, const char* appName)
    : filePath(homeFolder() + "/.fltk/" + vendor + "/" + appName + ".prefs") {
    openWorkingCopy(vendor, appName);
}

void Flt_Store::openWorkingCopy(const char* vendor, const char* appName) {
    workFolder = makeWorkFolder();
    workPath = workFolder + "/" + appName + ".prefs";
    if (!workFolder.empty() && !seedWorkingCopy()) {
        ::rmdir(workFolder.c_str());
        workFolder.clear();
    }
    if (workFolder.empty()) // no safe place for a copy: the old in-place writing
        prefs = std::make_unique<Fl_Preferences>(Fl_Preferences::USER, vendor, appName);
    else
        prefs = std::make_unique<Fl_Preferences>(workFolder.c_str(), vendor, appName);
}

// A store that exists but cannot be read must not be replaced by one holding only the
// keys of this run.
bool Flt_Store::seedWorkingCopy() {
    std::string bytes, reason;
    if (!readWholeFile(filePath, bytes))
        return ::access(filePath.c_str(), F_OK) != 0;
    if (writeFileAtomically(workPath, bytes, reason) == fileWriteOk)
        return true;
    ::unlink(workPath.c_str());
    return false;
}

Flt_Store::~Flt_Store() {
    flush();
    prefs.reset();
    if (workFolder.empty())
        return;
    ::unlink(workPath.c_str());
    ::rmdir(workFolder.c_str());
}

int Flt_Store::flush() {
    prefs->flush();
    return workFolder.empty() ? flushUnchanged : commit();
}

int Flt_Store::commit() {
    std::string wanted, onDisk, reason;
    if (!readWholeFile(workPath, wanted)) // never written: nothing was ever set
        return flushUnchanged;
    if (readWholeFile(filePath, onDisk) && onDisk == wanted)
        return flushUnchanged;
    const std::string folder = filePath.substr(0, filePath.rfind('/'));
    if (!makeFolders(folder, reason) ||
        writeFileAtomically(filePath, wanted, reason) != fileWriteOk) {
        failed(reason);
        return flushFailed;
    }
    return flushWritten;
}

void Flt_Store::failed(const std::string& reason) {
    if (told)
        return;
    told = true;
    if (onFailure)
        onFailure(filePath, reason);
}
