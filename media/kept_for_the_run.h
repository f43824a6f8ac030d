// Objects that a device may still touch after their owner is done with them
// (blocks it never gave back, a stream it would not close): kept, never
// freed, until the process ends. Kept reachable from here, so that a leak
// checker does not report them.
#pragma once

#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace pelomar {

template <class T>
void keepForTheRun(std::unique_ptr<T> object) {
    static std::mutex* const mutex = new std::mutex;
    static auto* const kept = new std::vector<std::unique_ptr<T>>;
    std::lock_guard lock(*mutex);
    try {
        kept->push_back(std::move(object));
    } catch (const std::bad_alloc&) {
        (void)object.release();  // no room to note it: never freed all the same
    }
}

}  // namespace pelomar
