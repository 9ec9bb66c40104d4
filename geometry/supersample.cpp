// SuperSampling: area-averaging reduction of a whole source region into a smaller destination.
// Each destination pixel is the mean of the source area it covers ([i W / w, (i + 1) W / w) per
// axis, partial pixels weighted by their covered fraction), through the area engine of the
// square-pixel resize (geometry/resize_area.h): covered rows summed first, then the columns, in
// double precision; integer ratios sum exactly in integers. 8u results are mean + 0.5 truncated,
// the other integer types are rounded to nearest with ties to even; all saturate. Validation:
// null pointers (-8), steps below 1 (-14), then sizes below 1 or a destination larger than the
// source in either direction (-6). Runs on the calling thread; all scratch is the caller's buffer.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "core/base.h"
#include "core/scratch.h"
#include "geometry/resize_area.h"

namespace rux {
namespace {

using namespace resize;

// Bytes of the work row: one double per covered source sample, and the 16-byte alignment.
long long bufBytes(RuxImageSize src, int channels) { return 8LL * ((src.width + 15) / 16 * 16) * channels + 16; }

RuxResult getBufSize(RuxImageSize src, RuxImageSize dst, int channels, int* pSize) {
  if (pSize == nullptr) return ruxStatusNullPointer;
  if (badSize(src) || badSize(dst) || dst.width > src.width || dst.height > src.height) return ruxStatusBadSize;
  if (channels != 1 && channels != 3 && channels != 4) return ruxStatusBadChannelCount;
  const long long bytes = bufBytes(src, channels);
  if (bytes > INT_MAX) return ruxStatusBadSize;
  *pSize = static_cast<int>(bytes);
  return ruxStatusOk;
}

template <class T, int C, int K>
RuxResult superSample(const T* const* src, int planes, int srcStep, RuxImageSize srcSize, T* const* dst, int dstStep,
                      RuxImageSize dstSize, Rux8u* pBuffer) {
  if (src == nullptr || dst == nullptr || pBuffer == nullptr) return ruxStatusNullPointer;
  for (int p = 0; p < planes; ++p)
    if (src[p] == nullptr || dst[p] == nullptr) return ruxStatusNullPointer;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  if (badSize(srcSize) || badSize(dstSize) || dstSize.width > srcSize.width || dstSize.height > srcSize.height)
    return ruxStatusBadSize;
  Job<T> job{};
  for (int p = 0; p < planes; ++p) job.src[p] = src[p], job.dst[p] = dst[p];
  job.planes = planes;
  job.srcStep = srcStep;
  job.dstStep = dstStep;
  job.srcW = srcSize.width, job.srcH = srcSize.height;
  job.x0 = 0, job.y0 = 0, job.W = dstSize.width, job.H = dstSize.height;
  job.invX = static_cast<double>(srcSize.width) / dstSize.width;
  job.invY = static_cast<double>(srcSize.height) / dstSize.height;
  job.offX = job.offY = 0.0;
  job.sx = static_cast<double>(dstSize.width) / srcSize.width;
  job.sy = static_cast<double>(dstSize.height) / srcSize.height;
  job.mode = kSuper;
  Carve measure;
  superBand<T, C, K>(job, 0, job.H, measure, false);
  // The layout fits the size query's buffer; scratch of its own only if it ever did not.
  const std::size_t need = measure.used + 15;
  Scratch<unsigned char> own(need <= static_cast<std::size_t>(bufBytes(srcSize, C)) ? 0 : static_cast<long long>(need));
  if (need > static_cast<std::size_t>(bufBytes(srcSize, C)) && !own) return ruxStatusNoMemory;
  unsigned char* base = own ? own.get() : pBuffer;
  Carve mem;
  mem.base = reinterpret_cast<unsigned char*>((reinterpret_cast<std::uintptr_t>(base) + 15) & ~std::uintptr_t{15});
  superBand<T, C, K>(job, 0, job.H, mem, true);
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

RUXAPI RuxResult ruxiSuperSamplingGetBufSize(RuxImageSize srcRoiSize, RuxImageSize dstRoiSize, int nChannel,
                                             int* pBufSize) {
  return getBufSize(srcRoiSize, dstRoiSize, nChannel, pBufSize);
}

#define RUX_SUPER_PACKED(S, T, L, C, K)                                                                            \
  RUXAPI RuxResult ruxiSuperSampling_##S##_##L(const T* pSrc, int srcStep, RuxImageSize srcRoiSize, T* pDst,       \
                                               int dstStep, RuxImageSize dstRoiSize, Rux8u* pBuffer) {             \
    const T* s[1] = {pSrc};                                                                                        \
    T* d[1] = {pDst};                                                                                              \
    return superSample<T, C, K>(pSrc ? s : nullptr, 1, srcStep, srcRoiSize, pDst ? d : nullptr, dstStep,          \
                                dstRoiSize, pBuffer);                                                              \
  }
#define RUX_SUPER_PLANAR(S, T, N)                                                                                  \
  RUXAPI RuxResult ruxiSuperSampling_##S##_P##N##R(const T* const pSrc[N], int srcStep, RuxImageSize srcRoiSize,   \
                                                  T* const pDst[N], int dstStep, RuxImageSize dstRoiSize,           \
                                                  Rux8u* pBuffer) {                                                \
    return superSample<T, 1, 1>(pSrc, N, srcStep, srcRoiSize, pDst, dstStep, dstRoiSize, pBuffer);                 \
  }
#define RUX_SUPER_TYPE(S, T)                                                                                       \
  RUX_SUPER_PACKED(S, T, C1R, 1, 1)                                                                                \
  RUX_SUPER_PACKED(S, T, C3R, 3, 3)                                                                                \
  RUX_SUPER_PACKED(S, T, C4R, 4, 4)                                                                                \
  RUX_SUPER_PACKED(S, T, AC4R, 4, 3)                                                                               \
  RUX_SUPER_PLANAR(S, T, 3)                                                                                        \
  RUX_SUPER_PLANAR(S, T, 4)

RUX_SUPER_TYPE(8u, Rux8u)
RUX_SUPER_TYPE(16u, Rux16u)
RUX_SUPER_TYPE(16s, Rux16s)
RUX_SUPER_TYPE(32f, Rux32f)
