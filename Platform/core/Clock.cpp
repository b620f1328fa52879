#include "Clock.h"

namespace {

class SystemClock final : public Clock {
public:
    QDateTime Now() override { return QDateTime::currentDateTime(); }
};

}  // namespace

ServiceSlot<Clock>& Clock::Slot() {
    static ServiceSlot<Clock> slot(
        [] { return std::unique_ptr<Clock>(std::make_unique<SystemClock>()); });
    return slot;
}
