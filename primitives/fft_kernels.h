// Vector kernels of the Fourier engine, compiled once per target (float and double).
//
// Every kernel works on a batch: kBatch<T> independent sequences side by side (64 bytes of
// lanes), so one vector operation advances several transforms and no kernel shuffles lanes.
// A batch block of length n holds n elements; element j is kBatch re lanes followed by kBatch
// im lanes (2 * kBatch values). Real data live in "plain" blocks: n rows of kBatch lanes.
#pragma once

#include <cstddef>

namespace rux::fft {

template <class T>
inline constexpr int kBatch = static_cast<int>(64 / sizeof(T));

// One pass of a mixed-radix Stockham transform: n = radix * m, s sub-transforms interleaved.
// Output element (b + s*(radix*q + k)) = A_k(q) * w^(q*k), A the radix-point DFT of the inputs
// (b + s*(q + m*j)). tw: (radix - 1) twiddles per q as re, im pairs; roots: cos, sin of
// 2*pi*t/radix for t < radix (the generic odd radix only).
template <class T>
struct Stage {
  int radix;
  int m;
  int s;
  const T* tw;
  const T* roots;
};

template <class T>
struct Kernels {
  // One Stockham pass from x to y (n elements each); inverse uses the conjugate roots.
  void (*stage)(const Stage<T>& st, const T* x, T* y, bool inverse);
  // y[j] = x[j] * c[j] (conjugated when conj) for j < n, y[j] = 0 for n <= j < len; c re, im.
  void (*mulTable)(const T* x, T* y, const T* c, int n, int len, bool conj);
  // y[j] = conj(x[j]) * scale for j < n (the inverse through the forward transform).
  void (*conjScale)(const T* x, T* y, int n, T scale);
  // Scales n elements in place.
  void (*scale)(T* x, int n, T factor);
  // Even-length real forward: z (m = n/2 elements of x[2j] + i x[2j+1]) transformed, to the packed
  // real spectrum of length n as a plain block (n rows; perm: X0, X(n/2), then the pairs).
  // w: e^(-2 pi i k / n) for k < m.
  void (*realSplit)(const T* z, T* packed, int n, const T* w, T factor, bool perm);
  // The inverse: packed plain block (n rows) to the m-element spectrum of x[2j] + i x[2j+1].
  void (*realJoin)(const T* packed, T* z, int n, const T* w, T factor);
  // Two real sequences as the re and im lanes of z (n elements) transformed: their packed
  // spectra as two plain blocks (n rows each).
  void (*pairSplit)(const T* z, T* packedRe, T* packedIm, int n, T factor);
  // The inverse: two packed plain blocks to the spectrum of re + i im.
  void (*pairJoin)(const T* packedRe, const T* packedIm, T* z, int n, T factor);
  // Column gathers from rows of interleaved (re, im) pairs: element j of the block takes
  // `count` pairs from base + j*step (bytes); lanes from count on are zero.
  void (*gatherPairs)(const T* base, std::ptrdiff_t step, int count, int n, T* z);
  void (*scatterPairs)(const T* z, T* base, std::ptrdiff_t step, int count, int n, T factor);
  // Real columns: lanes g < count of the plain block row j from base + j*step.
  void (*gatherPlain)(const T* base, std::ptrdiff_t step, int count, int n, T* p);
  void (*scatterPlain)(const T* p, T* base, std::ptrdiff_t step, int count, int n, T factor);
  // Interleaved complex elements (re, im per lane) to split form and back, n elements in place.
  void (*split)(T* z, int n);
  void (*interleave)(T* z, int n);
  // DCT through a DFT of the same length: two plain blocks a, b (n rows) reordered into the
  // re and im lanes of z (v[j] = x[2j], v[n-1-j] = x[2j+1]); after the transform, the two
  // cosine spectra X(k) = Re(V(k)) t[2k] + Im(V(k)) t[2k+1] (t folds in the factor 1/2 of the
  // separation). The inverse: V(k) = p(k) X(k) + r(k) X(n-k) (t: p re, p im, r re, r im per k)
  // from both blocks into z, and the transformed z back to the sample order.
  void (*dctPre)(const T* a, const T* b, T* z, int n);
  void (*dctPost)(const T* z, T* a, T* b, int n, const T* t);
  void (*idctPre)(const T* a, const T* b, T* z, int n, const T* t);
  void (*idctPost)(const T* z, T* a, T* b, int n);
  // out row k = sum over j of mat[k*n + j] * in row j (plain blocks of n rows).
  void (*matPlain)(const T* mat, const T* in, T* out, int n);
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const Kernels<float>& kernels32f();
const Kernels<double>& kernels64f();

template <class T>
inline const Kernels<T>& kernelsFor() {
  if constexpr (sizeof(T) == 4) return kernels32f();
  else return kernels64f();
}

}  // namespace rux::fft
