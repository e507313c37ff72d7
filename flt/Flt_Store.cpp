#include "Flt_Store.h"

#include "Flt_FileWrite.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

// Whether `key` has the same value in both.
bool sameValue(Fl_Preferences& kept, Fl_Preferences& copy, const char* key) {
    char *keptValue = nullptr, *copyValue = nullptr;
    kept.get(key, keptValue, "");
    copy.get(key, copyValue, "");
    const bool same = copy.entryExists(key) && std::strcmp(keptValue, copyValue) == 0;
    std::free(keptValue);
    std::free(copyValue);
    return same;
}

// Whether `copy` has the shape of `kept`: as many entries and groups in every group, and the
// last entry of each with the same value. Fl_Preferences writes each group front to back, so
// a copy cut short differs there; comparing every value would search the group for each key.
bool sameShape(Fl_Preferences& kept, Fl_Preferences& copy) {
    const int entries = kept.entries();
    if (entries != copy.entries() || kept.groups() != copy.groups())
        return false;
    if (entries > 0 && !sameValue(kept, copy, kept.entry(entries - 1)))
        return false;
    for (int index = 0; index < kept.groups(); ++index) {
        const char* name = kept.group(index);
        if (!copy.groupExists(name)) // asking for a group that is missing would make it
            return false;
        Fl_Preferences keptGroup(kept, name), copyGroup(copy, name);
        if (!sameShape(keptGroup, copyGroup))
            return false;
    }
    return true;
}

} // namespace

Flt_Store::Flt_Store(const char* vendor, const char* appName)
    : vendor(vendor), appName(appName),
      filePath(homeFolder() + "/.fltk/" + vendor + "/" + appName + ".prefs") {
    openWorkingCopy();
}

void Flt_Store::openWorkingCopy() {
    workFolder = makeWorkFolder();
    workPath = workFolder + "/" + appName + ".prefs";
    if (!workFolder.empty() && !seedWorkingCopy()) {
        ::rmdir(workFolder.c_str());
        workFolder.clear();
    }
    if (workFolder.empty()) // no safe place for a copy: the old in-place writing
        prefs =
            std::make_unique<Fl_Preferences>(Fl_Preferences::USER, vendor.c_str(), appName.c_str());
    else
        prefs =
            std::make_unique<Fl_Preferences>(workFolder.c_str(), vendor.c_str(), appName.c_str());
}

// A store that exists but cannot be read must not be replaced by one holding only the
// keys of this run: the run works on an empty copy and never commits it.
bool Flt_Store::seedWorkingCopy() {
    std::string bytes, reason;
    if (!readWholeFile(filePath, bytes)) {
        const int error = errno;
        if (::access(filePath.c_str(), F_OK) == 0)
            unreadable = error == EINVAL ? "it is not a regular file" : std::strerror(error);
        return true;
    }
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
    if (!unreadable.empty()) {
        failed(unreadable);
        return flushFailed;
    }
    return workFolder.empty() ? flushUnchanged : commit();
}

int Flt_Store::commit() {
    // Fl_Preferences does not check its own writes: a copy cut short by a full disk, or gone
    // with its folder, must not replace the store, nor be passed over without a word.
    Fl_Preferences written(workFolder.c_str(), vendor.c_str(), appName.c_str());
    if (!sameShape(*prefs, written)) {
        failed("its working copy in " + workFolder + " could not be written whole");
        return flushFailed;
    }
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
