#pragma once

#include <chrono>

// Work on the program's one thread keeps the event loop waiting. Once it has gone on for longer
// than delay, the pointer over the program's windows turns into the busy cursor, until the object
// goes. Long work calls Poll often; it costs a look at the clock.
class TBusyCursorAfter {
public:
    explicit TBusyCursorAfter(std::chrono::milliseconds delay);
    ~TBusyCursorAfter();
    TBusyCursorAfter(const TBusyCursorAfter&) = delete;
    TBusyCursorAfter& operator=(const TBusyCursorAfter&) = delete;

    void Poll();
    // As Poll; once the busy cursor shows, the windows also repaint every 100 ms, and timers and
    // requests from other programs are served while user input waits. Only for work that stays
    // sound when those run in between.
    void PollServingEvents();

private:
    std::chrono::steady_clock::time_point m_due;
    std::chrono::steady_clock::time_point m_lastServed;
    bool m_shown = false;
};
