// COM on the calling thread for as long as the object lives: the
// single-threaded apartment with OLE1 DDE off that the shell (ShellExecute)
// wants on the thread that calls it. Only an initialisation that succeeded
// is undone: a thread that had already joined the multithreaded apartment
// keeps it, and a failed one is left alone.
#pragma once

namespace pelomar {

class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // COM can be used on this thread: in our apartment, or in one the
    // thread had joined before. Only the tests ask.
    bool usable() const { return usable_; }

private:
    bool usable_ = false;
    bool undo_ = false;
};

}  // namespace pelomar
