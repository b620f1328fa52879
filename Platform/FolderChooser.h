#pragma once

#include "Service.h"

#include <optional>
#include <string>

// The desktop's modal folder browser.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // The chosen folder, or nothing when the user cancelled.
    virtual std::optional<std::string> Choose(const std::string& start,
                                              const std::string& caption) = 0;

    static ServiceSlot<FolderChooser>& Slot();
    static FolderChooser& Instance() { return Slot().Get(); }
};
