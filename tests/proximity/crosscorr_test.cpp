// Template matching: every member against the brute-force reference (odd and even templates,
// Full/Same/Valid, C3/C4/AC4 channels independent, alpha kept), the degenerate windows and
// templates, scale factors, validation order, allocation failure, thread counts and the
// multi-tile path, and agreement with OpenCV matchTemplate on a natural-looking image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "ruxi.h"
#include "ref/proximity_ref.h"
#include "toolkit/toolkit.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace {

using ruxref::Geo;
using ruxref::Score;
using ruxtest::GuardedImage;

template <class S, class D>
using Fn = RuxResult (*)(const S*, int, RuxImageSize, const S*, int, RuxImageSize, D*, int);
using FnSfs = RuxResult (*)(const Rux8u*, int, RuxImageSize, const Rux8u*, int, RuxImageSize, Rux8u*, int, int);

struct Shape {
  int W, H, w, h;
};
// Odd and even templates, a 1x1 template, a template as large as the source, and one source
// large enough to be cut into several tiles.
const Shape kShapes[] = {{23, 17, 5, 4}, {16, 12, 6, 6}, {9, 7, 9, 7}, {40, 3, 1, 1}, {13, 30, 3, 8}, {70, 45, 7, 5}};

// Runs a member on random images of every shape and compares each channel with the reference.
// sf: the scale factor of an 8u member (results compared after scaling, within one unit).
template <class S, class D, class Call>
void checkMember(const std::string& name, int C, bool alpha, Geo g, Score score, Call call, int sf) {
  std::uint32_t seed = 1;
  for (const Shape& sh : kShapes) {
    GuardedImage<S> src(sh.W, sh.H, C, seed++, 3);
    GuardedImage<S> tpl(sh.w, sh.h, C, seed++, 1);
    const ruxref::MatchSize m = ruxref::matchSize(g, sh.W, sh.H, sh.w, sh.h);
    GuardedImage<D> dst(m.width, m.height, C, seed++, 2);
    ASSERT_EQ(call(src, tpl, dst), ruxStatusOk) << name;
    ASSERT_TRUE(dst.check(alpha ? 0x7u : 0xffffffffu)) << name;
    for (int c = 0; c < (alpha ? 3 : C); ++c) {
      const auto ref = ruxref::match(src, tpl, c, g, score);
      // The float transform's error grows with the norms of the whole source and template.
      long double e1 = 0, e2 = 0;
      for (int y = 0; y < sh.H; ++y)
        for (int x = 0; x < sh.W; ++x) e1 += static_cast<long double>(src.at(x, y, c)) * src.at(x, y, c);
      for (int y = 0; y < sh.h; ++y)
        for (int x = 0; x < sh.w; ++x) e2 += static_cast<long double>(tpl.at(x, y, c)) * tpl.at(x, y, c);
      const double globalScale = static_cast<double>(std::sqrt(e1 * e2));
      for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
          const long double want = ref[static_cast<std::size_t>(y) * m.width + x];
          const double got = dst.at(x, y, c);
          if constexpr (std::is_same_v<D, Rux8u>) {
            const long double v = std::clamp<long double>(std::nearbyint(want * std::ldexp(1.0L, -sf)), 0, 255);
            ASSERT_NEAR(got, static_cast<double>(v), 1.0) << name << " at " << x << "," << y << " c" << c;
          } else {
            double tol = 1e-4;
            if (score == Score::kPlain) tol = 2e-7 * globalScale + 1e-3;
            if (score == Score::kSqrDistance) tol = 1e-4 * std::max(1.0, std::fabs(static_cast<double>(want)));
            ASSERT_NEAR(got, static_cast<double>(want), tol)
                << name << " " << sh.W << "x" << sh.H << " tpl " << sh.w << "x" << sh.h << " at " << x << "," << y
                << " c" << c;
          }
        }
    }
  }
}

