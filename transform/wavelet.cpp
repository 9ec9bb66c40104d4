// One level of the separable 2-D wavelet transform with caller filters (WTFwd, WTInv and their
// specifications).
//
// Filter positioning follows the library's row and column filters (a true convolution): a
// forward filter (h, anchor b) gives output k = sum_j h[j] x[2k + b - j], so tap b weighs the
// sample under the output; the inverse up-samples its input (u[2k] = in[k], odd positions 0) and
// gives out[n] = sum_j g[j] u[n + a - j] = sum_k in[k] g[n + a - 2k].
// Borders the caller provides (recorded in the specification):
//   forward, source pixels and rows: max(len - 1 - anchor) before, max(anchor - 1, 0) after;
//   inverse, around each of the four inputs: max floor((len - 1 - anchor) / 2) before,
//   max floor((anchor + 1) / 2) after (maxima over the two filters).
//
// Forward, per output row r: the column filters over source rows 2r + b - j give a low and a
// high row of 512 + border pixels per block of 256 output columns; each row is split into its
// even and odd pixels, so the decimating row filters become contiguous weighted sums:
// approximation = row low of the column low, detail 1 (X) = row low of the column high, detail
// 2 (Y) = row high of the column low, detail 3 (XY) = row high of the column high.
// Inverse, per output row n and block of 256 input columns: the column synthesis of the
// approximation (low) plus detail 1 (high) gives the row P, of detail 2 (low) plus detail 3
// (high) the row Q; the even and odd output pixels are weighted sums of P (low filter) and Q
// (high filter), interleaved into the destination row.
// Every weighted sum is the tap kernel of the linear filters (single precision, tap order, no
// contraction), so results are the same on every target. All scratch is the caller's buffer,
// aligned to 64 bytes inside; its size is fixed at creation (it does not depend on the image).
//
// A specification is one block: header, then the low and the high taps. Every use re-checks
// the identifier, the channel count the specification was made for (a C1 specification given
// to a C3 call, or the reverse, is -17), the four filter parts (taps inside the block, lengths,
// anchors, column parts equal to row parts), the extents and the buffer size against the values
// they imply. A buffer size that an int cannot hold is refused at creation (-6).
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/base.h"
#include "primitives/conv_kernels.h"

