// Core services, version record, image allocation and scratch wrappers.
#include <cfenv>
#include <climits>
#include <cstdint>
#include <cstring>

#include "core/fp_guard.h"
#include "core/scratch.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::FailAllocationsAfter;

TEST(CoreServices, MallocIsAlignedAndRejectsEmptyRequests) {
  for (int size : {1, 3, 64, 1000, 1 << 20}) {
    void* p = ruxMalloc(size);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 64, 0u) << size;
    std::memset(p, 0xab, static_cast<std::size_t>(size));  // usable to the last byte
    ruxFree(p);
  }
  EXPECT_EQ(ruxMalloc(0), nullptr);
  EXPECT_EQ(ruxMalloc(-5), nullptr);
  ruxFree(nullptr);
}

TEST(CoreServices, FailAfterCountsSuccessfulCallsThenFailsUntilReset) {
  void* kept[2];
  {
    FailAllocationsAfter fail(2);
    EXPECT_EQ(ruxMalloc(0), nullptr);  // an empty request is not counted
    kept[0] = ruxMalloc(16);
    kept[1] = ruxMalloc(16);
    EXPECT_NE(kept[0], nullptr);
    EXPECT_NE(kept[1], nullptr);
    EXPECT_EQ(ruxMalloc(16), nullptr);
    EXPECT_EQ(ruxMalloc(16), nullptr);
  }
  void* p = ruxMalloc(16);
  EXPECT_NE(p, nullptr);
  ruxFree(p);
  ruxFree(kept[0]);
  ruxFree(kept[1]);
}

TEST(CoreServices, ThreadCountSetterAndGetter) {
  int saved = 0;
  ASSERT_EQ(ruxGetNumThreads(&saved), ruxStatusOk);
  EXPECT_GE(saved, 1);
  EXPECT_EQ(ruxGetNumThreads(nullptr), ruxStatusNullPointer);
  EXPECT_EQ(ruxSetNumThreads(0), ruxStatusBadArg);
  EXPECT_EQ(ruxSetNumThreads(-3), ruxStatusBadArg);
  EXPECT_EQ(ownGetNumThreads(), saved);  // a rejected value changes nothing
  ASSERT_EQ(ruxSetNumThreads(5), ruxStatusOk);
  EXPECT_EQ(ownGetNumThreads(), 5);
  ruxSetNumThreads(saved);
}

TEST(CoreServices, CacheSizeIsPositiveWhenKnown) {
  int size = -1;
  EXPECT_EQ(ruxGetMaxCacheSizeB(nullptr), ruxStatusNullPointer);
  if (ruxGetMaxCacheSizeB(&size) == ruxStatusOk) {
    EXPECT_GT(size, 0);
  }
}

TEST(Version, RecordIsConstantAndComplete) {
  const RuxVersionInfo* v = ruxiGetLibVersion();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v, ruxiGetLibVersion());
  EXPECT_EQ(v->major, 7);
  EXPECT_EQ(v->minor, 1);
  EXPECT_EQ(v->update, 1);
  EXPECT_EQ(v->build, 37466);
  EXPECT_EQ(std::memcmp(v->target, "z4\0\0", 4), 0);
  EXPECT_STREQ(v->libraryName, "ruxIP SSE3 (z4)");
  EXPECT_STREQ(v->versionText, "7.1.1 (r37466)");
  EXPECT_STREQ(v->date, "Sep 24 2012");
}

TEST(ImageAlloc, StepIsTheRowRoundedUpTo64Bytes) {
  struct Case {
    Rux8u* (*alloc)(int, int, int*);
    int width;
    int step;
  };
  auto f32c3 = [](int w, int h, int* s) { return reinterpret_cast<Rux8u*>(ruxiMalloc_32f_C3(w, h, s)); };
  auto fc4 = [](int w, int h, int* s) { return reinterpret_cast<Rux8u*>(ruxiMalloc_32fc_C4(w, h, s)); };
  auto s16c2 = [](int w, int h, int* s) { return reinterpret_cast<Rux8u*>(ruxiMalloc_16s_C2(w, h, s)); };
  auto ac4 = [](int w, int h, int* s) { return ruxiMalloc_8u_AC4(w, h, s); };
  const Case cases[] = {{ruxiMalloc_8u_C1, 1, 64},  {ruxiMalloc_8u_C1, 64, 64}, {ruxiMalloc_8u_C1, 65, 128},
                        {f32c3, 100, 1216},         {fc4, 3, 128},              {s16c2, 16, 64},
                        {ac4, 17, 128}};
  for (const Case& c : cases) {
    int step = -1;
    Rux8u* p = c.alloc(c.width, 3, &step);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(step, c.step) << c.width;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 64, 0u);
    std::memset(p, 1, static_cast<std::size_t>(step) * 3);
    ruxiFree(p);
  }
}

TEST(ImageAlloc, FailuresGiveNullAndTheDocumentedStep) {
  int step = -1;
  EXPECT_EQ(ruxiMalloc_8u_C1(0, 5, &step), nullptr);
  EXPECT_EQ(step, 0);
  step = -1;
  EXPECT_EQ(ruxiMalloc_32f_C1(5, -1, &step), nullptr);
  EXPECT_EQ(step, 0);
  {  // a null step pointer allocates nothing: the one permitted allocation is still there
    FailAllocationsAfter fail(1);
    EXPECT_EQ(ruxiMalloc_8u_C1(10, 10, nullptr), nullptr);
    void* p = ruxMalloc(8);
    EXPECT_NE(p, nullptr);
    ruxFree(p);
  }
  {  // exhausted memory: null, the step cell keeps the computed step
    FailAllocationsAfter fail(0);
    step = -1;
    EXPECT_EQ(ruxiMalloc_8u_C3(100, 10, &step), nullptr);
    EXPECT_EQ(step, 320);
  }
  // Rows or blocks beyond the 32-bit byte count never wrap to a smaller allocation.
  step = -1;
  EXPECT_EQ(ruxiMalloc_32fc_C4(INT_MAX / 16, 1, &step), nullptr);
  EXPECT_EQ(step, 0);
  step = -1;
  EXPECT_EQ(ruxiMalloc_8u_C1(1 << 16, 1 << 15, &step), nullptr);
  EXPECT_EQ(step, 1 << 16);
}

TEST(Scratch, WrappersRejectEmptyAndOversizedRequests) {
  EXPECT_EQ(ruxsMalloc_32f(0), nullptr);
  EXPECT_EQ(ruxsMalloc_64f(INT_MAX / 4), nullptr);  // n x 8 bytes does not fit 32 bits
  Rux16s* p = ruxsMalloc_16s(100);
  ASSERT_NE(p, nullptr);
  ruxsFree(p);
  FailAllocationsAfter fail(0);
  rux::Scratch<float> s(10);
  EXPECT_FALSE(s);
}

TEST(FpGuard, RestoresTheCallersRoundingMode) {
  ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
  {
    rux::FpRoundingGuard guard(FE_TONEAREST);
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  }
  EXPECT_EQ(std::fegetround(), FE_UPWARD);
  std::fesetround(FE_TONEAREST);
}

}  // namespace
