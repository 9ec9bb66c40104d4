// LUTPalette family: every sample indexes a caller's table with its low nBitSize bits.
//
// Same-type members map channel c through table c (AC4 keeps the destination alpha); the
// type-changing members write the table entry (24u: 3 bytes per entry and per pixel). C3A0C4
// turns three source channels into four destination channels with a constant alpha first (Swap:
// colour channels reversed, alpha last); an alpha value outside the destination type's range
// leaves that channel as it is. 8u C1 expands the palette into a 256-entry map and goes through
// the vector byte look-up. Validation: null pointers including every table (-8), size (-6),
// nBitSize outside 1..8 (8u) or 1..16 (16u) (-11); steps are not checked.
// Regions of 1 MiB touched and more run in row blocks on threads.
#include <cstring>
#include <limits>

#include "core/base.h"
#include "core/parallel.h"
#include "primitives/lut_kernels.h"
#include "primitives/unaligned.h"

namespace rux {
namespace {

template <class S>
RuxResult checkBits(int nBitSize) {
  constexpr int kMaxBits = 8 * sizeof(S);
  return nBitSize < 1 || nBitSize > kMaxBits ? ruxStatusOutOfRange : ruxStatusOk;
}

template <class S, class D, int C, int NCH>
RuxResult palette(const S* src, int srcStep, D* dst, int dstStep, RuxImageSize roi,
                  const D* const* tables, int nBitSize) {
  if (anyNull(src, dst, tables)) return ruxStatusNullPointer;
  for (int c = 0; c < NCH; ++c) {
    if (tables[c] == nullptr) return ruxStatusNullPointer;
  }
  if (badSize(roi)) return ruxStatusBadSize;
  if (const RuxResult st = checkBits<S>(nBitSize); st != ruxStatusOk) return st;
  const unsigned mask = (1u << nBitSize) - 1u;
  if constexpr (sizeof(S) == 1 && sizeof(D) == 1 && C == 1) {
    Rux8u map[256];
    for (unsigned v = 0; v < 256; ++v) map[v] = tables[0][v & mask];
    const ByteLutRowFn row = lutKernels().byteLut;
    par::forEachRowBlockBySize(roi.height, 2LL * roi.width, [&](par::RowRange rr) {
      for (int y = rr.begin; y < rr.end; ++y) {
        row(map, rowPtr(src, srcStep, y), rowPtr(dst, dstStep, y), static_cast<std::size_t>(roi.width));
      }
    });
    return ruxStatusOk;
  }
  par::forEachRowBlockBySize(roi.height, static_cast<long long>(roi.width) * C * static_cast<long long>(sizeof(S) + sizeof(D)), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const S* s = rowPtr(src, srcStep, y);
      D* d = rowPtr(dst, dstStep, y);
      for (int x = 0; x < roi.width; ++x, s += C, d += C) {
        for (int c = 0; c < NCH; ++c) storeAt(d + c, tables[c][loadAt(s + c) & mask]);
      }
    }
  });
  return ruxStatusOk;
}

// 24u destination: table entries and destination pixels of 3 bytes.
template <class S>
RuxResult palette24(const S* src, int srcStep, Rux8u* dst, int dstStep, RuxImageSize roi,
                    const Rux8u* table, int nBitSize) {
  if (anyNull(src, dst, table)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (const RuxResult st = checkBits<S>(nBitSize); st != ruxStatusOk) return st;
  const unsigned mask = (1u << nBitSize) - 1u;
  par::forEachRowBlockBySize(roi.height, static_cast<long long>(roi.width) * (sizeof(S) + 3), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const S* s = rowPtr(src, srcStep, y);
      Rux8u* d = rowPtr(dst, dstStep, y);
      for (int x = 0; x < roi.width; ++x) std::memcpy(d + 3 * x, table + 3 * (loadAt(s + x) & mask), 3);
    }
  });
  return ruxStatusOk;
}

