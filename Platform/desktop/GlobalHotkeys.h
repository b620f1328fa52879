#pragma once

#include "Service.h"

#include <QObject>
#include <memory>

// Keys that reach the program from anywhere on the desktop, also while its window is hidden.
// On X11 they are key grabs on the root window; on Wayland the desktop's GlobalShortcuts portal
// offers them (the desktop may ask the user first, and the user may pick other keys); elsewhere
// (no display) there are none.
class GlobalHotkeys : public QObject {
    Q_OBJECT

public:
    // Modifier bits as the program has always named them.
    static constexpr unsigned MOD_ALT = 0x1, MOD_CONTROL = 0x2, MOD_SHIFT = 0x4;

    // Registers id for the letter ('A'..'Z') with the modifiers; a combination another program
    // holds is silently unavailable. An earlier registration of the same id stays.
    virtual void Register(int id, unsigned modifiers, char letter) = 0;
    // Releases every key registered.
    virtual void UnregisterAll() = 0;
    // Whether keys registered here can arrive at all (an X11 display, or the desktop's portal).
    virtual bool IsAvailable() const = 0;

signals:
    void Activated(int id);

public:
    static ServiceSlot<GlobalHotkeys>& Slot();
    static GlobalHotkeys& Instance() { return Slot().Get(); }

private:
    // Each lives in its own file beside the X11 or portal code it needs. MakeForX11 gives nothing
    // when the application has no X11 connection.
    static std::unique_ptr<GlobalHotkeys> MakeForX11();
    static std::unique_ptr<GlobalHotkeys> MakeForPortal();
};
