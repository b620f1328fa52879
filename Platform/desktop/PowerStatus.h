#pragma once

#include "Service.h"

#include <filesystem>
#include <optional>

// Whether the computer runs on mains power; on battery the program leaves the wallpaper alone.
class PowerStatus {
public:
    virtual ~PowerStatus() = default;
    virtual bool IsOnMainsPower() = 0;

    static ServiceSlot<PowerStatus>& Slot();
    static PowerStatus& Instance() { return Slot().Get(); }
};

// The kernel's view, from a folder laid out like /sys/class/power_supply: a charger that is
// online means mains; otherwise a discharging battery of the system means battery. Anything the
// supplies leave unclear (no supplies at all, only the batteries of a mouse or keyboard) counts as
// mains, so that a desktop computer is never taken for one on battery.
bool IsOnMainsPowerBySupplies(const std::filesystem::path& root);

// UPower's OnBattery where UPower answered, so that the program agrees with the desktop's own
// battery indicator; the supplies under that folder otherwise.
bool IsOnMainsPower(std::optional<bool> upowerOnBattery, const std::filesystem::path& supplies);
