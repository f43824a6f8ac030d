// The sound workers' threads, made with CreateThread. The handle is closed at
// once: nobody waits on the thread, which ends when its work returns.
// (std::thread::detach is not used: with the MinGW-w64 winpthreads we build
// with, detaching a thread that is already ending can corrupt the heap.)
#pragma once

#include "media/sound_player.h"

namespace pelomar {

class Win32WorkerThreads final : public WorkerThreads {
public:
    bool start(std::function<void()> work) override;
};

}  // namespace pelomar
