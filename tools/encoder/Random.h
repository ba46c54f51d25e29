// Repeatable random numbers for the impairments: xoshiro256** seeded through
// splitmix64, so that a seed (and a stream number, one per use) always gives
// the same numbers on every platform.
#pragma once

#include <array>
#include <cstdint>

class CRandom {
public:
    CRandom(uint64_t nSeed, uint64_t nStream);

    uint64_t NextBits();
    double NextUnit();      // uniform in [0, 1)
    double NextGaussian();  // mean 0, standard deviation 1

private:
    std::array<uint64_t, 4> m_state{};
    double m_dSpare = 0;
    bool m_bSpare = false;
};
