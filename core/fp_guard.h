// Sets the floating-point rounding mode for the lifetime of the guard and restores the
// caller's mode on every path out of the scope.
#pragma once

#include <cfenv>

namespace rux {

class FpRoundingGuard {
 public:
  explicit FpRoundingGuard(int mode) : saved_(std::fegetround()) {
    if (mode != saved_) std::fesetround(mode);
  }
  ~FpRoundingGuard() {
    if (std::fegetround() != saved_) std::fesetround(saved_);
  }
  FpRoundingGuard(const FpRoundingGuard&) = delete;
  FpRoundingGuard& operator=(const FpRoundingGuard&) = delete;

 private:
  int saved_;
};

}  // namespace rux
