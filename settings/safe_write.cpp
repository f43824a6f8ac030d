#include "settings/safe_write.h"

#include "settings/ini_file.h"

namespace pelomar {

FileError retryWhileLocked(const std::function<FileError()>& attempt, const std::function<void(int)>& pause,
                           int tries) {
    FileError error = attempt();
    for (int done = 1; done < tries && (error == kErrorSharingViolation || error == kErrorAccessDenied); ++done) {
        pause(kLockedPauseMs);
        error = attempt();
    }
    return error;
}

std::string inPlaceBytes(std::string_view text, std::uint64_t oldSize) {
    std::string bytes(text);
    if (oldSize > text.size() && !ini::endsInLeadByte(text)) bytes.append(oldSize - text.size(), ' ');
    return bytes;
}

bool replaceFileText(ReplaceableFile& file, std::string_view text) {
    const bool exists = file.exists();
    if (exists && file.isReadOnly()) return false;
    const auto pause = [&](int ms) { file.pause(ms); };
    const auto hold = [&] {
        const FileError error = file.holdTemporary();
        // Denied with no temporary file there: the directory refuses new
        // files. Denied with one there: it is being deleted, or held.
        return error == kErrorAccessDenied && !file.temporaryPresent() ? kErrorCannotMake : error;
    };
    const FileError held = retryWhileLocked(hold, pause, kBusyTemporaryTries);
    if (held == kFileOk) {
        // A failed write is most likely a full disk: rewriting in place could
        // cut the old file.
        if (file.writeTemporary(text) &&
            retryWhileLocked([&] { return file.replaceWithTemporary(); }, pause) == kFileOk)
            return true;
        // The old file stays as it was (locked, denied, or the disk full).
        file.removeTemporary();
        return false;
    }
    // Another copy of the program is saving: its temporary file is no sign
    // of a directory that refuses new files.
    if (held == kErrorSharingViolation) return false;
    return exists && retryWhileLocked([&] { return file.rewriteInPlace(text); }, pause) == kFileOk;
}

}  // namespace pelomar
