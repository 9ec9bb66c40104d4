// Tiled resize of a 1920x1080 source to 1280x720 against cv::resize: linear, Catmull-Rom cubic
// (against OpenCV's cubic) and three-lobe Lanczos (against OpenCV's four-lobe) for 8u C3 and
// 32f C1. The state is made once per case outside the timed call. A tiled call is single-threaded,
// so callers run one tile per thread: each case splits the destination into horizontal bands, one
// per thread of the run (the -2t cases two), each run on its own std::thread. Kernels differ in
// detail, so outputs are not compared (speed only).
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ruxi.h"
#include "harness.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;
using ruxbench::Variant;

struct Case {
  const char* name;
  int channels;
  bool isFloat;
  int mode;
  int cvMode;
};

// State and per-tile buffers, made on the first call of a case.
struct Setup {
  std::vector<Rux8u> state, init;
  std::vector<std::vector<Rux8u>> buffers;
  RuxResizeSpec* spec() { return reinterpret_cast<RuxResizeSpec*>(state.data()); }
};

template <class T>
RuxResult initState(Setup& s, const Case& c, RuxImageSize src, RuxImageSize dst) {
  int bytes = 0, initBytes = 0;
  RuxResult st = std::is_same_v<T, Rux8u> ? ruxiResizeGetSize_8u(src, dst, c.mode, 0, &bytes, &initBytes)
                                          : ruxiResizeGetSize_32f(src, dst, c.mode, 0, &bytes, &initBytes);
  if (st != 0) return st;
  s.state.resize(static_cast<std::size_t>(bytes));
  s.init.resize(static_cast<std::size_t>(initBytes));
  if (c.mode == 2) st = ruxiResizeLinearInit_8u(src, dst, s.spec());
  else if (c.mode == 6) st = ruxiResizeCubicInit_8u(src, dst, s.spec(), s.init.data(), 0.0f, 0.5f);
  else st = ruxiResizeLanczosInit_8u(src, dst, 3, s.spec(), s.init.data());
  return st;
}

template <class T>
RuxResult tile(const Case& c, const T* src, int srcStep, T* dst, int dstStep, RuxImagePoint off, RuxImageSize size,
               RuxResizeSpec* spec, Rux8u* buffer) {
  if constexpr (std::is_same_v<T, Rux8u>) {
    if (c.mode == 2) return ruxiResizeLinear_8u_C3R(src, srcStep, dst, dstStep, off, size, 1, nullptr, spec, buffer);
    if (c.mode == 6) return ruxiResizeCubic_8u_C3R(src, srcStep, dst, dstStep, off, size, 1, nullptr, spec, buffer);
    return ruxiResizeLanczos_8u_C3R(src, srcStep, dst, dstStep, off, size, 1, nullptr, spec, buffer);
  } else {
    if (c.mode == 2) return ruxiResizeLinear_32f_C1R(src, srcStep, dst, dstStep, off, size, 1, nullptr, spec, buffer);
    if (c.mode == 6) return ruxiResizeCubic_32f_C1R(src, srcStep, dst, dstStep, off, size, 1, nullptr, spec, buffer);
    return ruxiResizeLanczos_32f_C1R(src, srcStep, dst, dstStep, off, size, 1, nullptr, spec, buffer);
  }
}

