#include "settings/settings_file_win32.h"

#include <windows.h>

#include <algorithm>


namespace pelomar {
namespace {

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

// Settings files are a few hundred bytes; anything past this is not ours
// to load into memory.
constexpr LONGLONG kLargestReadable = 64LL << 20;

}  // namespace

WindowsSettingsFile::WindowsSettingsFile(std::wstring path)
    : path_(std::move(path)), temporary_(path_ + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp") {}

SettingsText WindowsSettingsFile::readText() {
    File file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) {
        const DWORD error = GetLastError();
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

bool WindowsSettingsFile::exists() { return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WindowsSettingsFile::isReadOnly() {
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

ReplaceableFile::TempResult WindowsSettingsFile::writeTemporary(std::string_view text) {
    bool written = false;
    {
        File file(CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
        if (!file.ok()) return TempResult::CannotCreate;
        written = writeAll(file.get(), text) && FlushFileBuffers(file.get());
    }
    if (written) return TempResult::Written;
    DeleteFileW(temporary_.c_str());
    return TempResult::Failed;
}

bool WindowsSettingsFile::replaceWithTemporary() {
    return MoveFileExW(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void WindowsSettingsFile::removeTemporary() { DeleteFileW(temporary_.c_str()); }

bool WindowsSettingsFile::rewriteInPlace(std::string_view text) {
    File file(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return false;
    return writeAll(file.get(), text) && SetEndOfFile(file.get());
}

}  // namespace pelomar
