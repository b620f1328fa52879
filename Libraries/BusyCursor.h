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

private:
    std::chrono::steady_clock::time_point m_due;
    bool m_shown = false;
};
