// Alpha composition: AlphaComp, AlphaCompC, AlphaPremul, AlphaPremulC, CompColorKey and
// AlphaCompColorKey.
//
// Operation codes 0..5 (over, in, out, atop, xor, plus) premultiply the colours of A and B by
// their alphas first; codes 6..11 are the same operations on inputs that are already
// premultiplied. Results are premultiplied. Every product with alpha is floor(x * a / M), every
// sum of two terms saturates, M being the type's maximum (255, 65535, ...). 8u and 16u run the
// vector kernels of primitives/alpha_kernels; the other types run one sample at a time here.
//
// Signed and 32-bit types: products are formed exactly in 64-bit integers and floored (toward
// minus infinity, so negative colours stay exact for a = M); an alpha below 0 counts as 0, so
// every alpha factor lies in 0..M; sums saturate to the type's whole range (for signed colours
// both ends). 32f: products and sums in double precision with M = 1, stored as float, neither
// alpha nor results clamped (float data has no saturation).
//
// Layouts: AlphaComp AC4 composes all four channels (the result alpha is the operation applied
// to the alphas: over gives aA + aB * (M - aA)); AC1 images hold alphas only, so codes k and
// k + 6 agree. AlphaCompC treats every channel of C1, C3, C4 as colour, keeps the destination
// alpha of AC4 and composes only the first three planes of AP4. AlphaPremul copies the alpha
// sample, AlphaPremulC sets it to the constant (AC4 and AP4).
// Validation: null pointers (every plane of AP4) -8, then size -6, then the operation code -50.
// Steps are not checked; rows advance by the caller's step in bytes.
// Regions of 1 MiB touched and more run in row blocks on threads.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "primitives/unaligned.h"
#include "core/base.h"
#include "core/parallel.h"
#include "primitives/alpha_kernels.h"

namespace rux {
namespace {

constexpr int kOpCount = 2 * kAlphaOps;

bool badOp(int op, int count = kOpCount) { return op < 0 || op >= count; }

// ---- one sample at a time: 8s, 16s, 32s, 32u, 32f (and the colour-key composition of 8u) -------

template <class T>
struct Arith {
  using A = std::conditional_t<std::is_floating_point_v<T>, double,
                               std::conditional_t<std::is_same_v<T, Rux32u>, std::uint64_t,
                                                  std::int64_t>>;
  static constexpr A kMax = std::is_floating_point_v<T> ? A(1) : A(std::numeric_limits<T>::max());

