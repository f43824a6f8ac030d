// COM on the calling thread for as long as the object lives. The shell
// (ShellExecute) wants a single-threaded apartment with OLE1 DDE off on the
// thread that calls it; the picture decoder works in either kind. Only an
// initialisation that succeeded is undone: a thread that had already joined
// the other kind of apartment keeps it, and a failed one is left alone.
#pragma once

namespace pelomar {

class ComApartment {
public:
    enum class Kind { SingleThreaded, MultiThreaded };

    explicit ComApartment(Kind kind);
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // COM can be used on this thread: in our apartment, or in one the
    // thread had joined before.
    bool usable() const { return usable_; }

private:
    bool usable_ = false;
    bool undo_ = false;
};

}  // namespace pelomar
