// Tiled resize against the per-pixel reference: every state kind, type and layout in one call;
// tiles stitched together equal the whole call, each tile reading only the source region
// GetSrcRoi names (sources holding just that region, against faulting pages); borders read from
// memory exactly as wide as GetBorderSize says; validation orders, clipping and the size rules.
#include <cmath>
#include <cstring>
#include <memory>

#include "ruxi.h"
#include "ref/resizespec_ref.h"
#include "toolkit/toolkit.h"

namespace {

using ruxtest::Border;
using ruxtest::Fence;
using ruxtest::FencedImage;
using ruxtest::GuardedImage;

struct Kind {
  const char* name;
  int mode;
  float b, c;
  int lobes;
};
const Kind kKinds[] = {
    {"nearest", 1, 0, 0, 0},           {"linear", 2, 0, 0, 0},        {"catmull-rom", 6, 0, 0.5f, 0},
    {"b-spline", 6, 1, 0, 0},          {"b05c03", 6, 0.5f, 0.3f, 0},  {"mitchell", 6, 1 / 3.0f, 1 / 3.0f, 0},
    {"lanczos2", 16, 0, 0, 2},         {"lanczos3", 16, 0, 0, 3},     {"super", 8, 0, 0, 0},
};

template <class T>
struct Api;
#define RUX_API_COMMON(S)                                                                                             \
  static RuxResult getSize(RuxImageSize s, RuxImageSize d, int m, int* a, int* b) {                                 \
    return ruxiResizeGetSize_##S(s, d, m, 0, a, b);                                                                 \
  }                                                                                                                 \
  static RuxResult bufferSize(const RuxResizeSpec* p, RuxImageSize t, int c, int* n) {                              \
    return ruxiResizeGetBufferSize_##S(p, t, c, n);                                                                 \
  }                                                                                                                 \
  static RuxResult borderSize(const RuxResizeSpec* p, int* b) { return ruxiResizeGetBorderSize_##S(p, b); }         \
  static RuxResult srcOffset(const RuxResizeSpec* p, RuxImagePoint o, RuxImagePoint* r) {                           \
    return ruxiResizeGetSrcOffset_##S(p, o, r);                                                                     \
  }                                                                                                                 \
  static RuxResult srcRoi(const RuxResizeSpec* p, RuxImageRect t, RuxImageRect* r) { return ruxiResizeGetSrcRoi_##S(p, t, r); }
#define RUX_TILE_CASE(NAME, S, C, ...) \
  case C: return ruxiResize##NAME##_##S##_C##C##R(__VA_ARGS__);
#define RUX_TILE_MODE(NAME, S, ...)                                                                              \
  switch (c) { RUX_TILE_CASE(NAME, S, 1, __VA_ARGS__) RUX_TILE_CASE(NAME, S, 3, __VA_ARGS__) default: break; } \
  return ruxiResize##NAME##_##S##_C4R(__VA_ARGS__);
#define RUX_API(S, T)                                                                                                \
  template <>                                                                                                       \
  struct Api<T> {                                                                                                   \
    RUX_API_COMMON(S)                                                                                               \
    static RuxResult init(const Kind& k, RuxImageSize s, RuxImageSize d, RuxResizeSpec* p, Rux8u* b) {              \
      switch (k.mode) {                                                                                             \
        case 1: return ruxiResizeNearestInit_##S(s, d, p);                                                         \
        case 2: return ruxiResizeLinearInit_##S(s, d, p);                                                          \
        case 6: return ruxiResizeCubicInit_##S(s, d, p, b, k.b, k.c);                                              \
        case 8: return ruxiResizeSuperInit_##S(s, d, p);                                                           \
        default: return ruxiResizeLanczosInit_##S(s, d, k.lobes, p, b);                                            \
      }                                                                                                             \
    }                                                                                                               \
    static RuxResult tile(int mode, int c, const T* s, int ss, T* d, int ds, RuxImagePoint o, RuxImageSize z, int border, \
                          const RuxResizeSpec* p, Rux8u* b) {                                                       \
      switch (mode) {                                                                                               \
        case 1: { RUX_TILE_MODE(Nearest, S, s, ss, d, ds, o, z, p, b) }                                            \
        case 2: { RUX_TILE_MODE(Linear, S, s, ss, d, ds, o, z, border, nullptr, p, b) }                            \
        case 6: { RUX_TILE_MODE(Cubic, S, s, ss, d, ds, o, z, border, nullptr, p, b) }                             \
        case 8: { RUX_TILE_MODE(Super, S, s, ss, d, ds, o, z, p, b) }                                              \
        default: { RUX_TILE_MODE(Lanczos, S, s, ss, d, ds, o, z, border, nullptr, p, b) }                          \
      }                                                                                                             \
    }                                                                                                               \
  };
RUX_API(8u, Rux8u)
RUX_API(16u, Rux16u)
RUX_API(32f, Rux32f)
template <>
struct Api<Rux64f> {
  RUX_API_COMMON(64f)
  static RuxResult init(const Kind&, RuxImageSize s, RuxImageSize d, RuxResizeSpec* p, Rux8u*) {
    return ruxiResizeLinearInit_64f(s, d, p);
  }
  static RuxResult tile(int, int c, const Rux64f* s, int ss, Rux64f* d, int ds, RuxImagePoint o, RuxImageSize z,
                        int border, const RuxResizeSpec* p, Rux8u* b) {
    RUX_TILE_MODE(Linear, 64f, s, ss, d, ds, o, z, border, nullptr, p, b)
  }
};

// A state in caller memory at an odd address (the object aligns itself inside it).
struct State {
  std::vector<Rux8u> mem, init;
  RuxResizeSpec* spec() { return reinterpret_cast<RuxResizeSpec*>(mem.data() + 5); }
};

template <class T>
std::unique_ptr<State> makeState(const Kind& k, RuxImageSize src, RuxImageSize dst) {
  auto s = std::make_unique<State>();
  int bytes = 0, initBytes = 0;
  EXPECT_EQ(Api<T>::getSize(src, dst, k.mode, &bytes, &initBytes), 0);
  s->mem.assign(static_cast<std::size_t>(bytes) + 5, 0);
  s->init.assign(static_cast<std::size_t>(initBytes), 0);
  EXPECT_EQ(Api<T>::init(k, src, dst, s->spec(), s->init.data()), 0) << k.name;
  return s;
}

template <class T>
std::vector<Rux8u> bufferFor(State& st, RuxImageSize tile, int channels) {
  int bytes = 0;
  EXPECT_GE(Api<T>::bufferSize(st.spec(), tile, channels, &bytes), 0);
  return std::vector<Rux8u>(static_cast<std::size_t>(bytes));
}

Fence fenceOf(bool isFloat, int run) { return isFloat ? Fence::kNanMargin : run % 2 ? Fence::kAfter : Fence::kBefore; }

// The reference over a fenced source with border bw.
template <class T>
ruxref::Plane<T> expected(FencedImage<T>& src, int bw, const bool mem[4], const Kind& k, RuxImageSize s, RuxImageSize d,
                          int C) {
  ruxref::Plane<T> ext{{}, s.width + 2 * bw, s.height + 2 * bw, C}, out{{}, d.width, d.height, C};
  for (int y = -bw; y < s.height + bw; ++y)
    for (int x = -bw; x < s.width + bw; ++x)
      for (int c = 0; c < C; ++c) ext.v.push_back(src.at(x, y, c));
  out.v.assign(static_cast<std::size_t>(d.width) * d.height * C, T(0));
  ruxref::refResizeSpec(ext, bw, mem, {k.mode, s.width, s.height, d.width, d.height, k.b, k.c, k.lobes}, out);
  return out;
}

template <class T>
::testing::AssertionResult sameAs(const GuardedImage<T>& got, const ruxref::Plane<T>& want, int x0 = 0, int y0 = 0) {
  for (int y = 0; y < got.height(); ++y)
    for (int i = 0; i < got.width() * got.channels(); ++i) {
      const T a = got.row(y)[i], b = want.at(x0 + i / want.c, y0 + y, i % want.c);
      if (!(a == b))
        return ::testing::AssertionFailure() << "pixel " << i / want.c << " channel " << i % want.c << " row " << y
                                             << ": got " << +a << ", expected " << +b;
    }
  return ::testing::AssertionSuccess();
}

struct Geometry {
  RuxImageSize src, dst;
};
const Geometry kGeometries[] = {{{13, 11}, {29, 17}}, {{31, 23}, {12, 9}}, {{17, 12}, {17, 12}}, {{24, 9}, {7, 20}},
                                {{70, 9}, {47, 6}}};  // the last: rows of several vectors

template <class T>
class ResizeSpecTyped : public ::testing::Test {};
using Types = ::testing::Types<Rux8u, Rux16u, Rux32f, Rux64f>;
TYPED_TEST_SUITE(ResizeSpecTyped, Types);

template <class T>
std::vector<Kind> kindsOf() {
  if constexpr (std::is_same_v<T, Rux64f>) return {kKinds[1]};
  else return {std::begin(kKinds), std::end(kKinds)};
}

// One call over the whole destination, replicated borders, sources against faulting pages (NaN
// margins for floats): the reference's bits; the identity geometry reproduces the source where
// the kernel interpolates.
TYPED_TEST(ResizeSpecTyped, WholeImageMatchesReference) {
  using T = TypeParam;
  const bool none[4] = {false, false, false, false};
  int run = 0;
  for (const Kind& k : kindsOf<T>()) {
    for (const Geometry& g : kGeometries) {
      if (k.mode == 8 && (g.src.width < g.dst.width || g.src.height < g.dst.height)) continue;
      auto st = makeState<T>(k, g.src, g.dst);
      for (int C : {1, 3, 4}) {
        FencedImage<T> src(g.src.width, g.src.height, C, Border{}, fenceOf(std::is_floating_point_v<T>, run++), 7 + C);
        GuardedImage<T> dst(g.dst.width, g.dst.height, C, 3);
        auto buffer = bufferFor<T>(*st, g.dst, C);
        ASSERT_EQ(Api<T>::tile(k.mode, C, src.data(), src.step(), dst.data(), dst.step(), {0, 0}, g.dst, 1, st->spec(),
                               buffer.data()), 0) << k.name;
        ASSERT_TRUE(dst.check());
        const auto want = expected(src, 0, none, k, g.src, g.dst, C);
        ASSERT_TRUE(sameAs(dst, want)) << k.name << " " << g.src.width << "x" << g.src.height << " C" << C;
        const bool identity = g.src.width == g.dst.width && g.src.height == g.dst.height;
        if (identity && (k.mode != 6 || k.c == 0.5f)) {
          for (int y = 0; y < g.dst.height; ++y)
            for (int x = 0; x < g.dst.width * C; ++x) ASSERT_EQ(dst.row(y)[x], src.at(x / C, y, x % C)) << k.name;
        }
      }
    }
  }
}

// Tiles of a grid stitched together equal the whole call. Each tile's source holds only the
// region GetSrcRoi reports (fenced), the pointer at GetSrcOffset; tiles reaching beyond the
// destination are clipped and report 48.
TYPED_TEST(ResizeSpecTyped, TilesEqualTheWholeCall) {
  using T = TypeParam;
  const RuxImageSize s{37, 29}, d{26, 41};
  const int C = 3;
  int run = 0;
  for (const Kind& k : kindsOf<T>()) {
    const RuxImageSize dd = k.mode == 8 ? RuxImageSize{26, 19} : d;
    auto st = makeState<T>(k, s, dd);
    FencedImage<T> whole(s.width, s.height, C, Border{}, Fence::kAfter, 5);
    GuardedImage<T> all(dd.width, dd.height, C, 1);
    auto buffer = bufferFor<T>(*st, dd, C);
    ASSERT_EQ(Api<T>::tile(k.mode, C, whole.data(), whole.step(), all.data(), all.step(), {0, 0}, dd, 1, st->spec(),
                           buffer.data()), 0);
    const int xs[] = {0, 5, 14, dd.width}, ys[] = {0, 1, 9, dd.height};
    for (int ty = 0; ty < 3; ++ty) {
      for (int tx = 0; tx < 3; ++tx) {
        const RuxImagePoint off{xs[tx], ys[ty]};
        const RuxImageSize tile{xs[tx + 1] - xs[tx], ys[ty + 1] - ys[ty]};
        // The last column and row ask for more than the destination holds.
        const RuxImageSize asked{tile.width + (tx == 2 ? 6 : 0), tile.height + (ty == 2 ? 3 : 0)};
        const RuxResult clip = tx == 2 || ty == 2 ? ruxStatusSizeExceedsSpec : ruxStatusOk;
        RuxImagePoint so{};
        RuxImageRect roi{};
        ASSERT_EQ(Api<T>::srcOffset(st->spec(), off, &so), 0);
        ASSERT_EQ(Api<T>::srcRoi(st->spec(), {off.x, off.y, asked.width, asked.height}, &roi), clip);
        FencedImage<T> part(roi.width, roi.height, C, Border{}, fenceOf(std::is_floating_point_v<T>, run++), 9);
        for (int y = 0; y < roi.height; ++y)
          for (int x = 0; x < roi.width; ++x)
            for (int c = 0; c < C; ++c) part.at(x, y, c) = whole.at(roi.x + x, roi.y + y, c);
        GuardedImage<T> out(tile.width, tile.height, C, 2);
        auto tileBuffer = bufferFor<T>(*st, asked, C);
        ASSERT_EQ(Api<T>::tile(k.mode, C, &part.at(so.x - roi.x, so.y - roi.y, 0), part.step(), out.data(), out.step(),
                               off, asked, 1, st->spec(), tileBuffer.data()), clip) << k.name;
        ASSERT_TRUE(out.check());
        for (int y = 0; y < tile.height; ++y)
          for (int x = 0; x < tile.width * C; ++x)
            ASSERT_EQ(out.row(y)[x], all.row(off.y + y)[off.x * C + x]) << k.name << " tile " << tx << "," << ty;
      }
    }
  }
}

// Sides read from memory take the caller's border pixels, exactly GetBorderSize wide (the
// source is fenced right at the border); the other sides replicate the edge.
TYPED_TEST(ResizeSpecTyped, BorderInMemory) {
  using T = TypeParam;
  struct Case {
    int border;
    bool mem[4];  // left, top, right, bottom
  };
  const Case cases[] = {{6, {true, true, true, true}},
                        {1 | 0xF0, {true, true, true, true}},
                        {1 | 0x10 | 0x40, {true, true, false, false}},
                        {1 | 0x20 | 0x80, {false, false, true, true}},
                        {1 | 0x40 | 0x20, {true, false, false, true}}};
  int run = 0;
  for (const Kind& k : kindsOf<T>()) {
    if (k.mode == 1 || k.mode == 8) continue;
    for (const Geometry& g : {kGeometries[0], kGeometries[1]}) {
      auto st = makeState<T>(k, g.src, g.dst);
      int bs[4] = {};
      ASSERT_EQ(Api<T>::borderSize(st->spec(), bs), 0);
      const int bw = k.mode == 2 ? 1 : k.mode == 6 ? 2 : k.lobes;
      for (int side : bs) ASSERT_EQ(side, bw) << k.name;
      for (const Case& c : cases) {
        const int C = 1 + 2 * (run % 2);
        FencedImage<T> src(g.src.width, g.src.height, C, Border{bw, bw, bw, bw},
                           fenceOf(std::is_floating_point_v<T>, run++), 13);
        GuardedImage<T> dst(g.dst.width, g.dst.height, C, 3);
        auto buffer = bufferFor<T>(*st, g.dst, C);
        ASSERT_EQ(Api<T>::tile(k.mode, C, src.data(), src.step(), dst.data(), dst.step(), {0, 0}, g.dst, c.border,
                               st->spec(), buffer.data()), 0);
        ASSERT_TRUE(sameAs(dst, expected(src, bw, c.mem, k, g.src, g.dst, C))) << k.name << " border " << c.border;
      }
    }
  }
}

TEST(ResizeSpec, SizeRules) {
  int spec = 0, init = 0, buf = 0;
  const RuxImageSize hd{1920, 1080}, p720{1280, 720};
  const int D = 736 + 1280;
  ASSERT_EQ(ruxiResizeGetSize_8u(hd, p720, 2, 0, &spec, &init), 0);
  EXPECT_EQ(spec, 8 * D + 240);
  EXPECT_EQ(init, 64);
  ASSERT_EQ(ruxiResizeGetSize_32f(hd, p720, 16, 0, &spec, &init), 0);
  EXPECT_EQ(spec, 4 * D + 176 + 128 * (((6 * 1280 + 193) >> 5) + ((6 * 720 + 193) >> 5)) + 64);
  EXPECT_EQ(init, 4 * D + 64);
  ASSERT_EQ(ruxiResizeGetSize_16u(hd, p720, 8, 0, &spec, &init), 0);
  EXPECT_EQ(spec, 4 * (32 + 4 + 4 + 32) + 240);  // ratio 3:2 on both axes: 2 phases of 2 taps
  ASSERT_EQ(ruxiResizeGetSize_64f(hd, p720, 2, 0, &spec, &init), 0);
  EXPECT_EQ(spec, 12 * D + 240);  // fractions in double
  // Sizes of 2^31 bytes or more are refused instead of wrapping.
  EXPECT_EQ(ruxiResizeGetSize_8u({1 << 29, 1 << 29}, {1 << 29, 1 << 29}, 1, 0, &spec, &init), ruxStatusBadSize);
  // Work buffers: the tile's index tables and rows; a tile beyond the destination is measured
  // clipped, with the warning.
  auto st = makeState<Rux8u>(kKinds[7], hd, p720);
  ASSERT_EQ(ruxiResizeGetBufferSize_8u(st->spec(), {100, 50}, 4, &buf), 0);
  EXPECT_EQ(buf, 4 * (64 + 128) + 4 * 4 * ((600 + 191) & ~31) + 64);
  ASSERT_EQ(ruxiResizeGetBufferSize_8u(st->spec(), {2000, 50}, 1, &buf), ruxStatusSizeExceedsSpec);
  EXPECT_EQ(buf, 4 * (64 + 1280) + 4 * ((6 * 1280 + 191) & ~31) + 64);
  RuxImagePoint so{};  // floor(x src / dst), exactly
  ASSERT_EQ(ruxiResizeGetSrcOffset_8u(st->spec(), {640, 359}, &so), 0);
  EXPECT_EQ(so.x, 960);
  EXPECT_EQ(so.y, 538);
}

// Validation order of every entry point; nothing is written on an error.
TEST(ResizeSpec, Validation) {
  int a = 0, b = 0;
  const RuxImageSize s8{8, 8}, d6{6, 6};
  ruxtest::expectRejections({
      {"size null", [&] { return ruxiResizeGetSize_8u(s8, d6, 2, 0, nullptr, &b); }, -8},
      {"size zero before mode", [&] { return ruxiResizeGetSize_8u({0, 8}, d6, 3, 0, &a, &b); }, 1},
      {"size negative", [&] { return ruxiResizeGetSize_8u(s8, {-1, 6}, 2, 0, &a, &b); }, -6},
      {"linear source 1 wide", [&] { return ruxiResizeGetSize_8u({1, 8}, d6, 2, 0, &a, &b); }, -6},
      {"super enlarging", [&] { return ruxiResizeGetSize_16u(d6, s8, 8, 0, &a, &b); }, -6},
      {"mode", [&] { return ruxiResizeGetSize_8u(s8, d6, 4, 0, &a, &b); }, -22},
      {"mode 0", [&] { return ruxiResizeGetSize_8u(s8, d6, 0, 0, &a, &b); }, -9999},
      {"antialiasing", [&] { return ruxiResizeGetSize_32f(s8, d6, 2, 1, &a, &b); }, -9999},
  });
  std::vector<Rux8u> mem(1 << 16), initBuf(1 << 12);
  auto* spec = reinterpret_cast<RuxResizeSpec*>(mem.data() + 3);
  ruxtest::expectRejections({
      {"init null", [&] { return ruxiResizeLinearInit_8u(s8, d6, nullptr); }, -8},
      {"init buffer null", [&] { return ruxiResizeCubicInit_8u(s8, d6, spec, nullptr, 0, 0.5f); }, -8},
      {"init zero", [&] { return ruxiResizeNearestInit_8u(s8, {0, 0}, spec); }, 1},
      {"lanczos 3 on 5x5", [&] { return ruxiResizeLanczosInit_8u({5, 5}, d6, 3, spec, initBuf.data()); }, -6},
      {"lobes", [&] { return ruxiResizeLanczosInit_8u(s8, d6, 4, spec, initBuf.data()); }, -9999},
      {"B NaN", [&] { return ruxiResizeCubicInit_8u(s8, d6, spec, initBuf.data(), std::nanf(""), 0.5f); }, -5},
      {"super enlarging", [&] { return ruxiResizeSuperInit_8u(d6, s8, spec); }, -6},
  });
  ASSERT_EQ(ruxiResizeLanczosInit_8u({5, 5}, d6, 2, spec, initBuf.data()), 0);
  ASSERT_EQ(ruxiResizeLinearInit_8u(s8, d6, spec), 0);
  std::vector<Rux8u> mem64(1 << 16), damaged(1 << 16, 0x5A);
  auto* spec64 = reinterpret_cast<RuxResizeSpec*>(mem64.data());
  auto* bad = reinterpret_cast<RuxResizeSpec*>(damaged.data());
  ASSERT_EQ(ruxiResizeLinearInit_64f(s8, d6, spec64), 0);
  RuxImagePoint pt{};
  int border[4];
  ruxtest::expectRejections({
      {"buffer null", [&] { return ruxiResizeGetBufferSize_8u(spec, d6, 1, nullptr); }, -8},
      {"buffer zero tile before state", [&] { return ruxiResizeGetBufferSize_8u(bad, {0, 3}, 1, &a); }, 1},
      {"buffer damaged", [&] { return ruxiResizeGetBufferSize_8u(bad, d6, 1, &a); }, -17},
      {"buffer 64f state", [&] { return ruxiResizeGetBufferSize_8u(spec64, d6, 1, &a); }, -17},
      {"buffer channels", [&] { return ruxiResizeGetBufferSize_8u(spec, {-1, 3}, 2, &a); }, -53},
      {"buffer negative", [&] { return ruxiResizeGetBufferSize_8u(spec, {-1, 3}, 1, &a); }, -6},
      {"border damaged", [&] { return ruxiResizeGetBorderSize_64f(spec, border); }, -17},
      {"offset null", [&] { return ruxiResizeGetSrcOffset_8u(spec, {0, 0}, nullptr); }, -8},
      {"offset damaged", [&] { return ruxiResizeGetSrcOffset_8u(bad, {9, 0}, &pt); }, -17},
      {"offset at width", [&] { return ruxiResizeGetSrcOffset_8u(spec, {6, 0}, &pt); }, -11},
  });
  GuardedImage<Rux8u> src(8, 8, 1, 1), dst(6, 6, 1, 2);
  std::vector<Rux8u> buffer(1 << 14);
  const auto call = [&](const Rux8u* s, Rux8u* d, RuxImagePoint o, RuxImageSize z, int bt, const RuxResizeSpec* p,
                        Rux8u* buf) { return ruxiResizeLinear_8u_C1R(s, src.step(), d, dst.step(), o, z, bt, nullptr, p, buf); };
  const Rux8u* S = src.data();
  Rux8u* D = dst.data();
  Rux8u* B = buffer.data();
  ruxtest::expectRejections(
      {
          {"source null", [&] { return call(nullptr, D, {0, 0}, d6, 1, spec, B); }, -8},
          {"buffer null", [&] { return call(S, D, {0, 0}, d6, 1, spec, nullptr); }, -8},
          {"state null", [&] { return call(S, D, {0, 0}, d6, 1, nullptr, B); }, -8},
          {"zero tile before state", [&] { return call(S, D, {0, 0}, {0, -1}, 99, bad, B); }, 1},
          {"damaged", [&] { return call(S, D, {0, 0}, d6, 1, bad, B); }, -17},
          {"64f state", [&] { return call(S, D, {0, 0}, d6, 1, spec64, B); }, -17},
          {"state of another mode",
           [&] { return ruxiResizeCubic_8u_C1R(S, src.step(), D, dst.step(), {0, 0}, d6, 1, nullptr, spec, B); }, -17},
          {"negative tile", [&] { return call(S, D, {9, 0}, {-2, 3}, 99, spec, B); }, -6},
          {"offset at width", [&] { return call(S, D, {6, 0}, d6, 99, spec, B); }, -11},
          {"border bits", [&] { return call(S, D, {0, 0}, d6, 0x101, spec, B); }, -225},
          {"border type", [&] { return call(S, D, {0, 0}, d6, 2, spec, B); }, -9999},
          {"flags without a type", [&] { return call(S, D, {0, 0}, d6, 0xF0, spec, B); }, -9999},
      },
      dst);
}

}  // namespace
