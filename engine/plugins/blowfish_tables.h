#pragma once
// The cipher's published starting tables, before any key is mixed in.
#include <array>
#include <cstddef>
#include <cstdint>

namespace engine::blowfish {

constexpr size_t kRounds = 16;
constexpr size_t kRoundKeys = kRounds + 2;

extern const std::array<uint32_t, kRoundKeys> kInitialP;
extern const std::array<std::array<uint32_t, 256>, 4> kInitialS;

}  // namespace engine::blowfish
