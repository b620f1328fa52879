#include "PowerStatus.h"
#include "TestSupport.h"

#include <fstream>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A supply's attributes; a null one is a file the driver does not provide.
struct Supply {
    const char* name;
    const char* type;
    const char* online;
    const char* status;
    const char* scope;
};

// Laid out as sysfs does it: the class folder holds symbolic links to the devices' folders.
fs::path MakeSupplies(const fs::path& base, const std::vector<Supply>& supplies) {
    const fs::path root = base / "power_supply";
    fs::create_directories(root);
    for (const Supply& supply : supplies) {
        const fs::path device = base / "devices" / supply.name;
        fs::create_directories(device);
        for (const auto& [file, value] : {std::pair{"type", supply.type},
                                          {"online", supply.online},
                                          {"status", supply.status},
                                          {"scope", supply.scope}})
            if (value != nullptr) std::ofstream(device / file) << value << '\n';
        fs::create_directory_symlink(device, root / supply.name);
    }
    return root;
}

TEST(PowerStatusTest, ChargersThenSystemBatteriesDecideUnlessUPowerAnswered) {
    const Supply mainsOnline{"AC", "Mains", "1", nullptr, nullptr};
    const Supply mainsOffline{"AC", "Mains", "0", nullptr, nullptr};
    const Supply usbOnline{"ucsi-source-psy-1", "USB", "1", nullptr, nullptr};
    const Supply usbPdProgrammable{"pd", "USB_PD", "2", nullptr, nullptr};
    const Supply discharging{"BAT0", "Battery", nullptr, "Discharging", nullptr};
    const Supply systemDischarging{"BAT1", "Battery", nullptr, "Discharging", "System"};
    const Supply charging{"BAT0", "Battery", nullptr, "Charging", nullptr};
    const Supply full{"BAT0", "Battery", nullptr, "Full", nullptr};
    const Supply mouseDischarging{"hidpp_battery_0", "Battery", nullptr, "Discharging", "Device"};
    struct Case {
        const char* name;
        std::vector<Supply> supplies;
        std::optional<bool> upowerOnBattery;
        bool mains;
    };
    const Case cases[] = {
        {"mains online", {mainsOnline, charging}, {}, true},
        {"discharging without a mains entry", {discharging}, {}, false},
        {"unplugged, system battery discharging", {mainsOffline, systemDischarging}, {}, false},
        {"no supplies at all", {}, {}, true},
        {"USB charger beside a discharging battery", {discharging, usbOnline}, {}, true},
        {"programmable USB PD charger", {discharging, usbPdProgrammable}, {}, true},
        {"only a mouse discharging", {mouseDischarging}, {}, true},
        {"full battery without a mains entry", {full}, {}, true},
        {"UPower on battery over an online charger", {mainsOnline}, true, false},
        {"UPower on mains over a discharging battery", {mainsOffline, discharging}, false, true},
    };
    SandBox sandbox;
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = MakeSupplies(sandbox.Root() / std::to_string(row++), c.supplies);
        EXPECT_EQ(IsOnMainsPower(c.upowerOnBattery, root), c.mains);
    }
    EXPECT_TRUE(IsOnMainsPowerBySupplies(sandbox.Root() / "missing"));
}

}  // namespace
