// COM on a thread, joined and left by a ComApartment.
#include <doctest/doctest.h>

#include <windows.h>

#include <objbase.h>

#include "shell/com_apartment_win32.h"

using namespace pelomar;

namespace {

// Each COM case runs on a thread of its own, whose COM state nothing else
// touched; the thread's exit code counts the failed checks.
DWORD WINAPI leavesItsApartment(void*) {
    DWORD failures = 0;
    {
        const ComApartment com;
        failures += !com.usable();
        failures += CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) != S_FALSE;  // inside it
        CoUninitialize();
    }
    // Left once the object goes: joining again is a first join.
    failures += CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) != S_OK;
    CoUninitialize();
    return failures;
}

DWORD WINAPI keepsAnEarlierApartment(void*) {
    DWORD failures = CoInitializeEx(nullptr, COINIT_MULTITHREADED) != S_OK;
    {
        const ComApartment com;
        failures += !com.usable();
    }
    failures += CoInitializeEx(nullptr, COINIT_MULTITHREADED) != S_FALSE;  // still joined
    CoUninitialize();
    CoUninitialize();
    return failures;
}

DWORD failuresOn(LPTHREAD_START_ROUTINE body) {
    HANDLE thread = CreateThread(nullptr, 0, body, nullptr, 0, nullptr);
    if (!thread) return 1;
    WaitForSingleObject(thread, INFINITE);
    DWORD failures = 1;
    GetExitCodeThread(thread, &failures);
    CloseHandle(thread);
    return failures;
}

}  // namespace

TEST_CASE("COM on a thread: joined for the object's life, and only what succeeded is undone") {
    CHECK(failuresOn(&leavesItsApartment) == 0);
    // A thread already in the multithreaded apartment stays there: nothing is undone.
    CHECK(failuresOn(&keepsAnEarlierApartment) == 0);
}