  static A alpha(T v) {
    if constexpr (std::is_floating_point_v<T>) return v;
    return v < 0 ? A(0) : A(v);
  }
  static A mul(A x, A a) {
    if constexpr (std::is_floating_point_v<T>) {
      return x * a;
    } else {
      const A p = x * a;
      A q = p / kMax;
      if constexpr (std::is_signed_v<A>) {
        if (p < 0 && q * kMax != p) --q;
      }
      return q;
    }
  }
  static A sum(A x, A y) {
    if constexpr (std::is_floating_point_v<T>) {
      return x + y;
    } else {
      return std::clamp<A>(x + y, A(std::numeric_limits<T>::min()), kMax);
    }
  }
  static T out(A v) { return static_cast<T>(v); }
};

template <class T>
typename Arith<T>::A compose(int op, typename Arith<T>::A ap, typename Arith<T>::A bp,
                             typename Arith<T>::A aa, typename Arith<T>::A ba) {
  using Ar = Arith<T>;
  const auto na = Ar::kMax - aa, nb = Ar::kMax - ba;
  switch (op) {
    case kAlphaOver: return Ar::sum(ap, Ar::mul(bp, na));
    case kAlphaIn: return Ar::mul(ap, ba);
    case kAlphaOut: return Ar::mul(ap, nb);
    case kAlphaAtop: return Ar::sum(Ar::mul(ap, ba), Ar::mul(bp, na));
    case kAlphaXor: return Ar::sum(Ar::mul(ap, nb), Ar::mul(bp, na));
    default: return Ar::sum(ap, bp);
  }
}

template <class T>
void compAC4Generic(int op, bool pre, ConstSamplePtr<T> a, ConstSamplePtr<T> b, SamplePtr<T> dst,
                    std::size_t n) {
  using Ar = Arith<T>;
  for (std::size_t x = 0; x < n; ++x, a += 4, b += 4, dst += 4) {
    const auto aa = Ar::alpha(a[3]), ba = Ar::alpha(b[3]);
    typename Ar::A r[4];
    for (int c = 0; c < 3; ++c) {
      const auto ap = pre ? typename Ar::A(a[c]) : Ar::mul(a[c], aa);
      const auto bp = pre ? typename Ar::A(b[c]) : Ar::mul(b[c], ba);
      r[c] = compose<T>(op, ap, bp, aa, ba);
    }
    r[3] = compose<T>(op, aa, ba, aa, ba);
    for (int c = 0; c < 4; ++c) dst[c] = Ar::out(r[c]);
  }
}

template <class T>
void compAC1Generic(int op, ConstSamplePtr<T> a, ConstSamplePtr<T> b, SamplePtr<T> dst, std::size_t n) {
  using Ar = Arith<T>;
  for (std::size_t x = 0; x < n; ++x) {
    const auto aa = Ar::alpha(a[x]), ba = Ar::alpha(b[x]);
    dst[x] = Ar::out(compose<T>(op, aa, ba, aa, ba));
  }
}

template <class T>
void compConstGeneric(int op, bool pre, ConstSamplePtr<T> a, ConstSamplePtr<T> b, SamplePtr<T> dst, std::size_t n,
                      typename Arith<T>::A aa, typename Arith<T>::A ba) {
  using Ar = Arith<T>;
  for (std::size_t x = 0; x < n; ++x) {
    const auto ap = pre ? typename Ar::A(a[x]) : Ar::mul(a[x], aa);
    const auto bp = pre ? typename Ar::A(b[x]) : Ar::mul(b[x], ba);
    dst[x] = Ar::out(compose<T>(op, ap, bp, aa, ba));
  }
}

template <class T>
constexpr bool kVector = std::is_same_v<T, Rux8u> || std::is_same_v<T, Rux16u>;
template <class T>
constexpr int kSize = sizeof(T) == 1 ? 0 : 1;

// ---- drivers ----------------------------------------------------------------------------------------

// Bytes a row of the region touches: samplesPerPixel summed over every image read or written.
template <class T>
long long touched(RuxImageSize roi, int samplesPerPixel) {
  return static_cast<long long>(roi.width) * samplesPerPixel * static_cast<long long>(sizeof(T));
}

template <class T, int C>
RuxResult alphaComp(const T* a, int aStep, const T* b, int bStep, T* dst, int dstStep,
                    RuxImageSize roi, int op) {
  if (anyNull(a, b, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (badOp(op)) return ruxStatusBadCompositeOp;
  const int k = op % kAlphaOps;
  const bool pre = op >= kAlphaOps;
  const auto n = static_cast<std::size_t>(roi.width);
  AlphaCompRowFn row = nullptr;
  if constexpr (kVector<T>) {
    const AlphaKernels& kt = alphaKernels();
    row = C == 4 ? kt.compAC4[kSize<T>][k][pre] : kt.compAC1[kSize<T>][k];
  }
  par::forEachRowBlockBySize(roi.height, touched<T>(roi, 3 * C), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const T* ar = rowPtr(a, aStep, y);
      const T* br = rowPtr(b, bStep, y);
      T* dr = rowPtr(dst, dstStep, y);
      if constexpr (kVector<T>) {
        row(ar, br, dr, n);
      } else if constexpr (C == 4) {
        compAC4Generic<T>(k, pre, ar, br, dr, n);
      } else {
        compAC1Generic<T>(k, ar, br, dr, n);
      }
    }
  });
  return ruxStatusOk;
}

template <class T>
bool anyNullPlane(const T* const* planes, int count = 4) {
  if (planes == nullptr) return true;
  for (int c = 0; c < count; ++c) {
    if (planes[c] == nullptr) return true;
  }
  return false;
}

template <class T>
RuxResult alphaCompAP4(const T* const a[4], int aStep, const T* const b[4], int bStep,
                       T* const dst[4], int dstStep, RuxImageSize roi, int op) {
  if (anyNullPlane(a) || anyNullPlane(b) || anyNullPlane(dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (badOp(op)) return ruxStatusBadCompositeOp;
  const AlphaCompPlanesRowFn row = alphaKernels().compAP4[kSize<T>][op % kAlphaOps][op >= kAlphaOps];
  par::forEachRowBlockBySize(roi.height, touched<T>(roi, 12), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const void* ar[4];
      const void* br[4];
      void* dr[4];
      for (int c = 0; c < 4; ++c) {
        ar[c] = rowPtr(a[c], aStep, y);
        br[c] = rowPtr(b[c], bStep, y);
        dr[c] = rowPtr(dst[c], dstStep, y);
      }
      row(ar, br, dr, static_cast<std::size_t>(roi.width));
    }
  });
  return ruxStatusOk;
}

// C: channels per pixel (all colour); kAlpha: AC4, destination alpha kept.
template <class T, int C, bool kAlpha>
RuxResult alphaCompC(const T* a, int aStep, T alphaA, const T* b, int bStep, T alphaB, T* dst,
                     int dstStep, RuxImageSize roi, int op) {
  if (anyNull(a, b, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (badOp(op)) return ruxStatusBadCompositeOp;
  const int k = op % kAlphaOps;
  const bool pre = op >= kAlphaOps;
  const auto n = static_cast<std::size_t>(roi.width) * (kAlpha ? 1 : C);
  par::forEachRowBlockBySize(roi.height, touched<T>(roi, 3 * (kAlpha ? 4 : C)), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const T* ar = rowPtr(a, aStep, y);
      const T* br = rowPtr(b, bStep, y);
      T* dr = rowPtr(dst, dstStep, y);
      if constexpr (kVector<T>) {
        alphaKernels().compC[kSize<T>][k][pre][kAlpha](ar, br, dr, n, alphaA, alphaB);
      } else {
        static_assert(C == 1 && !kAlpha, "the other types have C1 only");
        compConstGeneric<T>(k, pre, ar, br, dr, n, Arith<T>::alpha(alphaA), Arith<T>::alpha(alphaB));
      }
    }
  });
  return ruxStatusOk;
}

template <class T>
RuxResult alphaCompCAP4(const T* const a[4], int aStep, T alphaA, const T* const b[4], int bStep,
                        T alphaB, T* const dst[4], int dstStep, RuxImageSize roi, int op) {
  if (anyNullPlane(a) || anyNullPlane(b) || anyNullPlane(dst)) return ruxStatusNullPointer;
  for (int c = 0; c < 3; ++c) {
    const RuxResult r =
        alphaCompC<T, 1, false>(a[c], aStep, alphaA, b[c], bStep, alphaB, dst[c], dstStep, roi, op);
    if (r != ruxStatusOk) return r;
  }
  return ruxStatusOk;
}

template <class T>
RuxResult alphaPremul(const T* src, int srcStep, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const PremulRowFn row = alphaKernels().premulAC4[kSize<T>];
  par::forEachRowBlockBySize(roi.height, touched<T>(roi, 8), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), static_cast<std::size_t>(roi.width));
    }
  });
  return ruxStatusOk;
}

