#include "Myrandom.h"

#include "Pointer.h"
#include "RandomSource.h"

#include <bit>
#include <cstdlib>

namespace {

uint32_t RandomState = 0;

}  // namespace

TRandom Random;

uint32_t MixRandomState(uint32_t state, uint32_t a, uint32_t b, uint32_t milliseconds) {
    const uint32_t sum = a + state + b;
    const uint32_t reversed =
        (sum >> 24) | ((sum >> 8) & 0xFF00u) | ((sum << 8) & 0xFF0000u) | (sum << 24);
    return std::rotr(reversed + milliseconds, 5);
}

TRandom::TRandom() {
    // Made before the application: the pointer is known only once there is one.
    if (const auto position = CursorPosition()) {
        m_lastX = position->x();
        m_lastY = position->y();
    }
    Mix(static_cast<uint32_t>(m_lastX), static_cast<uint32_t>(m_lastY));
}

uint32_t TRandom::Mix(uint32_t a, uint32_t b) {
    RandomState = MixRandomState(RandomState, a, b, MillisecondsSinceStart());
    return RandomState;
}

bool TRandom::Stir(int x, int y) {
    if (std::abs(x - m_lastX) < 3 && std::abs(y - m_lastY) < 3) return false;
    m_lastX = x;
    m_lastY = y;
    Mix(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    return true;
}

int32_t TRandom::Next() {
    uint32_t value = Mix(0, 0);
    RandomSource::Instance().Fill(&value, sizeof value);
    return static_cast<int32_t>(value);
}
