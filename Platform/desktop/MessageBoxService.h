#pragma once

#include "Service.h"

#include <string_view>

// The flags and answers of the program's message boxes, in the values the program has always
// used for them.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_TASKMODAL = 0x2000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

enum class BeepSound { Default, Warning };

// Modal message boxes and beeps.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;

    // Shows a modal box and answers the button pressed (IDOK, IDCANCEL, IDYES, IDNO), or 0 when
    // the box could not be shown.
    virtual int Show(std::string_view caption, std::string_view text, unsigned flags) = 0;
    virtual void Beep(BeepSound sound) = 0;

    static ServiceSlot<MessageBoxService>& Slot();
    static MessageBoxService& Instance() { return Slot().Get(); }
};