template <class T>
RuxResult alphaPremulAP4(const T* const src[4], int srcStep, T* const dst[4], int dstStep,
                         RuxImageSize roi) {
  if (anyNullPlane(src) || anyNullPlane(dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const PremulPlanesRowFn row = alphaKernels().premulAP4[kSize<T>];
  par::forEachRowBlockBySize(roi.height, touched<T>(roi, 8), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const void* sr[4];
      void* dr[4];
      for (int c = 0; c < 4; ++c) {
        sr[c] = rowPtr(src[c], srcStep, y);
        dr[c] = rowPtr(dst[c], dstStep, y);
      }
      row(sr, dr, static_cast<std::size_t>(roi.width));
    }
  });
  return ruxStatusOk;
}

// C channels, all colour; kAlpha: AC4 with the alpha sample set to the constant.
template <class T, int C, bool kAlpha>
RuxResult alphaPremulC(const T* src, int srcStep, T alpha, T* dst, int dstStep, RuxImageSize roi) {
  if (anyNull(src, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const PremulConstRowFn row = alphaKernels().premulC[kSize<T>][kAlpha];
  const auto n = static_cast<std::size_t>(roi.width) * (kAlpha ? 1 : C);
  par::forEachRowBlockBySize(roi.height, touched<T>(roi, 2 * (kAlpha ? 4 : C)), [&](par::RowRange r) {
    for (int y = r.begin; y < r.end; ++y) row(rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), n, alpha);
  });
  return ruxStatusOk;
}

template <class T>
RuxResult alphaPremulCAP4(const T* const src[4], int srcStep, T alpha, T* const dst[4],
                          int dstStep, RuxImageSize roi) {
  if (anyNullPlane(src) || anyNullPlane(dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  const PremulConstRowFn row = alphaKernels().premulC[kSize<T>][0];
  const auto n = static_cast<std::size_t>(roi.width);
  par::forEachRowBlockBySize(roi.height, touched<T>(roi, 7), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      for (int c = 0; c < 3; ++c) row(rowPtr(src[c], srcStep, y), rowPtr(dst[c], dstStep, y), n, alpha);
      const SamplePtr<T> ar(rowPtr(dst[3], dstStep, y));
      for (std::size_t x = 0; x < n; ++x) ar[x] = alpha;
    }
  });
  return ruxStatusOk;
}

template <class T, int C>
RuxResult compColorKey(const T* a, int aStep, const T* b, int bStep, T* dst, int dstStep,
                       RuxImageSize roi, const T* key) {
  if (anyNull(a, b, dst, key)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  T k[C];
  std::copy(key, key + C, k);
  par::forEachRowBlockBySize(roi.height, touched<T>(roi, 3 * C), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const T* ar = rowPtr(a, aStep, y);
      const T* br = rowPtr(b, bStep, y);
      T* dr = rowPtr(dst, dstStep, y);
      for (int x = 0; x < roi.width * C; x += C) {
        bool keyed = true;
        for (int c = 0; c < C; ++c) keyed &= loadSample<T>(ar + x + c) == k[c];
        const T* from = keyed ? br + x : ar + x;
        T pixel[C];
        std::memcpy(pixel, from, sizeof(pixel));  // whole pixel read before dst (which may alias) is written
        std::memcpy(dr + x, pixel, sizeof(pixel));
      }
    }
  });
  return ruxStatusOk;
}

