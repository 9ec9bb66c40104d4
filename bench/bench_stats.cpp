// Sums, means and extrema: Sum (8u, 32f fast hint), MinMax 8u and MaxIndx 32f against OpenCV at
// 1920x1080, one thread; Sum 8u also at 4096x4096 against a read-only reference that loads the
// same bytes with the widest vectors and XORs them together (read bandwidth).
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "harness.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using ruxbench::Image;
using ruxbench::images;
using ruxbench::Operands;
using ruxbench::Size;

// Results land here so that no call is optimised away.
volatile double g_sink;

template <class T>
const T* in(const Operands& o) {
  return o.in[0].ptr<T>();
}

template <class T>
Operands oneIn(Size s) {
  return {images(Image::random<T>(s, 1, 1)), {}};
}

__attribute__((target("avx2"))) std::uint64_t xorBytesAvx2(const std::uint8_t* p, std::size_t n) {
  __m256i a0 = _mm256_setzero_si256(), a1 = a0, a2 = a0, a3 = a0;
  std::size_t i = 0;
  for (; i + 128 <= n; i += 128) {
    a0 = _mm256_xor_si256(a0, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)));
    a1 = _mm256_xor_si256(a1, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 32)));
    a2 = _mm256_xor_si256(a2, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 64)));
    a3 = _mm256_xor_si256(a3, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 96)));
  }
  std::uint64_t lanes[4];
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes),
                      _mm256_xor_si256(_mm256_xor_si256(a0, a1), _mm256_xor_si256(a2, a3)));
  std::uint64_t r = lanes[0] ^ lanes[1] ^ lanes[2] ^ lanes[3];
  for (; i < n; ++i) r ^= p[i];
  return r;
}

__attribute__((target("avx512f"))) std::uint64_t xorBytesAvx512(const std::uint8_t* p, std::size_t n) {
  __m512i a0 = _mm512_setzero_si512(), a1 = a0, a2 = a0, a3 = a0;
  std::size_t i = 0;
  for (; i + 256 <= n; i += 256) {
    a0 = _mm512_xor_si512(a0, _mm512_loadu_si512(p + i));
    a1 = _mm512_xor_si512(a1, _mm512_loadu_si512(p + i + 64));
    a2 = _mm512_xor_si512(a2, _mm512_loadu_si512(p + i + 128));
    a3 = _mm512_xor_si512(a3, _mm512_loadu_si512(p + i + 192));
  }
  std::uint64_t lanes[8];
  _mm512_storeu_si512(lanes, _mm512_xor_si512(_mm512_xor_si512(a0, a1), _mm512_xor_si512(a2, a3)));
  std::uint64_t r = 0;
  for (std::uint64_t v : lanes) r ^= v;
  for (; i < n; ++i) r ^= p[i];
  return r;
}

// Reads every input byte once with the widest vectors this processor has; contiguous images of
// 1 MiB and more are split among the run's threads.
int refRead(Operands& o) {
  static const bool avx512 = __builtin_cpu_supports("avx512f");
  std::uint64_t r = 0;
  for (const Image& img : o.in) {
    const bool contiguous = static_cast<std::size_t>(img.step()) == img.rowBytes();
    const int rows = contiguous ? 1 : img.roi().height;
    const std::size_t bytes = contiguous ? static_cast<std::size_t>(img.bytes()) : img.rowBytes();
    const int threads = contiguous && bytes >= (1u << 20) ? ruxbench::currentThreads() : 1;
    if (threads > 1) {
      const std::uint8_t* p = img.ptr<std::uint8_t>();
#pragma omp parallel for num_threads(threads) reduction(^ : r)
      for (int t = 0; t < threads; ++t) {
        const std::size_t begin = bytes * t / threads, end = bytes * (t + 1) / threads;
        r ^= avx512 ? xorBytesAvx512(p + begin, end - begin) : xorBytesAvx2(p + begin, end - begin);
      }
      continue;
    }
    for (int y = 0; y < rows; ++y) {
      const std::uint8_t* p = img.ptr<std::uint8_t>() + static_cast<std::ptrdiff_t>(y) * img.step();
      r ^= avx512 ? xorBytesAvx512(p, bytes) : xorBytesAvx2(p, bytes);
    }
  }
  g_sink = static_cast<double>(r);
  return 0;
}

void registerStats() {
  using ruxbench::addCase;
  const std::vector<Size> fullHd = {ruxbench::kFullHd};

  addCase("Sum_8u_C1R", oneIn<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 Rux64f s = 0;
                 const RuxResult r = ruxiSum_8u_C1R(in<Rux8u>(o), o.in[0].step(), o.roi(), &s);
                 g_sink = s;
                 return r;
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 g_sink = cv::sum(o.in[0].mat)[0];
                 return 0;
               }},
