// The game's own random generator.
//
// The classic 15-bit linear congruential rule of the platform runtime: the
// state starts at 1 and is never reseeded, so every run draws the same
// sequence. The shuffle and the celebration share the one instance of a run,
// which the application owns.
// We never call the C library's rand(): other libraries may draw from it.
#pragma once

#include <cstdint>

#include "HostServices.h"

class CRuntimeRandom : public IRandom {
public:
    int Rand() override {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t m_state = 1;
};
