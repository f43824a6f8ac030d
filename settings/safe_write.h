// Replacing a file's whole text without ever leaving it half written: the
// new text goes into a temporary file beside it, which then takes the old
// file's place in one step. Only where the directory refuses new files is
// the old file rewritten in place. A read-only file is left alone.
//
// The temporary file has one name, so a save that was killed leaves at most
// one, and the next save removes it and makes its own (or, with nothing to
// write, just removes it). A save holds it from its creation
// until it has taken the file's place, so that two copies of the program
// saving at once take turns: the later one waits for the earlier one's
// temporary to be gone, and its text lands last.
//
// Nothing is ever written or moved through a link: the temporary file is
// always made new, never opened where something is already there (a link
// found at its name is removed as a link), and the in-place rewrite does
// not write a file that is reached through one. So a save writes only
// inside the file's own folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pelomar {

// A Windows system error number; 0 for success.
using FileError = unsigned long;
inline constexpr FileError kFileOk = 0;
inline constexpr FileError kErrorAccessDenied = 5;
inline constexpr FileError kErrorWriteProtect = 19;
inline constexpr FileError kErrorSharingViolation = 32;
inline constexpr FileError kErrorFileExists = 80;
inline constexpr FileError kErrorCannotMake = 82;
// ERROR_STOPPED_ON_SYMLINK: the name is a link, which a save does not write
// through.
inline constexpr FileError kErrorLink = 681;

// How far a save goes before it returns. Durable: the text is on the disk
// (flushed, and the move that puts it in place written through) and a file
// held by others is waited for a moment. Quick: the text is handed to the
// system, which writes it out soon, and a held file is not waited for: the
// caller tries again later. For a save that must not hold the window up.
enum class SaveMode { Durable, Quick };

// How a save went. Refused: the folder, or the file in it, may not be
// written (access denied, a write-protected medium, a link in the file's
// place): worth saving elsewhere. Not saved: anything else, a read-only file
// or a file held by others among them; the old file stays as it was.
enum class SaveResult { Saved, NotSaved, Refused };

// A scanner, an indexer, a sync client or another copy of the program holds
// the file for a moment: worth a few more tries, this far apart.
inline constexpr int kLockedTries = 5;
inline constexpr int kLockedPauseMs = 50;
// Another copy's temporary file is busy for the whole of its save, its own
// tries at replacing included; waiting for it takes longer.
inline constexpr int kBusyTemporaryTries = 8;

// Runs attempt until it succeeds, fails with anything but a sharing
// violation or a denied access, or has run `tries` times, pausing
// kLockedPauseMs between runs. Returns the last result.
FileError retryWhileLocked(const std::function<FileError()>& attempt, const std::function<void(int)>& pause,
                           int tries = kLockedTries);

// What an in-place rewrite writes over a file of oldSize bytes, in one
// write, before it cuts the file to the text's length: the text, and when it
// is shorter, blanks up to the old length. Until the cut the file then reads
// as the new text (blanks at the end of a line mean nothing in an INI file)
// instead of the new text followed by the old one's tail. Not padded when
// the text ends in the first byte of a double-byte character, which would
// take the first blank as its second byte.
std::string inPlaceBytes(std::string_view text, std::uint64_t oldSize);

// The text without what a rewrite killed between its write and its cut left
// at the end: the run of blanks there, except a first one that the last
// character before it takes as its second byte (never padding, see above).
std::string_view withoutPadding(std::string_view text);

class ReplaceableFile {
public:
    virtual ~ReplaceableFile() = default;
    virtual bool exists() = 0;
    virtual bool isReadOnly() = 0;
    // Makes the temporary file new and holds it so that no one else can
    // write it; kErrorFileExists, without opening it, when anything is
    // already there under its name.
    virtual FileError makeTemporary() = 0;
    // Removes what is under the temporary file's name, as a save holds it
    // (so another copy's held file is a sharing violation); a link is
    // removed as a link, never what it leads to.
    virtual FileError clearTemporary() = 0;
    // Whether a file of the temporary file's name is there (a directory of
    // that name is not one).
    virtual bool temporaryPresent() = 0;
    // The whole text into the held temporary file, flushed to the disk when
    // the save is durable.
    virtual bool writeTemporary(std::string_view text, SaveMode mode) = 0;
    // The held temporary file takes the file's place (the move written
    // through when the save is durable) and is let go of; after a failure it
    // is still held.
    virtual FileError replaceWithTemporary(SaveMode mode) = 0;
    // The held temporary file is deleted; let go of it.
    virtual void removeTemporary() = 0;
    // Opens the file alone, writes inPlaceBytes over it and cuts it to the
    // text's length, flushed when the save is durable; kErrorLink for a file
    // reached through a link.
    virtual FileError rewriteInPlace(std::string_view text, SaveMode mode) = 0;
    // Opens the file for writing as rewriteInPlace does, shared with
    // everyone, and lets go of it at once: what a rewrite would meet.
    virtual FileError openInPlace() = 0;
    virtual void pause(int milliseconds) = 0;
};

SaveResult replaceFileText(ReplaceableFile& file, std::string_view text, SaveMode mode = SaveMode::Durable);

// Whether replaceFileText would be refused, found by trying without writing:
// the temporary file is made and removed again, and where it cannot be made
// the file is opened as an in-place rewrite would open it.
bool writingRefused(ReplaceableFile& file);

}  // namespace pelomar