#endif
              {"ref", refRead},
          },
          {ruxbench::kFullHd, ruxbench::kSquare4k});

  // Three channels: against the one-channel form's speed (same bytes per second is the goal).
  addCase("Sum_8u_C3R",
          [](Size s) { return Operands{images(Image::random<Rux8u>(s, 3, 1)), {}}; },
          {
              {"rux",
               [](Operands& o) {
                 Rux64f s[3] = {};
                 const RuxResult r = ruxiSum_8u_C3R(in<Rux8u>(o), o.in[0].step(), o.roi(), s);
                 g_sink = s[0] + s[1] + s[2];
                 return r;
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 const cv::Scalar s = cv::sum(o.in[0].mat);
                 g_sink = s[0] + s[1] + s[2];
                 return 0;
               }},
#endif
              {"ref", refRead},
          },
          {ruxbench::kFullHd, ruxbench::kSquare4k});

  // Mean over the same bytes in one and three channels: the three-channel form should run at
  // the one-channel speed.
  addCase("Mean_8u_C1R", oneIn<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 Rux64f m = 0;
                 const RuxResult r = ruxiMean_8u_C1R(in<Rux8u>(o), o.in[0].step(), o.roi(), &m);
                 g_sink = m;
                 return r;
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 g_sink = cv::mean(o.in[0].mat)[0];
                 return 0;
               }},
#endif
          },
          {{3 * ruxbench::kFullHd.width, ruxbench::kFullHd.height}});
  addCase("Mean_8u_C3R",
          [](Size s) { return Operands{images(Image::random<Rux8u>(s, 3, 1)), {}}; },
          {
              {"rux",
               [](Operands& o) {
                 Rux64f m[3] = {};
                 const RuxResult r = ruxiMean_8u_C3R(in<Rux8u>(o), o.in[0].step(), o.roi(), m);
                 g_sink = m[0] + m[1] + m[2];
                 return r;
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 const cv::Scalar m = cv::mean(o.in[0].mat);
                 g_sink = m[0] + m[1] + m[2];
                 return 0;
               }},
#endif
          },
          fullHd);

  addCase("Sum_32f_C1R", oneIn<Rux32f>,
          {
              {"rux",
               [](Operands& o) {
                 Rux64f s = 0;
                 const RuxResult r =
                     ruxiSum_32f_C1R(in<Rux32f>(o), o.in[0].step(), o.roi(), &s, ruxHintFast);
                 g_sink = s;
                 return r;
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 g_sink = cv::sum(o.in[0].mat)[0];
                 return 0;
               }},
#endif
          },
          fullHd);

  addCase("Sum_32f_C1R_Accurate", oneIn<Rux32f>,
          {
              {"rux",
               [](Operands& o) {
                 Rux64f s = 0;
                 const RuxResult r =
                     ruxiSum_32f_C1R(in<Rux32f>(o), o.in[0].step(), o.roi(), &s, ruxHintAccurate);
                 g_sink = s;
                 return r;
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 g_sink = cv::sum(o.in[0].mat)[0];
                 return 0;
               }},
#endif
          },
          fullHd);

  // Values only: OpenCV is asked for no locations.
  addCase("MinMax_8u_C1R", oneIn<Rux8u>,
          {
              {"rux",
               [](Operands& o) {
                 Rux8u mn = 0, mx = 0;
                 const RuxResult r = ruxiMinMax_8u_C1R(in<Rux8u>(o), o.in[0].step(), o.roi(), &mn, &mx);
                 g_sink = mn + mx;
                 return r;
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 double mn = 0, mx = 0;
                 cv::minMaxLoc(o.in[0].mat, &mn, &mx);
                 g_sink = mn + mx;
                 return 0;
               }},
#endif
          },
          fullHd);

  addCase("MaxIndx_32f_C1R", oneIn<Rux32f>,
          {
              {"rux",
               [](Operands& o) {
                 Rux32f mx = 0;
                 int x = 0, y = 0;
                 const RuxResult r =
                     ruxiMaxIndx_32f_C1R(in<Rux32f>(o), o.in[0].step(), o.roi(), &mx, &x, &y);
                 g_sink = mx + x + y;
                 return r;
               }},
#ifdef RUX_HAVE_OPENCV
              {"cv",
               [](Operands& o) {
                 double mx = 0;
                 cv::Point loc;
                 cv::minMaxLoc(o.in[0].mat, nullptr, &mx, nullptr, &loc);
                 g_sink = mx + loc.x + loc.y;
                 return 0;
               }},
#endif
          },
          fullHd);
}

const int kRegistered = ruxbench::addFamily(&registerStats);

}  // namespace
