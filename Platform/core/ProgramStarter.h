#pragma once

#include "Service.h"

#include <string>
#include <vector>

// Starts other programs apart from ours: they live on when we end.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // 0 when the program started, else an errno code.
    virtual int Start(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& directory) = 0;

    static ServiceSlot<ProgramStarter>& Slot();
    static ProgramStarter& Instance() { return Slot().Get(); }
};
