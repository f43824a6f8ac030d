#include "media/worker_threads_win32.h"

#include <windows.h>

#include <memory>

namespace pelomar {
namespace {

DWORD WINAPI runWork(LPVOID parameter) {
    const std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    (*work)();
    return 0;
}

}  // namespace

bool Win32WorkerThreads::start(std::function<void()> work) {
    auto owned = std::make_unique<std::function<void()>>(std::move(work));
    const HANDLE thread = CreateThread(nullptr, 0, &runWork, owned.get(), 0, nullptr);
    if (!thread) return false;
    owned.release();  // the thread owns it now
    CloseHandle(thread);
    return true;
}

}  // namespace pelomar
