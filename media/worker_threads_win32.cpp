#include "media/worker_threads_win32.h"

namespace pelomar {

Win32WorkerThreads::~Win32WorkerThreads() {
    pool_.quit();
    if (starter_) {
        WaitForSingleObject(starter_, INFINITE);
        CloseHandle(starter_);
    }
    // The workers touch this object until they end.
    pool_.waitForWorkers();
}

DWORD WINAPI Win32WorkerThreads::runStarter(LPVOID self) {
    static_cast<Win32WorkerThreads*>(self)->pool_.starterLoop();
    return 0;
}

DWORD WINAPI Win32WorkerThreads::runWorker(LPVOID self) {
    static_cast<Win32WorkerThreads*>(self)->pool_.workerLoop();
    return 0;
}

bool Win32WorkerThreads::startStarter() {
    starter_ = CreateThread(nullptr, 0, &runStarter, this, 0, nullptr);
    return starter_ != nullptr;
}

bool Win32WorkerThreads::startWorker() {
    const HANDLE thread = CreateThread(nullptr, 0, &runWorker, this, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

}  // namespace pelomar
