#pragma once

#include "Service.h"

#include <optional>
#include <string>

// The desktop's modal file and folder dialogs. Each answers nothing when the user cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    virtual std::optional<std::string> ChooseDirectory(const std::string& start,
                                                       const std::string& caption) = 0;
    // filter: a description, "|" and ";"-separated masks, as in "Picture files|*.jpg;*.png". An
    // empty caption leaves the desktop's own title.
    virtual std::optional<std::string> ChooseFileToOpen(const std::string& initialFile,
                                                        const std::string& filter,
                                                        const std::string& caption) = 0;
    // Asks nothing before a file is replaced.
    virtual std::optional<std::string> ChooseFileToSave(const std::string& initialFile,
                                                        const std::string& filter) = 0;

    static ServiceSlot<FileDialogs>& Slot();
    static FileDialogs& Instance() { return Slot().Get(); }
};