RuxResult alphaCompColorKey(const Rux8u* a, int aStep, Rux8u alphaA, const Rux8u* b, int bStep,
                            Rux8u alphaB, Rux8u* dst, int dstStep, RuxImageSize roi,
                            const Rux8u* key, int op) {
  if (anyNull(a, b, dst, key)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (badOp(op, kAlphaOps)) return ruxStatusBadCompositeOp;
  using Ar = Arith<Rux8u>;
  const Rux8u k[4] = {key[0], key[1], key[2], key[3]};
  par::forEachRowBlockBySize(roi.height, touched<Rux8u>(roi, 12), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const Rux8u* ar = rowPtr(a, aStep, y);
      const Rux8u* br = rowPtr(b, bStep, y);
      Rux8u* dr = rowPtr(dst, dstStep, y);
      for (int x = 0; x < roi.width * 4; x += 4) {
        Rux8u r[3];
        if (ar[x] == k[0] && ar[x + 1] == k[1] && ar[x + 2] == k[2] && ar[x + 3] == k[3]) {
          for (int c = 0; c < 3; ++c) r[c] = br[x + c];
        } else {
          for (int c = 0; c < 3; ++c) {
            r[c] = Ar::out(compose<Rux8u>(op, Ar::mul(ar[x + c], alphaA), Ar::mul(br[x + c], alphaB),
                                          alphaA, alphaB));
          }
        }
        for (int c = 0; c < 3; ++c) dr[x + c] = r[c];
      }
    }
  });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

// ---- AlphaComp ----------------------------------------------------------------------------------
#define RUX_ALPHA_COMP(type, T, lay, C)                                                            \
  RUXAPI RuxResult ruxiAlphaComp_##type##_##lay##R(const T* pSrc1, int src1Step, const T* pSrc2,   \
                                                   int src2Step, T* pDst, int dstStep,             \
                                                   RuxImageSize roiSize, RuxCompositeOp alphaType) {          \
    return alphaComp<T, C>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, alphaType);   \
  }
#define RUX_ALPHA_COMP_AP4(type, T)                                                                \
  RUXAPI RuxResult ruxiAlphaComp_##type##_AP4R(const T* const pSrc1[4], int src1Step,              \
                                               const T* const pSrc2[4], int src2Step,              \
                                               T* const pDst[4], int dstStep,                      \
                                               RuxImageSize roiSize, RuxCompositeOp alphaType) {              \
    return alphaCompAP4<T>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, alphaType);   \
  }