namespace rux {
namespace {

constexpr std::int32_t kIdFwd = 46, kIdInv = 47;
constexpr int kBlock = 256;  // output columns (forward) or input columns (inverse) per block

struct FilterPart {
  const float* taps;
  std::int32_t len, anchor;
};

struct Extents {
  std::int32_t left, right, top, bottom;
};

struct WtSpec {
  std::int32_t id;
  std::int32_t channels;
  FilterPart part[4];  // column low, column high, row low, row high
  Extents ext;
  std::int32_t bufBytes;
  std::int32_t reserved;
  // followed by the low taps, then the high taps
  const float* lowTaps() const { return reinterpret_cast<const float*>(this + 1); }
  const float* highTaps() const { return lowTaps() + part[0].len; }
};

long long align64(long long n) { return (n + 63) / 64 * 64; }

// Column taps of one inverse input for one output row: at most half of either filter, plus one.
long long inverseSlot(long long taps) { return taps / 2 + 1; }

Extents extentsOf(bool forward, int lenL, int aL, int lenH, int aH) {
  long long before, after;
  if (forward) {
    before = std::max(lenL - 1LL - aL, lenH - 1LL - aH);
    after = std::max({aL - 1LL, aH - 1LL, 0LL});
  } else {
    before = std::max((lenL - 1LL - aL) / 2, (lenH - 1LL - aH) / 2);
    after = std::max((aL + 1LL) / 2, (aH + 1LL) / 2);
  }
  const auto b = static_cast<std::int32_t>(before), a = static_cast<std::int32_t>(after);
  return {b, a, b, a};
}

// Byte offsets of the buffer's parts (after aligning the caller's pointer to 64).
struct Layout {
  long long rows[4];   // forward: column row, split low, split high, -; inverse: X, Y, P, Q
  long long out[3];    // forward: output row; inverse: even, odd, interleaved row
  long long offsets;   // ptrdiff_t tap offsets
  long long weights;   // float tap weights
  long long evenPixels;  // forward: pixels of the even half of a split row
  long long total;     // bytes of the buffer, alignment slack included
};

Layout layoutOf(bool forward, int lenL, int lenH, const Extents& e, int channels) {
  Layout l{};
  const long long taps = static_cast<long long>(lenL) + lenH;
  const long long cols = (forward ? 2LL * kBlock : kBlock) + e.left + e.right;
  const long long rowBytes = align64(cols * channels * 4);
  long long at = 0;
  for (int i = 0; i < 4; ++i) {
    l.rows[i] = at;
    if (forward && i == 3) continue;
    at += rowBytes;
  }
  l.evenPixels = (cols + 1) / 2;
  const long long outBytes = align64(static_cast<long long>(kBlock) * channels * 4);
  for (int i = 0; i < 3; ++i) {
    l.out[i] = at;
    if (forward && i > 0) continue;
    at += (!forward && i == 2) ? 2 * outBytes : outBytes;
  }
  // Forward: column taps of both filters, row taps of both. Inverse: column taps of the four
  // inputs (one slot each), row taps of both filters.
  const long long offsetCount = forward ? 2 * taps : 4 * inverseSlot(taps) + taps;
  l.offsets = at;
  at += align64(offsetCount * static_cast<long long>(sizeof(std::ptrdiff_t)));
  l.weights = at;
  at += align64((forward ? taps : 2 * taps) * 4);
  l.total = at + 64;
  return l;
}

template <class Spec>
RuxResult initAlloc(Spec** out, const float* low, int lenL, int aL, const float* high, int lenH, int aH,
                    bool forward, int channels) {
  if (anyNull(out, low, high)) return ruxStatusNullPointer;
  if (lenL < 2 || lenH < 2) return ruxStatusBadSize;
  if (aL < 0 || aL >= lenL || aH < 0 || aH >= lenH) return ruxStatusBadAnchor;
  const Extents e = extentsOf(forward, lenL, aL, lenH, aH);
  const Layout l = layoutOf(forward, lenL, lenH, e, channels);
  if (l.total > INT_MAX) return ruxStatusBadSize;  // the buffer size cannot be reported
  const long long bytes = static_cast<long long>(sizeof(WtSpec)) + (static_cast<long long>(lenL) + lenH) * 4;
  auto* s = bytes > INT_MAX ? nullptr : static_cast<WtSpec*>(ruxMalloc(static_cast<int>(bytes)));
  if (s == nullptr) return ruxStatusNoMemory;
  s->id = forward ? kIdFwd : kIdInv;
  s->channels = channels;
  float* taps = reinterpret_cast<float*>(s + 1);
  std::memcpy(taps, low, static_cast<std::size_t>(lenL) * 4);
  std::memcpy(taps + lenL, high, static_cast<std::size_t>(lenH) * 4);
  s->part[0] = s->part[2] = {taps, lenL, aL};
  s->part[1] = s->part[3] = {taps + lenL, lenH, aH};
  s->ext = e;
  s->bufBytes = static_cast<std::int32_t>(l.total);
  s->reserved = 0;
  *out = reinterpret_cast<Spec*>(s);
  return ruxStatusOk;
}

bool samePart(const FilterPart& a, const FilterPart& b) {
  return a.taps == b.taps && a.len == b.len && a.anchor == b.anchor;
}

// The specification if every part of it is what its kind and filters imply, else null.
const WtSpec* validSpec(const void* p, std::int32_t id, int channels) {
  const auto* s = static_cast<const WtSpec*>(p);
  if (s->id != id || s->channels != channels) return nullptr;
  const FilterPart &low = s->part[0], &high = s->part[1];
  if (!samePart(low, s->part[2]) || !samePart(high, s->part[3])) return nullptr;
  if (low.len < 2 || high.len < 2 || low.anchor < 0 || low.anchor >= low.len || high.anchor < 0 ||
      high.anchor >= high.len)
    return nullptr;
  if (low.taps != s->lowTaps() || high.taps != s->highTaps()) return nullptr;
  const Extents e = extentsOf(id == kIdFwd, low.len, low.anchor, high.len, high.anchor);
  if (std::memcmp(&e, &s->ext, sizeof(e)) != 0 || e.left < 0 || e.right < 0 || e.top < 0 || e.bottom < 0)
    return nullptr;
  if (layoutOf(id == kIdFwd, low.len, high.len, e, channels).total != s->bufBytes) return nullptr;
  return s;
}

RuxResult freeSpec(void* p, std::int32_t id, int channels) {
  if (p == nullptr) return ruxStatusNullPointer;
  auto* s = const_cast<WtSpec*>(validSpec(p, id, channels));
  if (s == nullptr) return ruxStatusBadContext;
  s->id = 0;  // a stale pointer to the freed block no longer passes the check
  ruxFree(s);
  return ruxStatusOk;
}

RuxResult bufSize(const void* p, std::int32_t id, int channels, int* size) {
  if (anyNull(p, size)) return ruxStatusNullPointer;
  const WtSpec* s = validSpec(p, id, channels);
  if (s == nullptr) return ruxStatusBadContext;
  *size = s->bufBytes;
  return ruxStatusOk;
}

unsigned char* aligned(Rux8u* buffer) {
  const auto at = reinterpret_cast<std::uintptr_t>(buffer);
  return buffer + (64 - at % 64) % 64;
}

template <class T>
const unsigned char* bytesAt(const T* p, long long samples) {
  return reinterpret_cast<const unsigned char*>(p) + samples * static_cast<long long>(sizeof(T));
}

// Copies `samples` finished samples to a destination row at any byte address.
void storeRow(const float* row, float* dst, long long samples) {
  std::memcpy(dst, row, static_cast<std::size_t>(samples) * sizeof(float));
}

// Even pixels of a row to `even`, odd ones to `odd`, and back.
template <int C>
void deinterleave(const float* row, long long pixels, float* even, float* odd) {
  long long i = 0;
  for (; 2 * i + 1 < pixels; ++i)
    for (int c = 0; c < C; ++c) {
      even[i * C + c] = row[2 * i * C + c];
      odd[i * C + c] = row[(2 * i + 1) * C + c];
    }
  if (2 * i < pixels)
    for (int c = 0; c < C; ++c) even[i * C + c] = row[2 * i * C + c];
}

template <int C>
void interleave(const float* even, const float* odd, long long pairs, float* row) {
  for (long long i = 0; i < pairs; ++i)
    for (int c = 0; c < C; ++c) {
      row[2 * i * C + c] = even[i * C + c];
      row[(2 * i + 1) * C + c] = odd[i * C + c];
    }
}

// ---- forward ------------------------------------------------------------------------------------

template <int C>
RuxResult forward(const Rux32f* src, int srcStep, Rux32f* approx, int approxStep, Rux32f* dX, int dXStep, Rux32f* dY,
                  int dYStep, Rux32f* dXY, int dXYStep, RuxImageSize roi, const void* spec, Rux8u* buffer) {
  if (spec == nullptr) return ruxStatusNullPointer;
  const WtSpec* s = validSpec(spec, kIdFwd, C);
  if (s == nullptr) return ruxStatusBadContext;
  if (anyNull(src, approx, dX, dY, dXY, buffer)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (srcStep < 1 || approxStep < 1 || dXStep < 1 || dYStep < 1 || dXYStep < 1) return ruxStatusBadStep;

  const conv::TapsFn taps = conv::convKernels().taps[conv::k32f][conv::kF32];
  const FilterPart& low = s->part[0];
  const FilterPart& high = s->part[1];
  const Extents& e = s->ext;
  const Layout l = layoutOf(true, low.len, high.len, e, C);
  unsigned char* mem = aligned(buffer);
  auto* column = reinterpret_cast<float*>(mem + l.rows[0]);
  unsigned char* split[2] = {mem + l.rows[1], mem + l.rows[2]};  // column low, column high
  auto* out = reinterpret_cast<float*>(mem + l.out[0]);
  auto* offsets = reinterpret_cast<std::ptrdiff_t*>(mem + l.offsets);
  std::ptrdiff_t* colOff[2] = {offsets, offsets + low.len};
  std::ptrdiff_t* rowOff[2] = {offsets + low.len + high.len, offsets + 2 * low.len + high.len};
  const FilterPart* filter[2] = {&low, &high};
  // Column taps relative to source row 2r; row taps relative to the split row (even half
  // first, the odd half after evenPixels pixels). m = left + b - j >= 0 is the position of tap
  // j from the block's first column pixel.
  for (int f = 0; f < 2; ++f)
    for (int j = 0; j < filter[f]->len; ++j) {
      colOff[f][j] = static_cast<std::ptrdiff_t>(filter[f]->anchor - j) * srcStep;
      const long long m = static_cast<long long>(e.left) + filter[f]->anchor - j;
      const long long pixel = m % 2 == 0 ? m / 2 : l.evenPixels + (m - 1) / 2;
      rowOff[f][j] = static_cast<std::ptrdiff_t>(pixel * C * 4);
    }
  Rux32f* dst[2][2] = {{approx, dY}, {dX, dXY}};  // [column filter][row filter]
  const int steps[2][2] = {{approxStep, dYStep}, {dXStep, dXYStep}};

  for (int r = 0; r < roi.height; ++r) {
    const Rux32f* rowBase = rowPtr(src, srcStep, 2 * r);
    for (int x0 = 0; x0 < roi.width; x0 += kBlock) {
      const int width = std::min(kBlock, roi.width - x0);
      const long long pixels = 2LL * width + e.left + e.right;
      const unsigned char* base = bytesAt(rowBase, (2LL * x0 - e.left) * C);
      for (int f = 0; f < 2; ++f) {
        taps(base, colOff[f], filter[f]->taps, filter[f]->len, static_cast<std::size_t>(pixels * C), column);
        auto* even = reinterpret_cast<float*>(split[f]);
        deinterleave<C>(column, pixels, even, even + l.evenPixels * C);
        for (int g = 0; g < 2; ++g) {
          taps(split[f], rowOff[g], filter[g]->taps, filter[g]->len, static_cast<std::size_t>(width) * C, out);
          storeRow(out, rowPtr(dst[f][g], steps[f][g], r) + static_cast<std::ptrdiff_t>(x0) * C,
                   static_cast<long long>(width) * C);
        }
      }
    }
  }
  return ruxStatusOk;
}

// ---- inverse ------------------------------------------------------------------------------------

template <int C>
RuxResult inverse(const Rux32f* approx, int approxStep, const Rux32f* dX, int dXStep, const Rux32f* dY, int dYStep,
                  const Rux32f* dXY, int dXYStep, RuxImageSize roi, Rux32f* dst, int dstStep, const void* spec,
                  Rux8u* buffer) {
  if (anyNull(spec, buffer)) return ruxStatusNullPointer;
  const WtSpec* s = validSpec(spec, kIdInv, C);
  if (s == nullptr) return ruxStatusBadContext;
  if (anyNull(approx, dX, dY, dXY, dst)) return ruxStatusNullPointer;
  if (badSize(roi)) return ruxStatusBadSize;
  if (approxStep < 1 || dXStep < 1 || dYStep < 1 || dXYStep < 1 || dstStep < 1) return ruxStatusBadStep;

  const conv::TapsFn taps = conv::convKernels().taps[conv::k32f][conv::kF32];
  const FilterPart& low = s->part[0];
  const FilterPart& high = s->part[1];
  const Extents& e = s->ext;
  const Layout l = layoutOf(false, low.len, high.len, e, C);
  unsigned char* mem = aligned(buffer);
  float* rows[4];  // X, Y (column sums of one pair of inputs), P, Q
  for (int i = 0; i < 4; ++i) rows[i] = reinterpret_cast<float*>(mem + l.rows[i]);
  auto* evenOut = reinterpret_cast<float*>(mem + l.out[0]);
  auto* oddOut = reinterpret_cast<float*>(mem + l.out[1]);
  auto* line = reinterpret_cast<float*>(mem + l.out[2]);
  auto* offsets = reinterpret_cast<std::ptrdiff_t*>(mem + l.offsets);
  auto* weights = reinterpret_cast<float*>(mem + l.weights);
  const int taps2 = low.len + high.len;
  // Row taps: those of the even outputs first, then those of the odd ones (taps2 in all);
  // weights alike. Pixel i of an output phase reads P (low) or Q (high) at
  // i + left + (a + phase - j) / 2 for the taps j of the matching parity.
  const long long slot = inverseSlot(taps2);
  std::ptrdiff_t* rowOff = offsets + 4 * slot;
  float* rowW = weights + taps2;
  const std::ptrdiff_t qFromP = reinterpret_cast<unsigned char*>(rows[3]) - reinterpret_cast<unsigned char*>(rows[2]);
  int nRow[2] = {0, 0};
  const FilterPart* filter[2] = {&low, &high};
  for (int phase = 0; phase < 2; ++phase)
    for (int f = 0; f < 2; ++f)
      for (int j = 0; j < filter[f]->len; ++j) {
        if ((filter[f]->anchor + phase - j) % 2 != 0) continue;
        const long long pixel = e.left + (filter[f]->anchor + phase - j) / 2;
        const int t = (phase == 0 ? 0 : nRow[0]) + nRow[phase]++;
        rowOff[t] = (f == 1 ? qFromP : 0) + static_cast<std::ptrdiff_t>(pixel * C * 4);
        rowW[t] = filter[f]->taps[j];
      }
  const Rux32f* input[2][2] = {{approx, dX}, {dY, dXY}};  // [row filter][column filter]
  const int steps[2][2] = {{approxStep, dXStep}, {dYStep, dXYStep}};
  const std::ptrdiff_t pair[2] = {0, reinterpret_cast<unsigned char*>(rows[1]) - reinterpret_cast<unsigned char*>(rows[0])};
  const float ones[2] = {1.0f, 1.0f};

  for (int n = 0; n < 2 * roi.height; ++n) {
    // Column taps of output row n: input rows k = (n + a - j) / 2 for taps j of n + a's parity,
    // as offsets from row 0 of each input ([row filter][column filter] order).
    std::ptrdiff_t* colOff[2][2];
    float* colW[2] = {weights, weights + low.len};
    int nCol[2] = {0, 0};
    for (int f = 0; f < 2; ++f) {
      for (int j = (n + filter[f]->anchor) % 2; j < filter[f]->len; j += 2) colW[f][nCol[f]++] = filter[f]->taps[j];
      for (int g = 0; g < 2; ++g) {
        colOff[g][f] = offsets + (2 * g + f) * slot;
        int t = 0;
        for (int j = (n + filter[f]->anchor) % 2; j < filter[f]->len; j += 2)
          colOff[g][f][t++] = static_cast<std::ptrdiff_t>((n + filter[f]->anchor - j) / 2) * steps[g][f];
      }
    }
    Rux32f* out = rowPtr(dst, dstStep, n);
    for (int x0 = 0; x0 < roi.width; x0 += kBlock) {
      const int width = std::min(kBlock, roi.width - x0);
      const std::size_t samples = static_cast<std::size_t>(width + e.left + e.right) * C;
      for (int g = 0; g < 2; ++g) {
        for (int f = 0; f < 2; ++f)
          taps(bytesAt(input[g][f], (static_cast<long long>(x0) - e.left) * C), colOff[g][f], colW[f], nCol[f], samples,
               rows[f]);
        taps(reinterpret_cast<const unsigned char*>(rows[0]), pair, ones, 2, samples, rows[2 + g]);
      }
      taps(reinterpret_cast<const unsigned char*>(rows[2]), rowOff, rowW, nRow[0], static_cast<std::size_t>(width) * C,
           evenOut);
      taps(reinterpret_cast<const unsigned char*>(rows[2]), rowOff + nRow[0], rowW + nRow[0], nRow[1],
           static_cast<std::size_t>(width) * C, oddOut);
      interleave<C>(evenOut, oddOut, width, line);
      storeRow(line, out + 2 * static_cast<std::ptrdiff_t>(x0) * C, 2LL * width * C);
    }
  }
  return ruxStatusOk;
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_WT(C)                                                                                                     \
  RUXAPI RuxResult ruxiWTFwdInitAlloc_32f_C##C##R(RuxWTFwdSpec_32f_C##C##R** ppSpec, const Rux32f* pTapsLow,       \
                                                  int lenLow, int anchorLow, const Rux32f* pTapsHigh, int lenHigh,  \
                                                  int anchorHigh) {                                                 \
    return initAlloc(ppSpec, pTapsLow, lenLow, anchorLow, pTapsHigh, lenHigh, anchorHigh, true, C);                \
  }                                                                                                                 \
  RUXAPI RuxResult ruxiWTInvInitAlloc_32f_C##C##R(RuxWTInvSpec_32f_C##C##R** ppSpec, const Rux32f* pTapsLow,       \
                                                  int lenLow, int anchorLow, const Rux32f* pTapsHigh, int lenHigh,  \
                                                  int anchorHigh) {                                                 \
    return initAlloc(ppSpec, pTapsLow, lenLow, anchorLow, pTapsHigh, lenHigh, anchorHigh, false, C);               \
  }                                                                                                                 \
  RUXAPI RuxResult ruxiWTFwdFree_32f_C##C##R(RuxWTFwdSpec_32f_C##C##R* pSpec) { return freeSpec(pSpec, kIdFwd, C); } \
  RUXAPI RuxResult ruxiWTInvFree_32f_C##C##R(RuxWTInvSpec_32f_C##C##R* pSpec) { return freeSpec(pSpec, kIdInv, C); } \
  RUXAPI RuxResult ruxiWTFwdGetBufSize_C##C##R(const RuxWTFwdSpec_32f_C##C##R* pSpec, int* pSize) {                \
    return bufSize(pSpec, kIdFwd, C, pSize);                                                                        \
  }                                                                                                                 \
  RUXAPI RuxResult ruxiWTInvGetBufSize_C##C##R(const RuxWTInvSpec_32f_C##C##R* pSpec, int* pSize) {                \
    return bufSize(pSpec, kIdInv, C, pSize);                                                                        \
  }                                                                                                                 \
  RUXAPI RuxResult ruxiWTFwd_32f_C##C##R(const Rux32f* pSrc, int srcStep, Rux32f* pApproxDst, int approxStep,       \
                                         Rux32f* pDetailXDst, int detailXStep, Rux32f* pDetailYDst, int detailYStep, \
                                         Rux32f* pDetailXYDst, int detailXYStep, RuxImageSize dstRoiSize,           \
                                         const RuxWTFwdSpec_32f_C##C##R* pSpec, Rux8u* pBuffer) {                   \
    return forward<C>(pSrc, srcStep, pApproxDst, approxStep, pDetailXDst, detailXStep, pDetailYDst, detailYStep,    \
                      pDetailXYDst, detailXYStep, dstRoiSize, pSpec, pBuffer);                                      \
  }                                                                                                                 \
  RUXAPI RuxResult ruxiWTInv_32f_C##C##R(const Rux32f* pApproxSrc, int approxStep, const Rux32f* pDetailXSrc,       \
                                         int detailXStep, const Rux32f* pDetailYSrc, int detailYStep,               \
                                         const Rux32f* pDetailXYSrc, int detailXYStep, RuxImageSize srcRoiSize,     \
                                         Rux32f* pDst, int dstStep, const RuxWTInvSpec_32f_C##C##R* pSpec,           \
                                         Rux8u* pBuffer) {                                                          \
    return inverse<C>(pApproxSrc, approxStep, pDetailXSrc, detailXStep, pDetailYSrc, detailYStep, pDetailXYSrc,     \
                      detailXYStep, srcRoiSize, pDst, dstStep, pSpec, pBuffer);                                     \
  }

RUX_WT(1)
RUX_WT(3)
