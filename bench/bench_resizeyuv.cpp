// YUV resizes and the integer-filter resize, 1920x1080 to 1280x720:
//  - 4:2:0 single call (Lanczos, super-sampling) against cv::resize of the luma and the chroma
//    plane (INTER_LANCZOS4, INTER_AREA);
//  - 4:2:2 linear by state (no OpenCV counterpart for packed 4:2:2 resizing);
//  - the integer filter (Lanczos) against cv::resize INTER_LANCZOS4 at 1 and 2 threads.
// Kernels differ, so outputs are not compared (speed only).
#include <cstdint>
#include <memory>
#include <string>
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

constexpr Size kDst{1280, 720};

struct Buffers {
  std::vector<Rux8u> state, work;
};

void register420(const char* name, int mode, int cvMode) {
  auto buf = std::make_shared<Buffers>();
  std::vector<Variant> v;
  v.push_back({"rux",
               [buf, mode](Operands& o) {
                 const RuxImageSize s = o.in[0].roi(), d = o.out[0].roi();
                 int bytes = 0;
                 if (RuxResult st = ruxiResizeYUV420GetBufSize(s, d, mode, &bytes); st != 0) return st;
                 buf->work.resize(static_cast<std::size_t>(bytes));
                 return ruxiResizeYUV420_8u_P2R(o.in[0].ptr<Rux8u>(), o.in[0].step(), o.in[1].ptr<Rux8u>(), o.in[1].step(),
                                                s, o.out[0].ptr<Rux8u>(), o.out[0].step(), o.out[1].ptr<Rux8u>(),
                                                o.out[1].step(), d, mode, buf->work.data());
               },
               false, 1});
#ifdef RUX_HAVE_OPENCV
  v.push_back({"cv",
               [cvMode](Operands& o) {
                 cv::resize(o.in[0].mat, o.out[0].mat, o.out[0].mat.size(), 0, 0, cvMode);
                 cv::resize(o.in[1].mat, o.out[1].mat, o.out[1].mat.size(), 0, 0, cvMode);
                 return 0;
               },
               false, 1});
#endif
  const auto make = [](Size s) {
    const Size cs{s.width / 2, s.height / 2}, cd{kDst.width / 2, kDst.height / 2};
    return Operands{images(Image::random<std::uint8_t>(s, 1, 1), Image::random<std::uint8_t>(cs, 2, 2)),
                    images(Image::random<std::uint8_t>(kDst, 1, 3), Image::random<std::uint8_t>(cd, 2, 4))};
  };
  ruxbench::addCase(name, make, v, {ruxbench::kFullHd});
}

void register422() {
  auto buf = std::make_shared<Buffers>();
  std::vector<Variant> v;
  v.push_back({"rux",
               [buf](Operands& o) {
                 const RuxImageSize s = o.in[0].roi(), d = o.out[0].roi();
                 if (buf->state.empty()) {
                   int bytes = 0, work = 0;
                   if (RuxResult st = ruxiResizeYUV422GetSize(s, d, 2, 0, &bytes, &work); st != 0) return st;
                   buf->state.resize(static_cast<std::size_t>(bytes));
                   buf->work.resize(static_cast<std::size_t>(work));
                   auto* spec = reinterpret_cast<RuxResizeYUV422Spec*>(buf->state.data());
                   if (RuxResult st = ruxiResizeYUV422LinearInit(s, d, spec); st != 0) return st;
                 }
                 return ruxiResizeYUV422Linear_8u_C2R(o.in[0].ptr<Rux8u>(), o.in[0].step(), o.out[0].ptr<Rux8u>(),
                                                      o.out[0].step(), {0, 0}, d, 1, nullptr,
                                                      reinterpret_cast<RuxResizeYUV422Spec*>(buf->state.data()),
                                                      buf->work.data());
               },
               false, 1});
  const auto make = [](Size s) {
    return Operands{images(Image::random<std::uint8_t>(s, 2, 5)), images(Image::random<std::uint8_t>(kDst, 2, 6))};
  };
  ruxbench::addCase("ResizeYUV422_8u_C2R_Linear", make, v, {ruxbench::kFullHd});
}

void registerFilter() {
  for (int threads : {1, 2}) {
    auto buf = std::make_shared<Buffers>();
    std::vector<Variant> v;
    v.push_back({"rux",
                 [buf](Operands& o) {
                   const RuxImageSize s = o.in[0].roi(), d = o.out[0].roi();
                   if (buf->state.empty()) {
                     int bytes = 0;
                     if (RuxResult st = ruxiResizeFilterGetSize_8u_C1R(s, d, ruxResizeFilterLanczos, &bytes); st != 0)
                       return st;
                     buf->state.resize(static_cast<std::size_t>(bytes));
                     auto* st = reinterpret_cast<RuxResizeFilterState*>(buf->state.data());
                     if (RuxResult r = ruxiResizeFilterInit_8u_C1R(st, ruxResizeFilterLanczos, s, d); r != 0) return r;
                   }
                   return ruxiResizeFilter_8u_C1R(o.in[0].ptr<Rux8u>(), o.in[0].step(), s, o.out[0].ptr<Rux8u>(),
                                                  o.out[0].step(), d,
                                                  reinterpret_cast<RuxResizeFilterState*>(buf->state.data()));
                 },
                 false, threads});
#ifdef RUX_HAVE_OPENCV
    v.push_back({"cv",
                 [](Operands& o) {
                   cv::resize(o.in[0].mat, o.out[0].mat, o.out[0].mat.size(), 0, 0, cv::INTER_LANCZOS4);
                   return 0;
                 },
                 false, threads});
#endif
    const auto make = [](Size s) {
      return Operands{images(Image::random<std::uint8_t>(s, 1, 7)), images(Image::random<std::uint8_t>(kDst, 1, 8))};
    };
    ruxbench::addCase(threads == 1 ? "ResizeFilter_8u_C1R_Lanczos" : "ResizeFilter_8u_C1R_Lanczos-2t", make, v,
                      {ruxbench::kFullHd});
  }
}

void registerResizeYuv() {
#ifdef RUX_HAVE_OPENCV
  register420("ResizeYUV420_8u_P2R_Lanczos", 16, cv::INTER_LANCZOS4);
  register420("ResizeYUV420_8u_P2R_Super", 8, cv::INTER_AREA);
#else
  register420("ResizeYUV420_8u_P2R_Lanczos", 16, 0);
  register420("ResizeYUV420_8u_P2R_Super", 8, 0);
#endif
  register422();
  registerFilter();
}

const int kRegistered = ruxbench::addFamily(&registerResizeYuv);

}  // namespace
