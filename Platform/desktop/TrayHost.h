#pragma once

#include "Service.h"

// The desktop's notification area, where the program's icon lives.
class TrayHost {
public:
    virtual ~TrayHost() = default;
    // True when a tray is there to take an icon now.
    virtual bool IsPresent() = 0;

    static ServiceSlot<TrayHost>& Slot();
    static TrayHost& Instance() { return Slot().Get(); }
};
