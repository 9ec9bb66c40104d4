// Packed real spectra (the Pack2D layout of a real W x H transform) and the kernels other
// families build on: the element-wise product of two packed spectra and the magnitude of
// complex samples.
//
// Pack2D: row r of the packed image holds, at columns (2k - 1, 2k) for k = 1..(W - 1) / 2, the
// real and imaginary parts of C[r][k]. Column 0 (and column W - 1 when W is even, the u = W/2
// column) holds a real column spectrum: row 0 is the real C[0][u], rows (2j - 1, 2j) the pair
// of C[j][u] for j = 1..(H - 1) / 2, and row H - 1 (H even) the real C[H/2][u]. Every other
// spectrum value follows from C[v][u] = conj(C[(H - v) mod H][(W - u) mod W]).
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "primitives/unaligned.h"
#include "ruxtypes.h"

namespace rux::spectrum {

// The one description of which packed positions hold what, for a given W and H.
struct Pack2D {
  int width, height;

  // Complex values per row in horizontal pairs: columns (2k - 1, 2k), k = 1..pairs().
  int pairs() const { return (width - 1) / 2; }
  // Column W - 1 is the u = W/2 column (W even).
  bool nyquistColumn() const { return width % 2 == 0; }
  // Vertical pairs of the edge columns: rows (2j - 1, 2j), j = 1..verticalPairs().
  int verticalPairs() const { return (height - 1) / 2; }
  // Row H - 1 of the edge columns is the real C[H/2][u] (H even).
  bool nyquistRow() const { return height % 2 == 0; }
  // Row units of an element-wise walk: row 0, the row pairs (2j - 1, 2j) and, for even H,
  // row H - 1. A unit is never split, so units are what threads share out.
  int units() const { return 1 + verticalPairs() + (nyquistRow() ? 1 : 0); }
  // First row and row count of unit k.
  int unitRow(int k) const { return k == 0 ? 0 : (k <= verticalPairs() ? 2 * k - 1 : height - 1); }
  int unitRows(int k) const { return k == 0 || k > verticalPairs() ? 1 : 2; }

  enum Part { kReal, kRe, kIm };  // kReal: a self-conjugate value (imaginary part zero)
  struct EdgeCell {
    int freq;  // spectrum row v
    Part part;
  };
  // What row r of column 0 (and of column W - 1) holds.
  EdgeCell edgeCell(int r) const {
    if (r == 0) return {0, kReal};
    if (nyquistRow() && r == height - 1) return {height / 2, kReal};
    return {(r + 1) / 2, (r & 1) != 0 ? kRe : kIm};
  }