// Three source channels into four destination channels: colour channel k goes to position
// kFirstColour + k (Swap: 2 - k) and the alpha value to kAlphaAt.
template <class T, bool kSwap>
RuxResult paletteToFour(const T* src, int srcStep, int alphaValue, T* dst, int dstStep,
                        RuxImageSize roi, const T* const* tables, int nBitSize) {
  if (anyNull(src, dst, tables)) return ruxStatusNullPointer;
  for (int c = 0; c < 3; ++c) {
    if (tables[c] == nullptr) return ruxStatusNullPointer;
  }
  if (badSize(roi)) return ruxStatusBadSize;
  if (const RuxResult st = checkBits<T>(nBitSize); st != ruxStatusOk) return st;
  const unsigned mask = (1u << nBitSize) - 1u;
  constexpr int kAlphaAt = kSwap ? 3 : 0;
  const bool writeAlpha = alphaValue >= 0 && alphaValue <= std::numeric_limits<T>::max();
  const T alpha = static_cast<T>(writeAlpha ? alphaValue : 0);
  par::forEachRowBlockBySize(roi.height, static_cast<long long>(roi.width) * 7 * static_cast<long long>(sizeof(T)), [&](par::RowRange rr) {
    for (int y = rr.begin; y < rr.end; ++y) {
      const T* s = rowPtr(src, srcStep, y);
      T* d = rowPtr(dst, dstStep, y);
      for (int x = 0; x < roi.width; ++x, s += 3, d += 4) {
        for (int k = 0; k < 3; ++k) {
          const int at = kSwap ? 2 - k : 1 + k;
          storeAt(d + at, tables[k][loadAt(s + k) & mask]);
        }
        if (writeAlpha) storeAt(d + kAlphaAt, alpha);
      }
    }
  });
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_PALETTE(type, T)                                                                       \
  RUXAPI RuxResult ruxiLUTPalette_##type##_C1R(const T* pSrc, int srcStep, T* pDst, int dstStep,   \
                                               RuxImageSize roiSize, const T* pTable,              \
                                               int nBitSize) {                                     \
    return palette<T, T, 1, 1>(pSrc, srcStep, pDst, dstStep, roiSize, &pTable, nBitSize);          \
  }                                                                                                \
  RUXAPI RuxResult ruxiLUTPalette_##type##_C3R(const T* pSrc, int srcStep, T* pDst, int dstStep,   \
                                               RuxImageSize roiSize, const T* const pTable[3],     \
                                               int nBitSize) {                                     \
    return palette<T, T, 3, 3>(pSrc, srcStep, pDst, dstStep, roiSize, pTable, nBitSize);           \
  }                                                                                                \
  RUXAPI RuxResult ruxiLUTPalette_##type##_C4R(const T* pSrc, int srcStep, T* pDst, int dstStep,   \
                                               RuxImageSize roiSize, const T* const pTable[4],     \
                                               int nBitSize) {                                     \
    return palette<T, T, 4, 4>(pSrc, srcStep, pDst, dstStep, roiSize, pTable, nBitSize);           \
  }                                                                                                \
  RUXAPI RuxResult ruxiLUTPalette_##type##_AC4R(const T* pSrc, int srcStep, T* pDst, int dstStep,  \
                                                RuxImageSize roiSize, const T* const pTable[3],    \
                                                int nBitSize) {                                    \
    return palette<T, T, 4, 3>(pSrc, srcStep, pDst, dstStep, roiSize, pTable, nBitSize);           \
  }                                                                                                \
  RUXAPI RuxResult ruxiLUTPalette_##type##_C3A0C4R(const T* pSrc, int srcStep, int alphaValue,     \
                                                   T* pDst, int dstStep, RuxImageSize roiSize,     \
                                                   const T* const pTable[3], int nBitSize) {       \
    return paletteToFour<T, false>(pSrc, srcStep, alphaValue, pDst, dstStep, roiSize, pTable,      \
                                   nBitSize);                                                      \
  }                                                                                                \
  RUXAPI RuxResult ruxiLUTPaletteSwap_##type##_C3A0C4R(const T* pSrc, int srcStep, int alphaValue, \
                                                       T* pDst, int dstStep, RuxImageSize roiSize, \
                                                       const T* const pTable[3], int nBitSize) {   \
    return paletteToFour<T, true>(pSrc, srcStep, alphaValue, pDst, dstStep, roiSize, pTable,       \
                                  nBitSize);                                                       \
  }

RUX_PALETTE(8u, Rux8u)
RUX_PALETTE(16u, Rux16u)

#define RUX_PALETTE_TO(stype, S, dtype, D)                                                         \
  RUXAPI RuxResult ruxiLUTPalette_##stype##dtype##_C1R(const S* pSrc, int srcStep, D* pDst,        \
                                                       int dstStep, RuxImageSize roiSize,          \
                                                       const D* pTable, int nBitSize) {            \
    return palette<S, D, 1, 1>(pSrc, srcStep, pDst, dstStep, roiSize, &pTable, nBitSize);          \
  }
RUX_PALETTE_TO(8u, Rux8u, 32u, Rux32u)
RUX_PALETTE_TO(16u, Rux16u, 8u, Rux8u)
RUX_PALETTE_TO(16u, Rux16u, 32u, Rux32u)

RUXAPI RuxResult ruxiLUTPalette_8u24u_C1R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep,
                                          RuxImageSize roiSize, const Rux8u* pTable, int nBitSize) {
  return palette24(pSrc, srcStep, pDst, dstStep, roiSize, pTable, nBitSize);
}
RUXAPI RuxResult ruxiLUTPalette_16u24u_C1R(const Rux16u* pSrc, int srcStep, Rux8u* pDst,
                                           int dstStep, RuxImageSize roiSize, const Rux8u* pTable,
                                           int nBitSize) {
  return palette24(pSrc, srcStep, pDst, dstStep, roiSize, pTable, nBitSize);
}
