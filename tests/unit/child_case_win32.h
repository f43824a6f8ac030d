// Runs test cases of this test program in a process of their own, for what
// ends the process: the child's test cases are marked skip and named by a
// pattern.
#pragma once

#include <doctest/doctest.h>

#include <windows.h>

#include <optional>
#include <string>

namespace pelomar::testing {

// The child's exit code, or nothing when it had not ended after a minute (a
// safety net, not a timing: a child that hangs never ends by itself; it is
// then ended here).
inline std::optional<DWORD> runChildCase(const wchar_t* testCasePattern) {
    wchar_t self[MAX_PATH];
    REQUIRE(GetModuleFileNameW(nullptr, self, MAX_PATH) > 0);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --no-intro=true --no-skip=true \"--test-case=" +
                           testCasePattern + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    REQUIRE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
    const DWORD waited = WaitForSingleObject(child.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    if (waited != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 1);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (waited != WAIT_OBJECT_0) return std::nullopt;
    return code;
}

}  // namespace pelomar::testing
