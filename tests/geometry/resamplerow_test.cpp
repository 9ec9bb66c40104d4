// ResampleRow against a reference written from the multirate formula (every source sample j
// weighs K(|n M - j L| / S), weights normalised per destination sample), with source rows that
// carry exactly the reported border against a faulting page.
#include <cmath>
#include <numeric>
#include <vector>

#include "toolkit/toolkit.h"

namespace {

using ruxtest::Fence;
using ruxtest::FencedImage;

struct Row {
  std::vector<Rux8u> spec, buffer;
  RuxResampleRowSpec_32f* state = nullptr;
  int border = 0;
  Row(int src, int dst) {
    int specBytes = 0, bufBytes = 0;
    EXPECT_EQ(ruxiResampleRowGetSize_32f(src, dst, &specBytes, &bufBytes), 0);
    spec.resize(specBytes);
    buffer.resize(bufBytes);
    state = reinterpret_cast<RuxResampleRowSpec_32f*>(spec.data());
    EXPECT_EQ(ruxiResampleRowInit_32f(state, 0, src, dst), 0);
    int right = 0;
    EXPECT_EQ(ruxiResampleRowGetBorderWidth_32f(state, &border, &right), 0);
    EXPECT_EQ(right, border);
  }
};

double catmullRom(double x) {
  return x < 1 ? 1.5 * x * x * x - 2.5 * x * x + 1 : x < 2 ? -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2 : 0;
}

TEST(ResampleRow, MatchesMultirateFormula) {
  for (const auto& [src, dst] : {std::pair{8, 16}, std::pair{30, 12}, std::pair{17, 23}, std::pair{64, 27}}) {
    Row r(src, dst);
    const int rows = 3;
    FencedImage<Rux32f> in(src, rows, 1, {r.border, r.border, 0, 0}, Fence::kAfter, 5);
    FencedImage<Rux32f> in2(src, rows, 1, {r.border, r.border, 0, 0}, Fence::kBefore, 5);
    std::vector<Rux32f> out(static_cast<std::size_t>(dst) * rows), out2(out.size());
    ASSERT_EQ(ruxiResampleRowReplicateBorder_32f_C1R(in.data(), in.step(), {src, rows}, r.border, r.border), 0);
    ASSERT_EQ(ruxiResampleRow_32f_C1(in.data(), in.step(), out.data(), dst * 4, 0, {dst, rows}, r.state, r.buffer.data()), 0);
    // In two tiles from the other fenced copy: the same samples.
    for (int y = 0; y < rows; ++y)
      for (int x = -r.border; x < src + r.border; ++x) in2.at(x, y, 0) = in.at(x, y, 0);
    const int half = dst / 2;
    ASSERT_EQ(ruxiResampleRow_32f_C1(in2.data(), in2.step(), out2.data(), dst * 4, 0, {half, rows}, r.state, r.buffer.data()), 0);
    ASSERT_EQ(ruxiResampleRow_32f_C1(in2.data(), in2.step(), out2.data() + half, dst * 4, half, {dst - half, rows}, r.state,
                                     r.buffer.data()), 0);
    EXPECT_EQ(out, out2);
    const long long g = std::gcd(src, dst), L = dst / g, M = src / g, S = std::max(L, M);
    for (int y = 0; y < rows; ++y)
      for (int n = 0; n < dst; ++n) {
        double sum = 0, wsum = 0;
        for (int j = -r.border; j < src + r.border; ++j) {
          const double w = catmullRom(std::fabs(static_cast<double>(n * M - j * L)) / S);
          if (w == 0) continue;
          sum += w * in.at(std::clamp(j, -r.border, src + r.border - 1), y, 0);
          wsum += w;
        }
        EXPECT_NEAR(out[y * dst + n], sum / wsum, 2e-4 * (1 + std::fabs(sum / wsum))) << src << "->" << dst << " " << n;
      }
    // Edge replication: the border holds the edge samples.
    for (int y = 0; y < rows; ++y)
      for (int x = 1; x <= r.border; ++x) {
        EXPECT_EQ(in.at(-x, y, 0), in.at(0, y, 0));
        EXPECT_EQ(in.at(src - 1 + x, y, 0), in.at(src - 1, y, 0));
      }
  }
}

TEST(ResampleRow, ConstantRowAndValidation) {
  Row r(1920, 1081);
  std::vector<Rux32f> src(1920 + 2 * r.border, 7.25f), dst(1081);
  ASSERT_EQ(ruxiResampleRow_32f_C1(src.data() + r.border, 0, dst.data(), 0, 0, {1081, 1}, r.state, r.buffer.data()), 0);
  for (float v : dst) ASSERT_NEAR(v, 7.25f, 1e-5f);
  int a = 0, b = 0;
  EXPECT_EQ(ruxiResampleRowInit_32f(r.state, 1, 8, 4), ruxStatusBadArg);
  EXPECT_EQ(ruxiResampleRowInit_32f(r.state, 0, 0, 4), ruxStatusBadSize);
  EXPECT_EQ(ruxiResampleRowInit_32f(nullptr, 0, 8, 4), ruxStatusNullPointer);
  EXPECT_EQ(ruxiResampleRowGetSize_32f(8, 0, &a, &b), ruxStatusBadSize);
  EXPECT_EQ(ruxiResampleRow_32f_C1(src.data(), 0, dst.data(), 0, -1, {4, 1}, r.state, r.buffer.data()), ruxStatusOutOfRange);
  EXPECT_EQ(ruxiResampleRow_32f_C1(src.data(), 0, dst.data(), 0, 1080, {2, 1}, r.state, r.buffer.data()), ruxStatusBadSize);
  std::vector<Rux8u> other(r.spec.size(), 0);
  EXPECT_EQ(ruxiResampleRow_32f_C1(src.data(), 0, dst.data(), 0, 0, {4, 1},
                                   reinterpret_cast<RuxResampleRowSpec_32f*>(other.data()), r.buffer.data()),
            ruxStatusBadContext);
}

}  // namespace
