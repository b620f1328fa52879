#pragma once

#include "Service.h"

#include <QDateTime>

// The local wall clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() = 0;

    static ServiceSlot<Clock>& Slot();
    static Clock& Instance() { return Slot().Get(); }
};
