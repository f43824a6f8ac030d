// The sound actions the chart starts: stop every sound, play a symbol's.
#pragma once

namespace pelomar {

class SoundActions {
public:
    virtual ~SoundActions() = default;
    // Asks every sound to break off, and returns without waiting.
    virtual void stopAllSounds() = 0;
    // Starts symbol n's sound and returns at once; earlier sounds play on.
    // The callers ignore the result: false when nothing could be started.
    virtual bool playSymbol(int n) = 0;
};

}  // namespace pelomar
