#pragma once

#include <memory>

// Holds the implementation of one platform service. The real implementation is made on first
// use; tests put a fake in its place through Replace (see tests/TestSupport.h).
template <class Interface>
class ServiceSlot {
public:
    using Factory = std::unique_ptr<Interface> (*)();

    explicit ServiceSlot(Factory makeReal) : m_makeReal(makeReal) {}

    Interface& Get() {
        if (!m_current) m_current = m_makeReal();
        return *m_current;
    }

    // Returns the implementation that was in use, so that the caller can put it back.
    std::unique_ptr<Interface> Replace(std::unique_ptr<Interface> replacement) {
        std::unique_ptr<Interface> previous = std::move(m_current);
        m_current = std::move(replacement);
        return previous;
    }

private:
    Factory m_makeReal;
    std::unique_ptr<Interface> m_current;
};