template <class S, class D>
std::function<void()> member(const char* name, Fn<S, D> fn, int C, bool alpha, Geo g, Score s) {
  return [=] {
    checkMember<S, D>(name, C, alpha, g, s,
                      [&](const GuardedImage<S>& a, const GuardedImage<S>& t, GuardedImage<D>& d) {
                        return fn(a.data(), a.step(), a.size(), t.data(), t.step(), t.size(), d.data(), d.step());
                      },
                      0);
  };
}
std::function<void()> memberSfs(const char* name, FnSfs fn, int C, bool alpha, Geo g, Score s) {
  return [=] {
    checkMember<Rux8u, Rux8u>(name, C, alpha, g, s,
                              [&](const GuardedImage<Rux8u>& a, const GuardedImage<Rux8u>& t, GuardedImage<Rux8u>& d) {
                                return fn(a.data(), a.step(), a.size(), t.data(), t.step(), t.size(), d.data(),
                                          d.step(), -7);
                              },
                              -7);
  };
}

#define LAYOUTS(P, ty, S, G, SC)                                                            \
  {#P "_" #ty "_C1R", member<S, Rux32f>(#P, ruxi##P##_##ty##_C1R, 1, false, G, SC)},        \
      {#P "_" #ty "_C3R", member<S, Rux32f>(#P, ruxi##P##_##ty##_C3R, 3, false, G, SC)},    \
      {#P "_" #ty "_C4R", member<S, Rux32f>(#P, ruxi##P##_##ty##_C4R, 4, false, G, SC)},    \
      {#P "_" #ty "_AC4R", member<S, Rux32f>(#P, ruxi##P##_##ty##_AC4R, 4, true, G, SC)}
#define MEMBERS(P, G, SC)                                                                            \
  LAYOUTS(P, 8u32f, Rux8u, G, SC), LAYOUTS(P, 8s32f, Rux8s, G, SC), LAYOUTS(P, 16u32f, Rux16u, G, SC), \
      LAYOUTS(P, 32f, Rux32f, G, SC), {#P "_8u_C1RSfs", memberSfs(#P, ruxi##P##_8u_C1RSfs, 1, false, G, SC)}, \
      {#P "_8u_C3RSfs", memberSfs(#P, ruxi##P##_8u_C3RSfs, 3, false, G, SC)},                            \
      {#P "_8u_C4RSfs", memberSfs(#P, ruxi##P##_8u_C4RSfs, 4, false, G, SC)},                            \
      {#P "_8u_AC4RSfs", memberSfs(#P, ruxi##P##_8u_AC4RSfs, 4, true, G, SC)}

struct Entry {
  std::string name;
  std::function<void()> run;
};

const std::vector<Entry>& allMembers() {
  static const std::vector<Entry> table = {
      MEMBERS(CrossCorrFull_Norm, Geo::kFull, Score::kNorm),
      MEMBERS(CrossCorrSame_Norm, Geo::kSame, Score::kNorm),
      MEMBERS(CrossCorrValid_Norm, Geo::kValid, Score::kNorm),
      MEMBERS(CrossCorrFull_NormLevel, Geo::kFull, Score::kNormLevel),
      MEMBERS(CrossCorrSame_NormLevel, Geo::kSame, Score::kNormLevel),
      MEMBERS(CrossCorrValid_NormLevel, Geo::kValid, Score::kNormLevel),
      MEMBERS(SqrDistanceFull_Norm, Geo::kFull, Score::kSqrDistance),
      MEMBERS(SqrDistanceSame_Norm, Geo::kSame, Score::kSqrDistance),
      MEMBERS(SqrDistanceValid_Norm, Geo::kValid, Score::kSqrDistance),
      {"CrossCorrFull_NormLevel_64f_C1R",
       member<Rux64f, Rux64f>("Full_NormLevel_64f", ruxiCrossCorrFull_NormLevel_64f_C1R, 1, false, Geo::kFull,
                              Score::kNormLevel)},
      {"CrossCorrValid_NormLevel_64f_C1R",
       member<Rux64f, Rux64f>("Valid_NormLevel_64f", ruxiCrossCorrValid_NormLevel_64f_C1R, 1, false, Geo::kValid,
                              Score::kNormLevel)},
      {"CrossCorrValid_8u32f_C1R",
       member<Rux8u, Rux32f>("Valid_8u32f", ruxiCrossCorrValid_8u32f_C1R, 1, false, Geo::kValid, Score::kPlain)},
      {"CrossCorrValid_8s32f_C1R",
       member<Rux8s, Rux32f>("Valid_8s32f", ruxiCrossCorrValid_8s32f_C1R, 1, false, Geo::kValid, Score::kPlain)},
      {"CrossCorrValid_16u32f_C1R",
       member<Rux16u, Rux32f>("Valid_16u32f", ruxiCrossCorrValid_16u32f_C1R, 1, false, Geo::kValid, Score::kPlain)},
      {"CrossCorrValid_32f_C1R",
       member<Rux32f, Rux32f>("Valid_32f", ruxiCrossCorrValid_32f_C1R, 1, false, Geo::kValid, Score::kPlain)},
  };
  return table;
}

TEST(CrossCorr, EveryMemberMatchesTheReference) {
  ASSERT_EQ(allMembers().size(), 186u);
  for (const Entry& e : allMembers()) {
    SCOPED_TRACE(e.name);
    e.run();
    if (HasFatalFailure()) return;
  }
}

// An image region with a uniform value.
template <class T>
void fillRect(GuardedImage<T>& img, int x0, int y0, int w, int h, T v) {
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x)
      for (int c = 0; c < img.channels(); ++c) img.at(x, y, c) = v;
}

TEST(CrossCorr, DegenerateWindowsAndTemplates) {
  // Template equal to the source: one output, the image with itself scores 1 / distance 0.
  GuardedImage<Rux8u> a(12, 9, 1, 3);
  GuardedImage<Rux32f> one(1, 1, 1, 4);
  ASSERT_EQ(ruxiCrossCorrValid_Norm_8u32f_C1R(a.data(), a.step(), a.size(), a.data(), a.step(), a.size(), one.data(),
                                              one.step()),
            ruxStatusOk);
  EXPECT_NEAR(one.at(0, 0, 0), 1.0f, 1e-6f);
  EXPECT_LE(one.at(0, 0, 0), 1.0f);
  ASSERT_EQ(ruxiSqrDistanceValid_Norm_8u32f_C1R(a.data(), a.step(), a.size(), a.data(), a.step(), a.size(),
                                                one.data(), one.step()),
            ruxStatusOk);
  EXPECT_GE(one.at(0, 0, 0), 0.0f);
  EXPECT_NEAR(one.at(0, 0, 0), 0.0f, 1e-5f);
  // Scale factors: R = 1 gives 128 at -7 and 255 (256 saturated) at -8.
  GuardedImage<Rux8u> q(1, 1, 1, 5);
  for (auto [sf, want] : {std::pair{-7, 128}, std::pair{-8, 255}, std::pair{0, 1}, std::pair{1, 0}}) {
    ASSERT_EQ(ruxiCrossCorrValid_Norm_8u_C1RSfs(a.data(), a.step(), a.size(), a.data(), a.step(), a.size(), q.data(),
                                                q.step(), sf),
              ruxStatusOk);
    EXPECT_EQ(q.at(0, 0, 0), want) << sf;
  }

  // A flat (and a dark) source area: _NormLevel windows inside it are exactly 0; a zero window
  // under _Norm is 0, under squared distance the template energy times 2^23.
  GuardedImage<Rux8u> src(60, 40, 1, 6);
  fillRect<Rux8u>(src, 5, 5, 20, 15, 200);
  fillRect<Rux8u>(src, 30, 10, 25, 20, 0);
  GuardedImage<Rux8u> tpl(6, 5, 1, 7);
  double tplEnergy = 0;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) tplEnergy += static_cast<double>(tpl.at(x, y, 0)) * tpl.at(x, y, 0);
  GuardedImage<Rux32f> lev(55, 36, 1, 8), nrm(55, 36, 1, 9), sqd(55, 36, 1, 10);
  ASSERT_EQ(ruxiCrossCorrValid_NormLevel_8u32f_C1R(src.data(), src.step(), src.size(), tpl.data(), tpl.step(),
                                                   tpl.size(), lev.data(), lev.step()),
            ruxStatusOk);
  ASSERT_EQ(ruxiCrossCorrValid_Norm_8u32f_C1R(src.data(), src.step(), src.size(), tpl.data(), tpl.step(), tpl.size(),
                                              nrm.data(), nrm.step()),
            ruxStatusOk);
  ASSERT_EQ(ruxiSqrDistanceValid_Norm_8u32f_C1R(src.data(), src.step(), src.size(), tpl.data(), tpl.step(),
                                                tpl.size(), sqd.data(), sqd.step()),
            ruxStatusOk);
  for (int y = 0; y < 36; ++y)
    for (int x = 0; x < 55; ++x) {
      EXPECT_LE(std::fabs(lev.at(x, y, 0)), 1.0f);
      EXPECT_LE(std::fabs(nrm.at(x, y, 0)), 1.0f);
      EXPECT_GE(sqd.at(x, y, 0), 0.0f);
      const bool flat = x >= 5 && x + 6 <= 25 && y >= 5 && y + 5 <= 20;
      const bool dark = x >= 30 && x + 6 <= 55 && y >= 10 && y + 5 <= 30;
      if (flat || dark) {
        EXPECT_EQ(lev.at(x, y, 0), 0.0f) << x << "," << y;
      }
      if (dark) {
        EXPECT_EQ(nrm.at(x, y, 0), 0.0f) << x << "," << y;
        EXPECT_FLOAT_EQ(sqd.at(x, y, 0), static_cast<float>(tplEnergy * 8388608.0)) << x << "," << y;
      }
    }

  // A constant template has no mean-removed energy: _NormLevel is 0 everywhere (a score
  // divided by the clamped energy would be FFT noise far outside [-1, 1]).
  GuardedImage<Rux32f> flatTpl(7, 6, 1, 11);
  fillRect<Rux32f>(flatTpl, 0, 0, 7, 6, 0.1f);
  GuardedImage<Rux32f> fsrc(50, 30, 1, 12);
  GuardedImage<Rux32f> full(56, 35, 1, 13);
  ASSERT_EQ(ruxiCrossCorrFull_NormLevel_32f_C1R(fsrc.data(), fsrc.step(), fsrc.size(), flatTpl.data(), flatTpl.step(),
                                                flatTpl.size(), full.data(), full.step()),
            ruxStatusOk);
  for (int y = 0; y < 35; ++y)
    for (int x = 0; x < 56; ++x) ASSERT_EQ(full.at(x, y, 0), 0.0f) << x << "," << y;
}

TEST(CrossCorr, ValidationOrder) {
  GuardedImage<Rux32f> src(10, 8, 1, 1), tpl(3, 3, 1, 2), dst(12, 10, 1, 3);
  const auto call = [&](const Rux32f* s, int ss, RuxImageSize sz, const Rux32f* t, int ts, RuxImageSize tz, Rux32f* d,
                        int ds) { return ruxiCrossCorrFull_Norm_32f_C1R(s, ss, sz, t, ts, tz, d, ds); };
  const RuxImageSize S = src.size(), T = tpl.size();
  ruxtest::expectRejections(
      {
          {"null source", [&] { return call(nullptr, src.step(), S, tpl.data(), tpl.step(), T, dst.data(), dst.step()); }, ruxStatusNullPointer},
          {"null template", [&] { return call(src.data(), src.step(), S, nullptr, tpl.step(), T, dst.data(), dst.step()); }, ruxStatusNullPointer},
          {"null dst before size", [&] { return call(src.data(), src.step(), {0, 8}, tpl.data(), tpl.step(), T, nullptr, dst.step()); }, ruxStatusNullPointer},
          {"empty source", [&] { return call(src.data(), src.step(), {10, 0}, tpl.data(), tpl.step(), T, dst.data(), dst.step()); }, ruxStatusBadSize},
          {"empty template", [&] { return call(src.data(), src.step(), S, tpl.data(), tpl.step(), {0, 3}, dst.data(), dst.step()); }, ruxStatusBadSize},
          {"template wider (Full too)", [&] { return call(src.data(), src.step(), S, tpl.data(), tpl.step(), {11, 3}, dst.data(), dst.step()); }, ruxStatusBadSize},
          {"template taller", [&] { return call(src.data(), src.step(), S, tpl.data(), tpl.step(), {3, 9}, dst.data(), dst.step()); }, ruxStatusBadSize},
          {"size before step", [&] { return call(src.data(), 0, {10, -1}, tpl.data(), tpl.step(), T, dst.data(), dst.step()); }, ruxStatusBadSize},
          {"source step", [&] { return call(src.data(), 0, S, tpl.data(), tpl.step(), T, dst.data(), dst.step()); }, ruxStatusBadStep},
          {"template step", [&] { return call(src.data(), src.step(), S, tpl.data(), -4, T, dst.data(), dst.step()); }, ruxStatusBadStep},
          {"dst step", [&] { return call(src.data(), src.step(), S, tpl.data(), tpl.step(), T, dst.data(), 0); }, ruxStatusBadStep},
      },
      dst);
  // Scratch failure: -9 and nothing written.
  for (int n = 0; n < 3; ++n) {
    ruxtest::FailAllocationsAfter fail(n);
    const RuxResult st = call(src.data(), src.step(), S, tpl.data(), tpl.step(), T, dst.data(), dst.step());
    if (st == ruxStatusOk) break;
    EXPECT_EQ(st, ruxStatusNoMemory);
    EXPECT_TRUE(dst.unchanged());
  }
}

// A source cut into many tiles: the reference everywhere (tile seams included), and the same
// bits on 1, 2 and 7 threads.
TEST(CrossCorr, TilesAndThreadCounts) {
  GuardedImage<Rux16u> src(331, 203, 3, 21);
  GuardedImage<Rux16u> tpl(9, 6, 3, 22);
  const ruxref::MatchSize m = ruxref::matchSize(Geo::kFull, 331, 203, 9, 6);
  std::vector<float> first;
  ruxtest::forThreadCounts([&](int threads) {
    GuardedImage<Rux32f> dst(m.width, m.height, 3, 23);
    ASSERT_EQ(ruxiCrossCorrFull_NormLevel_16u32f_C3R(src.data(), src.step(), src.size(), tpl.data(), tpl.step(),
                                                     tpl.size(), dst.data(), dst.step()),
              ruxStatusOk);
    std::vector<float> got;
    for (int y = 0; y < m.height; ++y)
      for (int x = 0; x < m.width * 3; ++x) got.push_back(dst.row(y)[x]);
    if (first.empty()) {
      first = got;
      for (int c = 0; c < 3; ++c) {
        const auto ref = ruxref::match(src, tpl, c, Geo::kFull, Score::kNormLevel);
        for (int i = 0; i < m.width * m.height; ++i)
          ASSERT_NEAR(got[static_cast<std::size_t>(i) * 3 + c], static_cast<double>(ref[i]), 1e-4) << i;
      }
    } else {
      EXPECT_EQ(got, first) << threads << " threads";
    }
  });
}

#ifdef RUX_HAVE_OPENCV
// A natural-looking 8-bit image: value noise over six octaves (amplitude halving per octave,
// bilinear between lattice points), which has the smooth areas, edges and texture of a photograph.
cv::Mat naturalImage(int W, int H, std::uint32_t seed) {
  std::mt19937 rng(seed);
  cv::Mat acc(H, W, CV_64F, cv::Scalar(0));
  double amp = 1.0;
  for (int oct = 0; oct < 6; ++oct, amp *= 0.5) {
    const int cell = 64 >> oct;
    const int gw = W / cell + 2, gh = H / cell + 2;
    std::vector<double> g(static_cast<std::size_t>(gw) * gh);
    for (auto& v : g) v = std::uniform_real_distribution<double>(-1, 1)(rng);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const double fx = static_cast<double>(x) / cell, fy = static_cast<double>(y) / cell;
        const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
        const double tx = fx - ix, ty = fy - iy;
        const auto at = [&](int i, int j) { return g[static_cast<std::size_t>(j) * gw + i]; };
        acc.at<double>(y, x) += amp * ((1 - ty) * ((1 - tx) * at(ix, iy) + tx * at(ix + 1, iy)) +
                                       ty * ((1 - tx) * at(ix, iy + 1) + tx * at(ix + 1, iy + 1)));
      }
  }
  cv::Mat img;
  cv::normalize(acc, acc, 0, 255, cv::NORM_MINMAX);
  acc.convertTo(img, CV_8U);
  return img;
}

TEST(CrossCorr, AgreesWithOpenCvMatchTemplate) {
  const cv::Mat img = naturalImage(320, 240, 5);
  cv::Mat imgF;
  img.convertTo(imgF, CV_32F);
  for (const cv::Rect r : {cv::Rect(100, 60, 24, 24), cv::Rect(10, 150, 17, 13), cv::Rect(200, 20, 64, 48)}) {
    const cv::Mat tpl = img(r).clone();
    cv::Mat tplF;
    tpl.convertTo(tplF, CV_32F);
    const RuxImageSize S{img.cols, img.rows}, T{tpl.cols, tpl.rows};
    for (int method : {cv::TM_CCORR_NORMED, cv::TM_CCOEFF_NORMED, cv::TM_SQDIFF_NORMED}) {
      cv::Mat want;
      cv::matchTemplate(img, tpl, want, method);
      for (bool floats : {false, true}) {
        cv::Mat got(want.size(), CV_32F);
        RuxResult st;
        const int gs = static_cast<int>(got.step);
        if (!floats) {
          const auto* s = img.ptr<Rux8u>();
          const auto* t = tpl.ptr<Rux8u>();
          const int ss = static_cast<int>(img.step), ts = static_cast<int>(tpl.step);
          st = method == cv::TM_CCORR_NORMED    ? ruxiCrossCorrValid_Norm_8u32f_C1R(s, ss, S, t, ts, T, got.ptr<Rux32f>(), gs)
               : method == cv::TM_CCOEFF_NORMED ? ruxiCrossCorrValid_NormLevel_8u32f_C1R(s, ss, S, t, ts, T, got.ptr<Rux32f>(), gs)
                                                : ruxiSqrDistanceValid_Norm_8u32f_C1R(s, ss, S, t, ts, T, got.ptr<Rux32f>(), gs);
        } else {
          const auto* s = imgF.ptr<Rux32f>();
          const auto* t = tplF.ptr<Rux32f>();
          const int ss = static_cast<int>(imgF.step), ts = static_cast<int>(tplF.step);
          st = method == cv::TM_CCORR_NORMED    ? ruxiCrossCorrValid_Norm_32f_C1R(s, ss, S, t, ts, T, got.ptr<Rux32f>(), gs)
               : method == cv::TM_CCOEFF_NORMED ? ruxiCrossCorrValid_NormLevel_32f_C1R(s, ss, S, t, ts, T, got.ptr<Rux32f>(), gs)
                                                : ruxiSqrDistanceValid_Norm_32f_C1R(s, ss, S, t, ts, T, got.ptr<Rux32f>(), gs);
        }
        ASSERT_EQ(st, ruxStatusOk);
        // OpenCV keeps the normalised squared distance in [0, 1]: compare min(S, 1). Where the
        // two differ by more than 1e-4 (low-variance windows, where OpenCV's single-precision
        // window statistics lose digits), ours must be within 1e-5 of the exact score.
        int disagreements = 0;
        for (int y = 0; y < want.rows; ++y)
          for (int x = 0; x < want.cols; ++x) {
            float g = got.at<float>(y, x);
            if (method == cv::TM_SQDIFF_NORMED) g = std::min(g, 1.0f);
            if (std::fabs(g - want.at<float>(y, x)) <= 1e-4f) continue;
            ++disagreements;
            long double sf = 0, sf2 = 0, st = 0, st2 = 0, cc = 0;
            const long double A = static_cast<long double>(r.width) * r.height;
            for (int j = 0; j < r.height; ++j)
              for (int i = 0; i < r.width; ++i) {
                const long double f = img.at<Rux8u>(y + j, x + i), t = tpl.at<Rux8u>(j, i);
                sf += f, sf2 += f * f, st += t, st2 += t * t, cc += f * t;
              }
            const long double exact =
                method == cv::TM_CCORR_NORMED    ? cc / std::sqrt(sf2 * st2)
                : method == cv::TM_CCOEFF_NORMED ? (cc - sf * st / A) / std::sqrt((sf2 - sf * sf / A) * (st2 - st * st / A))
                                                 : std::min(1.0L, (sf2 - 2 * cc + st2) / std::sqrt(sf2 * st2));
            EXPECT_NEAR(g, static_cast<double>(exact), 1e-5) << "at " << x << "," << y << " OpenCV " << want.at<float>(y, x);
          }
        EXPECT_LE(disagreements, want.rows * want.cols / 1000) << "method " << method << " template " << r.width << "x"
                                                               << r.height << (floats ? " 32f" : " 8u");
        // The template's own position is the best match.
        cv::Point best;
        if (method == cv::TM_SQDIFF_NORMED) cv::minMaxLoc(got, nullptr, nullptr, &best, nullptr);
        else cv::minMaxLoc(got, nullptr, nullptr, nullptr, &best);
        EXPECT_EQ(best, r.tl());
      }
    }
  }
}
#endif

}  // namespace
