// Test main: runs the whole suite once per SIMD target that this processor supports (AVX-512,
// AVX2, SSE4 and the scalar fallback), so every vector path is compared with the references.
// RUX_TEST_BEST_TARGET_ONLY=1 runs only the best target.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "hwy/targets.h"
#include "toolkit/toolkit.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  hwy::SetSupportedTargetsForTest(0);
  const int64_t supported = hwy::SupportedTargets();
  const char* bestOnly = std::getenv("RUX_TEST_BEST_TARGET_ONLY");
  int failed = 0;
  int pass = 0;
  for (int64_t target : {HWY_AVX3, HWY_AVX2, HWY_SSE4, HWY_SCALAR}) {
    if ((supported & target) == 0) continue;
    std::printf("==== SIMD target %s ====\n", hwy::TargetName(target));
    hwy::SetSupportedTargetsForTest(target);
    ruxtest::setTargetPass(pass++);
    failed |= RUN_ALL_TESTS();
    if (bestOnly != nullptr && bestOnly[0] == '1') break;
  }
  hwy::SetSupportedTargetsForTest(0);
  return failed;
}
