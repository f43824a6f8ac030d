// Reading a group aloud: each member of a group caption is framed on the
// chart and played, one start a second, while the user-interface thread keeps
// dispatching its messages between members. Anything the user does meanwhile
// is handled from inside the wait, and a flag lets a later action end the
// reading: there is no thread of its own and no timer.
#pragma once

#include <string_view>
#include <vector>

#include "chart/symbol_chart.h"
#include "media/sound_actions.h"
#include "ui/highlight.h"

namespace pelomar {

// What a reading needs of the user-interface thread while it waits.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Dispatches every message already queued and returns when the queue is
    // empty; a quit request is left queued for the main loop.
    virtual void processPendingEvents() = 0;
    virtual bool mainWindowExists() = 0;
};

inline constexpr int kWaitStepMs = 10;
inline constexpr int kMemberWaitMs = 1000;

// The symbol numbers of a member list ("29 30 31"), split at single blanks.
// A piece that is not a symbol number 1..48 is dropped.
std::vector<int> memberSymbols(std::string_view members);

class GroupReader {
public:
    // canvas and sleeper draw the frames; the reading keeps references to all.
    GroupReader(const SymbolChart& chart, ChartCanvas& canvas, Sleeper& sleeper, SoundActions& sound,
                EventPump& pump);

    // Reads the listed symbols: for each, the press animation and then the
    // plain frame on its cell, its sound (the previous one is not stopped) and
    // a responsive wait of a second. Ends early when stopReading is set or the
    // main window is gone after a wait; the last frame stays on the chart.
    void readGroup(std::string_view members);

    // Steps of 10 ms, each dispatching pending events and then sleeping (a
    // plain sleep); the count of steps, not the clock, measures the wait. What arrived during
    // the last sleep is dispatched before the wait returns, so that the check
    // after it sees an action taken then, and the user-interface thread is
    // not also held through the next member's press animation.
    void responsiveWait(int ms);

    // 1 asks every reading in progress to end at its next check. A reading
    // clears it when it starts and sets it when it ends; the chart sets it
    // before every sound or reading it starts.
    int stopReading = 0;

private:
    const SymbolChart& chart_;
    ChartCanvas& canvas_;
    Sleeper& sleeper_;
    SoundActions& sound_;
    EventPump& pump_;
};

}  // namespace pelomar
