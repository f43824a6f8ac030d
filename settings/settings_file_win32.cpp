#include "settings/settings_file_win32.h"

#include <windows.h>

#include <algorithm>

#include "shell/exe_path.h"
#include "shell/exe_path_win32.h"
#include "shell/user_folders_win32.h"

namespace pelomar {
namespace {

static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED && kErrorSharingViolation == ERROR_SHARING_VIOLATION &&
              kErrorWriteProtect == ERROR_WRITE_PROTECT && kErrorFileExists == ERROR_FILE_EXISTS &&
              kErrorCannotMake == ERROR_CANNOT_MAKE);

// RAII for a file handle.
class File {
public:
    explicit File(HANDLE h) : h_(h) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() {
        if (ok()) CloseHandle(h_);
    }
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

bool writeAll(HANDLE h, std::string_view text) {
    size_t done = 0;
    while (done < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(h, text.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

FileError lastError() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

void sleepFor(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

// Settings files are a few hundred bytes; anything past this is not ours
// to load into memory.
constexpr LONGLONG kLargestReadable = 64LL << 20;

// The temporary file is held against every other writer, but the move that
// puts it in the settings file's place opens it for deleting, and once moved
// the handle is the settings file's until it is closed: other copies of the
// program may read it meanwhile.
constexpr DWORD kTemporaryAccess = GENERIC_WRITE | DELETE;
constexpr DWORD kTemporarySharing = FILE_SHARE_READ | FILE_SHARE_DELETE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

std::wstring finalPath(HANDLE h) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleW(h, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n);
    }
}

// An open file is reached through a link when its final path is not its
// folder's final path and its own name.
bool reachedThroughLink(HANDLE h, const std::wstring& path) {
    if (path.find(L'\\') == std::wstring::npos) return false;
    const std::wstring reached = finalPath(h);
    // With its separator, so that the root of a drive is the root ("C:"
    // alone is the drive's current folder).
    const File folder(CreateFileW((folderOf(path) + L"\\").c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::wstring own = folder.ok() ? finalPath(folder.get()) : std::wstring();
    // A file system that cannot tell gives no sign of a link.
    if (reached.empty() || own.empty()) return false;
    if (own.back() == L'\\') own.pop_back();
    own += path.substr(path.rfind(L'\\'));
    return CompareStringOrdinal(reached.c_str(), static_cast<int>(reached.size()), own.c_str(),
                                static_cast<int>(own.size()), TRUE) != CSTR_EQUAL;
}

bool markDeleted(HANDLE h) {
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    return SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
}

// Deletes the file at path, opened as a save holds its temporary file (so
// that another copy's held file is a sharing violation); kErrorLink, and
// nothing deleted, when the name is a link: what a link leads to is deleted
// by its handle.
FileError deleteUnlessLink(const std::wstring& path) {
    const File file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, kTemporarySharing, nullptr, OPEN_EXISTING,
                                0, nullptr));
    if (!file.ok()) return GetLastError();
    if (reachedThroughLink(file.get(), path)) return kErrorLink;
    return markDeleted(file.get()) ? kFileOk : lastError();
}

}  // namespace

WindowsSettingsFile::WindowsSettingsFile(std::wstring path) : path_(std::move(path)), temporary_(path_ + L".tmp") {}

WindowsSettingsFile::~WindowsSettingsFile() {
    if (held_) CloseHandle(held_);
}

SettingsText WindowsSettingsFile::readText() {
    HANDLE opened = INVALID_HANDLE_VALUE;
    // Shared for deleting too: right after another copy's save has moved its
    // temporary file here, that copy's handle, which may delete, is still open.
    const FileError error = retryWhileLocked(
        [&] {
            opened = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            return opened != INVALID_HANDLE_VALUE ? kFileOk : GetLastError();
        },
        sleepFor);
    File file(opened);
    if (!file.ok()) {
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {missing ? SettingsText::State::Missing : SettingsText::State::Unreadable, {}};
    }
    // A link is not the settings file: a save puts a file of its own in its place.
    if (reachedThroughLink(file.get(), path_)) return {SettingsText::State::Missing, {}};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestReadable)
        return {SettingsText::State::Unreadable, {}};
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
            return {SettingsText::State::Unreadable, {}};
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return {SettingsText::State::Present, std::move(bytes)};
}

SaveResult WindowsSettingsFile::writeText(std::string_view text, SaveMode mode) {
    return replaceFileText(*this, text, mode);
}

void WindowsSettingsFile::removeLeftovers() {
    if (temporaryPresent()) clearTemporary();
}

bool WindowsSettingsFile::refusesWriting() { return writingRefused(*this); }

void WindowsSettingsFile::makeFolder() { CreateDirectoryW(folderOf(path_).c_str(), nullptr); }

bool WindowsSettingsFile::setAside(std::wstring_view suffix) {
    const std::wstring aside = path_ + std::wstring(suffix);
    return MoveFileExW(path_.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool WindowsSettingsFile::exists() { return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WindowsSettingsFile::isReadOnly() {
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

FileError WindowsSettingsFile::makeTemporary() {
    HANDLE temporary = CreateFileW(temporary_.c_str(), kTemporaryAccess, kTemporarySharing, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (temporary == INVALID_HANDLE_VALUE) return GetLastError();
    held_ = temporary;
    return kFileOk;
}

FileError WindowsSettingsFile::clearTemporary() {
    FileError error = deleteUnlessLink(temporary_);
    // Not found where something was: a link that leads nowhere.
    if (error == kErrorLink || error == ERROR_FILE_NOT_FOUND) {
        error = coverTemporaryLink();
        if (error == kFileOk) error = deleteUnlessLink(temporary_);
        if (error == ERROR_FILE_NOT_FOUND) error = kFileOk;
    }
    return error;
}

// A link cannot be deleted by its name alike everywhere (Wine deletes what
// it leads to), but a move over it replaces the link itself: an empty file
// of our own is moved over it, and goes when let go of (where it stays
// under the temporary name, clearTemporary deletes it as a plain file).
FileError WindowsSettingsFile::coverTemporaryLink() {
    const std::wstring cover = temporary_ + L"~";
    const File file(CreateFileW(cover.c_str(), GENERIC_WRITE | DELETE, kTemporarySharing, nullptr, CREATE_NEW,
                                FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file.ok()) return GetLastError();
    return MoveFileExW(cover.c_str(), temporary_.c_str(), MOVEFILE_REPLACE_EXISTING) ? kFileOk : lastError();
}

bool WindowsSettingsFile::temporaryPresent() {
    const DWORD attributes = GetFileAttributesW(temporary_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // A file being deleted cannot be asked, but is still there.
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool WindowsSettingsFile::writeTemporary(std::string_view text, SaveMode mode) {
    return writeAll(held_, text) && (mode == SaveMode::Quick || FlushFileBuffers(held_));
}

FileError WindowsSettingsFile::replaceWithTemporary(SaveMode mode) {
    const DWORD through = mode == SaveMode::Durable ? MOVEFILE_WRITE_THROUGH : 0;
    if (!MoveFileExW(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | through)) return lastError();
    CloseHandle(held_);
    held_ = nullptr;
    return kFileOk;
}

void WindowsSettingsFile::removeTemporary() {
    markDeleted(held_);
    CloseHandle(held_);
    held_ = nullptr;
}

FileError WindowsSettingsFile::rewriteInPlace(std::string_view text, SaveMode mode) {
    // Alone, so that no one reads the file between the write and the cut.
    File file(CreateFileW(path_.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return GetLastError();
    if (reachedThroughLink(file.get(), path_)) return kErrorLink;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return lastError();
    if (size.QuadPart > kLargestReadable) return ERROR_FILE_TOO_LARGE;
    // One write, then the cut right after it.
    const std::string bytes = inPlaceBytes(text, static_cast<std::uint64_t>(size.QuadPart));
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(text.size());
    if (!writeAll(file.get(), bytes) || !SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(file.get()) || (mode == SaveMode::Durable && !FlushFileBuffers(file.get())))
        return lastError();
    return kFileOk;
}

FileError WindowsSettingsFile::openInPlace() {
    const File file(CreateFileW(path_.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return GetLastError();
    return reachedThroughLink(file.get(), path_) ? kErrorLink : kFileOk;
}

void WindowsSettingsFile::pause(int milliseconds) { sleepFor(milliseconds); }

ProgramFile::ProgramFile(std::wstring_view name)
    : paths_(filePaths(splitExePath(currentExePath()).directory, localAppDataFolder(), name)),
      beside_(paths_.besideProgram),
      user_(paths_.userFolder),
      placed_(beside_, paths_.userFolder.empty() ? nullptr : &user_) {}

}  // namespace pelomar
