#include "settings/settings_file_win32.h"

#include <windows.h>

#include <algorithm>

namespace pelomar {
namespace {

static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED && kErrorSharingViolation == ERROR_SHARING_VIOLATION);

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

void WindowsSettingsFile::writeText(std::string_view text) { replaceFileText(*this, text); }

void WindowsSettingsFile::removeLeftovers() {
    // Opened as a save opens it, so a temporary file another copy is saving
    // through is never taken.
    HANDLE leftover =
        CreateFileW(temporary_.c_str(), kTemporaryAccess, kTemporarySharing, nullptr, OPEN_EXISTING, 0, nullptr);
    if (leftover == INVALID_HANDLE_VALUE) return;
    held_ = leftover;
    removeTemporary();
}

bool WindowsSettingsFile::exists() { return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WindowsSettingsFile::isReadOnly() {
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

FileError WindowsSettingsFile::holdTemporary() {
    HANDLE temporary = CreateFileW(temporary_.c_str(), kTemporaryAccess, kTemporarySharing, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (temporary == INVALID_HANDLE_VALUE) return GetLastError();
    held_ = temporary;
    return kFileOk;
}

bool WindowsSettingsFile::temporaryPresent() {
    const DWORD attributes = GetFileAttributesW(temporary_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // A file being deleted cannot be asked, but is still there.
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool WindowsSettingsFile::writeTemporary(std::string_view text) {
    return writeAll(held_, text) && FlushFileBuffers(held_);
}

FileError WindowsSettingsFile::replaceWithTemporary() {
    if (!MoveFileExW(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastError();
    CloseHandle(held_);
    held_ = nullptr;
    return kFileOk;
}

void WindowsSettingsFile::removeTemporary() {
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    SetFileInformationByHandle(held_, FileDispositionInfo, &dispose, sizeof dispose);
    CloseHandle(held_);
    held_ = nullptr;
}

FileError WindowsSettingsFile::rewriteInPlace(std::string_view text) {
    // Alone, so that no one reads the file between the write and the cut.
    File file(CreateFileW(path_.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return GetLastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return lastError();
    if (size.QuadPart > kLargestReadable) return ERROR_FILE_TOO_LARGE;
    // One write, then the cut right after it.
    const std::string bytes = inPlaceBytes(text, static_cast<std::uint64_t>(size.QuadPart));
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(text.size());
    if (!writeAll(file.get(), bytes) || !SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(file.get()) || !FlushFileBuffers(file.get()))
        return lastError();
    return kFileOk;
}

void WindowsSettingsFile::pause(int milliseconds) { sleepFor(milliseconds); }

}  // namespace pelomar