#define RUX_ALPHA_COMP_ALL(type, T) RUX_ALPHA_COMP(type, T, AC1, 1) RUX_ALPHA_COMP(type, T, AC4, 4)
RUX_ALPHA_COMP_ALL(8u, Rux8u)
RUX_ALPHA_COMP_ALL(16u, Rux16u)
RUX_ALPHA_COMP_ALL(8s, Rux8s)
RUX_ALPHA_COMP_ALL(16s, Rux16s)
RUX_ALPHA_COMP_ALL(32s, Rux32s)
RUX_ALPHA_COMP_ALL(32u, Rux32u)
RUX_ALPHA_COMP_ALL(32f, Rux32f)
RUX_ALPHA_COMP_AP4(8u, Rux8u)
RUX_ALPHA_COMP_AP4(16u, Rux16u)

// ---- AlphaCompC -----------------------------------------------------------------------------------
#define RUX_ALPHA_COMPC(type, T, lay, C, kAlpha)                                                     \
  RUXAPI RuxResult ruxiAlphaCompC_##type##_##lay##R(const T* pSrc1, int src1Step, T alpha1,          \
                                                    const T* pSrc2, int src2Step, T alpha2,          \
                                                    T* pDst, int dstStep, RuxImageSize roiSize,      \
                                                    RuxCompositeOp alphaType) {                                 \
    return alphaCompC<T, C, kAlpha>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst,          \
                                    dstStep, roiSize, alphaType);                                    \
  }
#define RUX_ALPHA_COMPC_AP4(type, T)                                                                 \
  RUXAPI RuxResult ruxiAlphaCompC_##type##_AP4R(const T* const pSrc1[4], int src1Step, T alpha1,     \
                                                const T* const pSrc2[4], int src2Step, T alpha2,     \
                                                T* const pDst[4], int dstStep,                       \
                                                RuxImageSize roiSize, RuxCompositeOp alphaType) {               \
    return alphaCompCAP4<T>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst, dstStep,         \
                            roiSize, alphaType);                                                     \
  }
#define RUX_ALPHA_COMPC_ALL(type, T)                                                               \
  RUX_ALPHA_COMPC(type, T, C1, 1, false) RUX_ALPHA_COMPC(type, T, C3, 3, false)                    \
  RUX_ALPHA_COMPC(type, T, C4, 4, false) RUX_ALPHA_COMPC(type, T, AC4, 4, true)                    \
  RUX_ALPHA_COMPC_AP4(type, T)
RUX_ALPHA_COMPC_ALL(8u, Rux8u)
RUX_ALPHA_COMPC_ALL(16u, Rux16u)
RUX_ALPHA_COMPC(8s, Rux8s, C1, 1, false)
RUX_ALPHA_COMPC(16s, Rux16s, C1, 1, false)
RUX_ALPHA_COMPC(32s, Rux32s, C1, 1, false)
RUX_ALPHA_COMPC(32u, Rux32u, C1, 1, false)
RUX_ALPHA_COMPC(32f, Rux32f, C1, 1, false)

// ---- AlphaPremul ------------------------------------------------------------------------------------
#define RUX_ALPHA_PREMUL(type, T)                                                                  \
  RUXAPI RuxResult ruxiAlphaPremul_##type##_AC4R(const T* pSrc, int srcStep, T* pDst, int dstStep, \
                                                 RuxImageSize roiSize) {                           \
    return alphaPremul<T>(pSrc, srcStep, pDst, dstStep, roiSize);                                  \
  }                                                                                                \
  RUXAPI RuxResult ruxiAlphaPremul_##type##_AC4IR(T* pSrcDst, int srcDstStep,                      \
                                                  RuxImageSize roiSize) {                          \
    return alphaPremul<T>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);                      \
  }                                                                                                \
  RUXAPI RuxResult ruxiAlphaPremul_##type##_AP4R(const T* const pSrc[4], int srcStep,              \
                                                 T* const pDst[4], int dstStep,                    \
                                                 RuxImageSize roiSize) {                           \
    return alphaPremulAP4<T>(pSrc, srcStep, pDst, dstStep, roiSize);                               \
  }                                                                                                \
  RUXAPI RuxResult ruxiAlphaPremul_##type##_AP4IR(T* const pSrcDst[4], int srcDstStep,             \
                                                  RuxImageSize roiSize) {                          \
    return alphaPremulAP4<T>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);                   \
  }