  // Where C[v][u] is kept: its real part at (reRow, reCol), its imaginary part at (imRow,
  // imCol), or imRow < 0 when the value is self-conjugate (imaginary part zero). conj: the
  // stored value is conj(C[v][u]).
  struct Spot {
    int reRow, reCol, imRow, imCol;
    bool conj;
  };
  Spot locate(int v, int u) const {
    bool conj = false;
    if (u > width / 2) {
      u = width - u;
      v = v == 0 ? 0 : height - v;
      conj = true;
    }
    if (u >= 1 && u <= pairs()) return {v, 2 * u - 1, v, 2 * u, conj};
    const int col = u == 0 ? 0 : width - 1;
    if (v > height / 2) {
      v = height - v;
      conj = !conj;
    }
    if (v == 0) return {0, col, -1, col, conj};
    if (nyquistRow() && v == height / 2) return {height - 1, col, -1, col, conj};
    return {2 * v - 1, col, 2 * v, col, conj};
  }
};

// d = a * b (conj: a * conj(b)) at every stored position of a packed W x H spectrum with
// `channels` interleaved channels (1, 3 or 4; keepAlpha with 4: channel 3 of d is left as it
// is). Real positions multiply as reals, pairs as complex numbers in the plain order
// (ar br - ai bi, ar bi + ai br; conj: ar br + ai bi, ai br - ar bi), every product and sum
// rounded once (no fused multiply-add), so every SIMD target gives the same bits. Steps are in
// bytes; d may be a or b with the same step. Runs on the calling thread.
void mulPack(const float* a, std::ptrdiff_t aStep, const float* b, std::ptrdiff_t bStep, float* d,
             std::ptrdiff_t dStep, int width, int height, int channels, bool conj, bool keepAlpha = false);
void mulPack(const double* a, std::ptrdiff_t aStep, const double* b, std::ptrdiff_t bStep, double* d,
             std::ptrdiff_t dStep, int width, int height, int channels, bool conj, bool keepAlpha = false);
// The same over the row units [unitBegin, unitEnd) of Pack2D{width, height} (for callers that
// share the rows out among threads).
void mulPackUnits(const float* a, std::ptrdiff_t aStep, const float* b, std::ptrdiff_t bStep, float* d,
                  std::ptrdiff_t dStep, int width, int height, int channels, bool conj, bool keepAlpha,
                  int unitBegin, int unitEnd);
void mulPackUnits(const double* a, std::ptrdiff_t aStep, const double* b, std::ptrdiff_t bStep, double* d,
                  std::ptrdiff_t dStep, int width, int height, int channels, bool conj, bool keepAlpha,
                  int unitBegin, int unitEnd);

// dst[i] = |src[i]| = sqrt(re^2 + im^2) for n complex samples: the squares and their sum in
// double (no overflow, the squares exact), one square root in double, rounded once to float.
// src and dst may sit at any byte address.
void magnitude32fc(const Rux32fc* src, float* dst, std::size_t n);

// Walks every stored position of the row units [unitBegin, unitEnd) of a packed spectrum with
// C interleaved channels (kAlpha: channels 0-2 of 4). real(a, b, d) handles a real position,
// pair(aRe, aIm, bRe, bIm, dRe, dIm) a complex one (each reads all four inputs before it
// writes), interior(aRow, bRow, dRow, n) the n horizontal pairs of a row, each a block of C
// real parts followed by C imaginary parts, starting at pixel 1. Pointers address samples at
// any byte alignment; steps are in bytes.
template <class T, int C, bool kAlpha, class Real, class Pair, class Interior>
void walkPacked(const Pack2D& g, const T* a, std::ptrdiff_t aStep, const T* b, std::ptrdiff_t bStep, T* d,
                std::ptrdiff_t dStep, int unitBegin, int unitEnd, const Real& real, const Pair& pair,
                const Interior& interior) {
  constexpr int kColours = kAlpha ? 3 : C;
  const auto row = [](auto* base, std::ptrdiff_t step, int y) {
    using P = decltype(base);
    using Byte = std::conditional_t<std::is_const_v<std::remove_pointer_t<P>>, const std::uint8_t, std::uint8_t>;
    return reinterpret_cast<P>(reinterpret_cast<Byte*>(base) + step * y);
  };
  const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(g.width - 1) * C;
  const int n = g.pairs();
  for (int k = unitBegin; k < unitEnd; ++k) {
    const int r = g.unitRow(k);
    const T* a0 = row(a, aStep, r);
    const T* b0 = row(b, bStep, r);
    T* d0 = row(d, dStep, r);
    if (g.unitRows(k) == 1) {
      for (int c = 0; c < kColours; ++c) {
        real(a0 + c, b0 + c, d0 + c);
        if (g.nyquistColumn()) real(a0 + last + c, b0 + last + c, d0 + last + c);
      }
      if (n > 0) interior(a0 + C, b0 + C, d0 + C, n);
      continue;
    }
    const T* a1 = row(a, aStep, r + 1);
    const T* b1 = row(b, bStep, r + 1);
    T* d1 = row(d, dStep, r + 1);
    for (int c = 0; c < kColours; ++c) {
      pair(a0 + c, a1 + c, b0 + c, b1 + c, d0 + c, d1 + c);
      if (g.nyquistColumn()) pair(a0 + last + c, a1 + last + c, b0 + last + c, b1 + last + c, d0 + last + c, d1 + last + c);
    }
    if (n > 0) {
      interior(a0 + C, b0 + C, d0 + C, n);
      interior(a1 + C, b1 + C, d1 + C, n);
    }
  }
}

}  // namespace rux::spectrum
