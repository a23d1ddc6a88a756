#pragma once
// The program's three integer rules: Round goes to the nearest integer with exact
// halves to the even neighbour (so 11812.5 gives 11812), Trunc drops the fraction,
// Div truncates toward zero. Every size conversion in the program goes through these.
#include <cmath>
#include <cstdint>

namespace platform {

inline int64_t Round(double value) {
  // nearbyint honours the current rounding mode, which is round-half-even by default;
  // std::round would send halves away from zero.
  return static_cast<int64_t>(std::nearbyint(value));
}

inline int64_t Trunc(double value) {
  return static_cast<int64_t>(std::trunc(value));
}

inline int Div(int a, int b) {
  return a / b;
}  // C++ integer division already truncates

}  // namespace platform
