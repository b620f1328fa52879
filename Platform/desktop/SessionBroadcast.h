#pragma once

#include "Service.h"

#include <cstdint>
#include <string>

// Tells the other programs of the session that the wallpaper picture changed: the signal
// BroadcastWallpaperChange(path) of org.tapestrel.Tapestrel at /org/tapestrel/Tapestrel on the
// session bus and, on X11, a client message of a registered name (format 32, data zero) to the
// top-level windows that ask for it by listing its atom in WM_PROTOCOLS (other programs would
// only log a message they do not know). Nobody answers, and a failure goes unnoticed.
class SessionBroadcast {
public:
    virtual ~SessionBroadcast() = default;

    // The id every program of the display gets for the name (an X11 atom); 0 without X11.
    virtual uint32_t RegisterMessage(const std::string& name) = 0;
    // message: an id from RegisterMessage.
    virtual void Post(uint32_t message, const std::string& path) = 0;

    static ServiceSlot<SessionBroadcast>& Slot();
    static SessionBroadcast& Instance() { return Slot().Get(); }
};