RUX_ALPHA_PREMUL(8u, Rux8u)
RUX_ALPHA_PREMUL(16u, Rux16u)

// ---- AlphaPremulC -----------------------------------------------------------------------------------
#define RUX_ALPHA_PREMULC(type, T, lay, C, kAlpha)                                                 \
  RUXAPI RuxResult ruxiAlphaPremulC_##type##_##lay##R(const T* pSrc, int srcStep, T alpha,         \
                                                      T* pDst, int dstStep,                        \
                                                      RuxImageSize roiSize) {                      \
    return alphaPremulC<T, C, kAlpha>(pSrc, srcStep, alpha, pDst, dstStep, roiSize);               \
  }                                                                                                \
  RUXAPI RuxResult ruxiAlphaPremulC_##type##_##lay##IR(T alpha, T* pSrcDst, int srcDstStep,        \
                                                       RuxImageSize roiSize) {                     \
    return alphaPremulC<T, C, kAlpha>(pSrcDst, srcDstStep, alpha, pSrcDst, srcDstStep, roiSize);   \
  }
#define RUX_ALPHA_PREMULC_ALL(type, T)                                                             \
  RUX_ALPHA_PREMULC(type, T, C1, 1, false) RUX_ALPHA_PREMULC(type, T, C3, 3, false)                \
  RUX_ALPHA_PREMULC(type, T, C4, 4, false) RUX_ALPHA_PREMULC(type, T, AC4, 4, true)                \
  RUXAPI RuxResult ruxiAlphaPremulC_##type##_AP4R(const T* const pSrc[4], int srcStep, T alpha,    \
                                                  T* const pDst[4], int dstStep,                   \
                                                  RuxImageSize roiSize) {                          \
    return alphaPremulCAP4<T>(pSrc, srcStep, alpha, pDst, dstStep, roiSize);                       \
  }                                                                                                \
  RUXAPI RuxResult ruxiAlphaPremulC_##type##_AP4IR(T alpha, T* const pSrcDst[4], int srcDstStep,   \
                                                   RuxImageSize roiSize) {                         \
    return alphaPremulCAP4<T>(pSrcDst, srcDstStep, alpha, pSrcDst, srcDstStep, roiSize);           \
  }
RUX_ALPHA_PREMULC_ALL(8u, Rux8u)
RUX_ALPHA_PREMULC_ALL(16u, Rux16u)

// ---- CompColorKey and AlphaCompColorKey ---------------------------------------------------------------
#define RUX_COLOR_KEY(type, T)                                                                     \
  RUXAPI RuxResult ruxiCompColorKey_##type##_C1R(const T* pSrc1, int src1Step, const T* pSrc2,     \
                                                 int src2Step, T* pDst, int dstStep,               \
                                                 RuxImageSize roiSize, T colorKey) {               \
    return compColorKey<T, 1>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize,            \
                              &colorKey);                                                          \
  }                                                                                                \
  RUXAPI RuxResult ruxiCompColorKey_##type##_C3R(const T* pSrc1, int src1Step, const T* pSrc2,     \
                                                 int src2Step, T* pDst, int dstStep,               \
                                                 RuxImageSize roiSize, const T colorKey[3]) {      \
    return compColorKey<T, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, colorKey); \
  }                                                                                                \
  RUXAPI RuxResult ruxiCompColorKey_##type##_C4R(const T* pSrc1, int src1Step, const T* pSrc2,     \
                                                 int src2Step, T* pDst, int dstStep,               \
                                                 RuxImageSize roiSize, const T colorKey[4]) {      \
    return compColorKey<T, 4>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, colorKey); \
  }
RUX_COLOR_KEY(8u, Rux8u)
RUX_COLOR_KEY(16u, Rux16u)
RUX_COLOR_KEY(16s, Rux16s)

RUXAPI RuxResult ruxiAlphaCompColorKey_8u_AC4R(const Rux8u* pSrc1, int src1Step, Rux8u alpha1,
                                               const Rux8u* pSrc2, int src2Step, Rux8u alpha2,
                                               Rux8u* pDst, int dstStep, RuxImageSize roiSize,
                                               const Rux8u colorKey[4], RuxCompositeOp alphaType) {
  return alphaCompColorKey(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst, dstStep, roiSize,
                           colorKey, alphaType);
}
