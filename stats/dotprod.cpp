// Dot products: DotProd of two images per channel, and DotProdCol, a weighted sum of rows.
//
// DotProd: the result is the sum of a * b over the region in raster order, in double.
// For 8u, 8s, 16u and 16s every product is an integer of at most 32 bits, so the row kernels
// sum them exactly in 64 bits and the rows are added in 128 bits (row blocks of large regions
// on the library's threads, their totals added in block order); the single rounding to double
// at the end equals the raster-order double sum whenever that sum is exact (every partial sum
// below 2^53) and is the correctly rounded total otherwise. 32u, 32s and 32f products are
// rounded to double and added one by one in raster order, so that exact order is kept.
// Validation: null (-8), then width, height < 1 or a step of 0 (-6); negative steps are walked.
//
// DotProdCol: dst[i] = w0 * row0[i], then dst[i] += wj * rowj[i] for j = 1..k-1, in the
// element type (no fused multiply-add). Columns are done in blocks held in a local buffer and
// stored once, so a destination that is also one of the rows gives the same result.
#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/norm_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

template <class T>
constexpr int dotTypeOf() {
  if constexpr (std::is_same_v<T, Rux8u>) return kDot8u;
  if constexpr (std::is_same_v<T, Rux8s>) return kDot8s;
  if constexpr (std::is_same_v<T, Rux16u>) return kDot16u;
  if constexpr (std::is_same_v<T, Rux16s>) return kDot16s;
  return -1;
}

template <class T, int C, int kOut>
RuxResult dotProd(const T* src1, int src1Step, const T* src2, int src2Step, RuxImageSize roi,
                  Rux64f* dp) {
  if (anyNull(src1, src2, dp)) return ruxStatusNullPointer;
  if (badSize(roi) || src1Step == 0 || src2Step == 0) return ruxStatusBadSize;
  double result[4];
  if constexpr (dotTypeOf<T>() >= 0) {
    const IntDotRowFn fn = normKernels().intDot[dotTypeOf<T>()][layoutIndex(C)];
    // Exact integer totals: row blocks of large regions on the library's threads, the same sum
    // for any split.
    struct Totals {
      __int128 v[4];
    };
    const long long rowBytes = 2LL * roi.width * C * static_cast<long long>(sizeof(T));
    const Totals total = par::reduceRowBlocks(
        roi.height, rowBytes, Totals{},
        [&](par::RowRange r, Totals& t) {
          const T* a = rowPtr(src1, src1Step, r.begin);
          const T* b = rowPtr(src2, src2Step, r.begin);
          const RowRun run = rowRun(src1Step, src2Step, roi.width, r.size(), C * sizeof(T));
          std::int64_t row[4];
          for (int y = 0; y < run.rows; ++y) {
            fn(rowPtr(a, src1Step, y), rowPtr(b, src2Step, y), run.pixels, row);
            for (int c = 0; c < C; ++c) t.v[c] += row[c];
          }
        },
        [](Totals& all, const Totals& t) {
          for (int c = 0; c < 4; ++c) all.v[c] += t.v[c];
        });
    for (int c = 0; c < kOut; ++c) result[c] = static_cast<double>(total.v[c]);
  } else {
    double sum[4] = {0, 0, 0, 0};
    for (int y = 0; y < roi.height; ++y) {
      const T* a = rowPtr(src1, src1Step, y);
      const T* b = rowPtr(src2, src2Step, y);
      for (int x = 0; x < roi.width; ++x) {
        for (int c = 0; c < kOut; ++c) {
          const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(x) * C + c;
          sum[c] += static_cast<double>(loadAt(a + i)) * static_cast<double>(loadAt(b + i));
        }
      }
    }
    for (int c = 0; c < kOut; ++c) result[c] = sum[c];
  }
  for (int c = 0; c < kOut; ++c) dp[c] = result[c];
  return ruxStatusOk;
}

template <class T>
RuxResult dotProdCol(const T* const rows[], const T* weights, int k, T* dst, int n) {
  if (anyNull(rows, weights, dst)) return ruxStatusNullPointer;
  if (n < 1 || k < 1) return ruxStatusBadSize;
  for (int j = 0; j < k; ++j) {
    if (rows[j] == nullptr) return ruxStatusNullPointer;
  }
  constexpr int kBlock = 512;
  T acc[kBlock];
  for (int i0 = 0; i0 < n; i0 += kBlock) {
    const int m = std::min(kBlock, n - i0);
    const T w0 = weights[0];
    const T* r0 = rows[0] + i0;
    for (int i = 0; i < m; ++i) acc[i] = w0 * r0[i];
    for (int j = 1; j < k; ++j) {
      const T w = weights[j];
      const T* r = rows[j] + i0;
      for (int i = 0; i < m; ++i) acc[i] = acc[i] + w * r[i];
    }
    std::copy(acc, acc + m, dst + i0);
  }
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

// One exported name per layout L: C memory channels, K reported, result parameter Res named V.
#define RUX_DOT_L(type, T, L, C, K, Res, V)                                                   \
  RUXAPI RuxResult ruxiDotProd_##type##64f_##L##R(const T* pSrc1, int src1Step,             \
                                                  const T* pSrc2, int src2Step,             \
                                                  RuxImageSize roiSize, Res) {                \
    return dotProd<T, C, K>(pSrc1, src1Step, pSrc2, src2Step, roiSize, V);                  \
  }
#define RUX_DOT(type, T)                               \
  RUX_DOT_L(type, T, C1, 1, 1, Rux64f* pDp, pDp)       \
  RUX_DOT_L(type, T, C3, 3, 3, Rux64f dp[3], dp)       \
  RUX_DOT_L(type, T, C4, 4, 4, Rux64f dp[4], dp)       \
  RUX_DOT_L(type, T, AC4, 4, 3, Rux64f dp[3], dp)

RUX_DOT(8u, Rux8u)
RUX_DOT(8s, Rux8s)
RUX_DOT(16u, Rux16u)
RUX_DOT(16s, Rux16s)
RUX_DOT(32u, Rux32u)
RUX_DOT(32s, Rux32s)
RUX_DOT(32f, Rux32f)

RUXAPI RuxResult ruxiDotProdCol_32f_L2(const Rux32f* const ppSrcRow[], const Rux32f* pWeights,
                                       int nWeights, Rux32f* pDst, int len) {
  return dotProdCol<Rux32f>(ppSrcRow, pWeights, nWeights, pDst, len);
}
RUXAPI RuxResult ruxiDotProdCol_64f_L2(const Rux64f* const ppSrcRow[], const Rux64f* pWeights,
                                       int nWeights, Rux64f* pDst, int len) {
  return dotProdCol<Rux64f>(ppSrcRow, pWeights, nWeights, pDst, len);
}
