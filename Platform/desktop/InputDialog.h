#pragma once

#include "Service.h"

#include <optional>
#include <string>

// The desktop's modal one-line input box.
class InputDialog {
public:
    virtual ~InputDialog() = default;

    // The text the user confirmed; nothing when the box was cancelled.
    virtual std::optional<std::string> Ask(const std::string& caption, const std::string& prompt,
                                           const std::string& text) = 0;

    static ServiceSlot<InputDialog>& Slot();
    static InputDialog& Instance() { return Slot().Get(); }
};
