#include "settings/safe_write.h"

#include "settings/ini_file.h"

namespace pelomar {
namespace {

bool isRefusal(FileError error) {
    return error == kErrorAccessDenied || error == kErrorWriteProtect || error == kErrorCannotMake ||
           error == kErrorLink;
}

// One try at holding a new temporary file.
FileError holdTemporary(ReplaceableFile& file) {
    FileError error = file.makeTemporary();
    if (error == kErrorFileExists) {
        // A killed save's leftover, another copy's file or a link: cleared,
        // and the temporary file made anew.
        error = file.clearTemporary();
        if (error == kFileOk) error = file.makeTemporary();
        // Made by another copy in between: its turn first.
        if (error == kErrorFileExists) error = kErrorSharingViolation;
    }
    // Denied with no temporary file there: the directory refuses new files.
    // Denied with one there: it is being deleted, or held.
    return error == kErrorAccessDenied && !file.temporaryPresent() ? kErrorCannotMake : error;
}

}  // namespace

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

std::string_view withoutPadding(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    if (end < text.size() && ini::endsInLeadByte(text.substr(0, end))) ++end;
    return text.substr(0, end);
}

SaveResult replaceFileText(ReplaceableFile& file, std::string_view text, SaveMode mode) {
    const bool exists = file.exists();
    if (exists && file.isReadOnly()) return SaveResult::NotSaved;
    const auto pause = [&](int ms) { file.pause(ms); };
    const bool waits = mode == SaveMode::Durable;
    const FileError held =
        retryWhileLocked([&] { return holdTemporary(file); }, pause, waits ? kBusyTemporaryTries : 1);
    if (held == kFileOk) {
        // A failed write is most likely a full disk: rewriting in place could
        // cut the old file.
        if (file.writeTemporary(text, mode) &&
            retryWhileLocked([&] { return file.replaceWithTemporary(mode); }, pause, waits ? kLockedTries : 1) ==
                kFileOk)
            return SaveResult::Saved;
        // The old file stays as it was (locked, denied, or the disk full).
        file.removeTemporary();
        return SaveResult::NotSaved;
    }
    // Another copy of the program is saving: its temporary file is no sign
    // of a directory that refuses new files.
    if (held == kErrorSharingViolation) return SaveResult::NotSaved;
    if (!exists) return isRefusal(held) ? SaveResult::Refused : SaveResult::NotSaved;
    const FileError rewritten =
        retryWhileLocked([&] { return file.rewriteInPlace(text, mode); }, pause, waits ? kLockedTries : 1);
    if (rewritten == kFileOk) return SaveResult::Saved;
    return isRefusal(rewritten) ? SaveResult::Refused : SaveResult::NotSaved;
}

bool writingRefused(ReplaceableFile& file) {
    const bool exists = file.exists();
    // Locked on purpose: read where it is, and left alone.
    if (exists && file.isReadOnly()) return false;
    const auto pause = [&](int ms) { file.pause(ms); };
    const FileError held = retryWhileLocked([&] { return holdTemporary(file); }, pause, kBusyTemporaryTries);
    if (held == kFileOk) {
        file.removeTemporary();
        return false;
    }
    if (held == kErrorSharingViolation) return false;
    if (!exists) return isRefusal(held);
    return isRefusal(retryWhileLocked([&] { return file.openInPlace(); }, pause));
}

}  // namespace pelomar
