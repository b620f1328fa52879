#pragma once

#include <cstdint>

// The program's random numbers: the system's cryptographic source, and when that fails a value
// mixed from the mouse's movements and the time since the system started.
class TRandom {
public:
    // Mixes in where the mouse is now.
    TRandom();

    // Mixes a and b into the state shared by every generator, with the milliseconds since the
    // system started; answers the new state.
    static uint32_t Mix(uint32_t a, uint32_t b);
    // Mixes in the mouse position when it moved at least 3 pixels since the last stir; answers
    // whether it did.
    bool Stir(int x, int y);
    int32_t Next();

private:
    int m_lastX = 0;
    int m_lastY = 0;
};

// The state after mixing a, b and the milliseconds into state: rotate-right-5(byte-reverse(a +
// state + b) + milliseconds), all wrapping around at 32 bits.
uint32_t MixRandomState(uint32_t state, uint32_t a, uint32_t b, uint32_t milliseconds);

extern TRandom Random;