template <class T>
int ruxTiled(Operands& o, const Case& c, int tiles, std::shared_ptr<Setup> setup) {
  const RuxImageSize s = o.in[0].roi(), d = o.out[0].roi();
  if (setup->state.empty()) {
    const RuxResult st = initState<T>(*setup, c, s, d);
    if (st != 0) return st;
  }
  if (setup->buffers.size() < static_cast<std::size_t>(tiles)) setup->buffers.resize(static_cast<std::size_t>(tiles));
  std::vector<RuxResult> status(static_cast<std::size_t>(tiles), 0);
  const auto run = [&](int t) {
    const int y0 = d.height * t / tiles, y1 = d.height * (t + 1) / tiles;
    const RuxImagePoint off{0, y0};
    const RuxImageSize size{d.width, y1 - y0};
    int bytes = 0;
    status[t] = std::is_same_v<T, Rux8u> ? ruxiResizeGetBufferSize_8u(setup->spec(), size, c.channels, &bytes)
                                         : ruxiResizeGetBufferSize_32f(setup->spec(), size, c.channels, &bytes);
    if (status[t] != 0) return;
    auto& buffer = setup->buffers[t];
    if (buffer.size() < static_cast<std::size_t>(bytes)) buffer.resize(static_cast<std::size_t>(bytes));
    RuxImagePoint so{};
    status[t] = std::is_same_v<T, Rux8u> ? ruxiResizeGetSrcOffset_8u(setup->spec(), off, &so)
                                         : ruxiResizeGetSrcOffset_32f(setup->spec(), off, &so);
    if (status[t] != 0) return;
    const T* src = reinterpret_cast<const T*>(o.in[0].ptr<std::uint8_t>() + static_cast<std::ptrdiff_t>(so.y) * o.in[0].step()) +
                   static_cast<std::ptrdiff_t>(so.x) * c.channels;
    T* dst = reinterpret_cast<T*>(o.out[0].ptr<std::uint8_t>() + static_cast<std::ptrdiff_t>(off.y) * o.out[0].step());
    status[t] = tile<T>(c, src, o.in[0].step(), dst, o.out[0].step(), off, size, setup->spec(), buffer.data());
  };
  std::vector<std::thread> others;
  for (int t = 1; t < tiles; ++t) others.emplace_back(run, t);
  run(0);
  for (std::thread& th : others) th.join();
  for (RuxResult st : status)
    if (st != 0) return st;
  return 0;
}

void registerResizeSpec() {
#ifdef RUX_HAVE_OPENCV
  const int linear = cv::INTER_LINEAR, cubic = cv::INTER_CUBIC, lanczos = cv::INTER_LANCZOS4;
#else
  const int linear = 0, cubic = 0, lanczos = 0;
#endif
  static const Case cases[] = {
      {"ResizeTiled_8u_C3R_Linear", 3, false, 2, linear},   {"ResizeTiled_8u_C3R_Cubic", 3, false, 6, cubic},
      {"ResizeTiled_8u_C3R_Lanczos", 3, false, 16, lanczos}, {"ResizeTiled_32f_C1R_Linear", 1, true, 2, linear},
      {"ResizeTiled_32f_C1R_Cubic", 1, true, 6, cubic},     {"ResizeTiled_32f_C1R_Lanczos", 1, true, 16, lanczos},
  };
  const Size dst{1280, 720};
  for (const Case& c : cases) {
    for (int threads : {1, 2}) {
      auto setup = std::make_shared<Setup>();
      std::vector<Variant> v;
      v.push_back({"rux",
                   [&c, setup, threads](Operands& o) {
                     const int tiles = threads == 1 ? ruxbench::currentThreads() : threads;
                     return c.isFloat ? ruxTiled<Rux32f>(o, c, tiles, setup) : ruxTiled<Rux8u>(o, c, tiles, setup);
                   },
                   false, threads});
#ifdef RUX_HAVE_OPENCV
      v.push_back({"cv",
                   [&c](Operands& o) {
                     cv::resize(o.in[0].mat, o.out[0].mat, o.out[0].mat.size(), 0, 0, c.cvMode);
                     return 0;
                   },
                   false, threads});
#endif
      const auto make = [&c, dst](Size s) {
        if (c.isFloat) return Operands{images(Image::random<float>(s, 1, 91)), images(Image::random<float>(dst, 1, 92))};
        return Operands{images(Image::random<std::uint8_t>(s, c.channels, 91)),
                        images(Image::random<std::uint8_t>(dst, c.channels, 92))};
      };
      ruxbench::addCase(threads == 1 ? c.name : std::string(c.name) + "-2t", make, v, {ruxbench::kFullHd});
    }
  }
}

const int kRegistered = ruxbench::addFamily(&registerResizeSpec);

}  // namespace
