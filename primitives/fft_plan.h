// Plans of the Fourier engine: one-dimensional transforms of one length, made once and run on
// batches of kBatch<T> sequences (see fft_kernels.h for the block layout).
//
//  - ComplexPlan: a DFT of any length n. Lengths whose factors are small run as mixed-radix
//    Stockham passes (natural order in, natural order out, no bit reversal); the others as a
//    circular convolution of a smooth length L >= 2n - 1 (chirp multiply, transform of length L,
//    multiply by the transformed chirp kernel, inverse transform, chirp multiply).
//  - RealPlan: a real DFT of length n giving the packed half spectrum: even n through a complex
//    transform of n/2 values (x[2j] + i x[2j+1]) and a recombination pass; odd n two sequences
//    at a time as the real and imaginary parts of one complex transform.
//  - DctPlan: the orthonormal DCT-II of length n and its inverse: short lengths by a matrix of
//    cosines, longer ones through a complex DFT of n values (two sequences per transform).
//
// Plans live in one memory block whose size is measured by a dry run of the same builder
// (Arena with a null base), so the sizes a specification reports are the sizes it uses. All
// tables come from reduced integer angles evaluated in long double; a transform computes no
// sine or cosine.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "primitives/fft_kernels.h"

namespace rux::fft {

// Bump allocator over one block; a null base measures only.
struct Arena {
  unsigned char* base = nullptr;
  std::size_t used = 0;
  std::size_t limit = 0;
  bool failed = false;
  template <class X>
  X* take(std::size_t count) {
    used = (used + 63) & ~std::size_t{63};
    X* p = base ? reinterpret_cast<X*>(base + used) : nullptr;
    used += count * sizeof(X);
    if (base && used > limit) failed = true;
    return failed ? nullptr : p;
  }
  bool filling() const { return base != nullptr && !failed; }
};

// cos and sin of 2*pi*t/n, from t reduced into the first octant.
inline void unitRoot(long long t, long long n, long double* c, long double* s) {
  t %= n;
  if (t < 0) t += n;
  // Work on 8t against 8n so every octant boundary is an integer comparison.
  const long long e = 8 * t, N = 8 * n;
  int quadrant = static_cast<int>(e / (2 * n));  // 0..3 (each quarter turn is 2n eighths)
  long long r = e - quadrant * 2 * n;            // 0 <= r < 2n, angle = 2*pi*r/N within the quadrant
  const long double pi = 3.141592653589793238462643383279502884L;
  long double cr, sr;
  if (r <= n) {
    const long double a = 2 * pi * static_cast<long double>(r) / static_cast<long double>(N);
    cr = std::cos(a);
    sr = std::sin(a);
  } else {
    const long double a = 2 * pi * static_cast<long double>(2 * n - r) / static_cast<long double>(N);
    cr = std::sin(a);
    sr = std::cos(a);
  }
  switch (quadrant) {
    case 0: *c = cr; *s = sr; break;
    case 1: *c = -sr; *s = cr; break;
    case 2: *c = -cr; *s = -sr; break;
    default: *c = sr; *s = -cr; break;
  }
}

// Convolution lengths: 2^k * {1, 9/8, 5/4, 3/2, 25/16} for 2^k = 128..4096, then 8192.
inline long long convolutionLength(long long need) {
  static const int kTable[] = {128,  144,  160,  192,  200,  256,  288,  320,  384,  400,  512,
                               576,  640,  768,  800,  1024, 1152, 1280, 1536, 1600, 2048, 2304,
                               2560, 3072, 3200, 4096, 4608, 5120, 6144, 6400, 8192};
  for (int v : kTable)
    if (v >= need) return v;
  long long p = 8192;
  while (p < need) p *= 2;
  return p;
}

// The factors of n for the mixed-radix route, or 0 factors when n takes the convolution route:
// fours first, one two, odd trial divisors while d*d <= rest (giving up beyond 50), a lone two
// followed by a three merged into six, the rest as the last factor (at most 50, or 150 when n
// is a multiple of 4). Lengths up to 50 that do not factor are one direct factor.
inline int factorLength(long long n, int* factors) {
  int count = 0;
  if (n <= 1) return 0;
  long long rest = n;
  while (rest % 4 == 0) factors[count++] = 4, rest /= 4;
  if (rest % 2 == 0) factors[count++] = 2, rest /= 2;
  bool loneTwo = count > 0 && factors[count - 1] == 2 && (count == 1);
  for (long long d = 3; d * d <= rest; d += 2) {
    if (d > 50) return 0;
    while (rest % d == 0) {
      if (loneTwo && d == 3 && factors[count - 1] == 2) {
        factors[count - 1] = 6;
        loneTwo = false;
      } else {
        factors[count++] = static_cast<int>(d);
      }
      rest /= d;
    }
  }
  if (rest > 1) {
    if (rest > ((n % 4 == 0) ? 150 : 50)) return 0;
    factors[count++] = static_cast<int>(rest);
  }
  return count;
}

// Values of T beyond its input block that a complex plan of length n needs to run, from the
// length alone (equal to ComplexPlan::workValues of the built plan).
template <class T>
long long complexWorkValues(long long n) {
  int f[64];
  if (n <= 1 || factorLength(n, f) > 0) return 2 * n * kBatch<T>;
  return 4 * convolutionLength(2 * n - 1) * kBatch<T>;
}

template <class T>
struct ComplexPlan {
  int n = 1;
  int stageCount = 0;
  const Stage<T>* stages = nullptr;
  // Convolution route.
  int convLength = 0;
  const T* chirp = nullptr;   // e^(-pi i j^2 / n), j < n
  const T* kernel = nullptr;  // transform of the conjugate chirp over L, divided by L
  const ComplexPlan<T>* inner = nullptr;
  // Values of T a run needs beyond its input block.
  long long workValues() const {
    return convLength ? 4LL * convLength * kBatch<T> : 2LL * n * kBatch<T>;
  }
};

// Radix passes of a smooth length (factors 2..150, six as two and three).
template <class T>
void buildStages(Arena& arena, ComplexPlan<T>* plan, long long n, const int* factors, int count) {
  int radices[64];
  int r = 0;
  for (int i = 0; i < count; ++i) {
    if (factors[i] == 6) {
      radices[r++] = 2;
      radices[r++] = 3;
    } else {
      radices[r++] = factors[i];
    }
  }
  Stage<T>* st = arena.take<Stage<T>>(r);
  long long len = n, s = 1;
  for (int i = 0; i < r; ++i) {
    const int p = radices[i];
    const long long m = len / p;
    T* tw = arena.take<T>(static_cast<std::size_t>(2 * (p - 1) * m));
    T* roots = p > 5 ? arena.take<T>(2 * static_cast<std::size_t>(p)) : nullptr;
    if (arena.filling()) {
      for (long long q = 0; q < m; ++q)
        for (int k = 1; k < p; ++k) {
          long double c, sn;
          unitRoot(-q * k, len, &c, &sn);
          tw[2 * ((p - 1) * q + k - 1)] = static_cast<T>(c);
          tw[2 * ((p - 1) * q + k - 1) + 1] = static_cast<T>(sn);
        }
      if (roots)
        for (int t = 0; t < p; ++t) {
          long double c, sn;
          unitRoot(t, p, &c, &sn);
          roots[2 * t] = static_cast<T>(c);
          roots[2 * t + 1] = static_cast<T>(sn);
        }
      st[i] = Stage<T>{p, static_cast<int>(m), static_cast<int>(s), tw, roots};
    }
    len = m;
    s *= p;
  }
  if (arena.filling()) {
    plan->stageCount = r;
    plan->stages = st;
  }
}

// Runs the plan on the block a (n elements); returns the block holding the result (a or work).
template <class T>
T* runComplex(const ComplexPlan<T>& plan, const Kernels<T>& k, T* a, T* work, bool inverse) {
  if (plan.convLength) {
    const int L = plan.convLength;
    T* p = work;
    T* q = work + 2LL * L * kBatch<T>;
    k.mulTable(a, p, plan.chirp, plan.n, L, inverse);
    T* r = runComplex(*plan.inner, k, p, q, false);
    k.mulTable(r, r, plan.kernel, L, L, inverse);
    T* s = runComplex(*plan.inner, k, r, r == p ? q : p, true);
    k.mulTable(s, a, plan.chirp, plan.n, plan.n, inverse);
    return a;
  }
  T* x = a;
  T* y = work;
  for (int i = 0; i < plan.stageCount; ++i) {
    k.stage(plan.stages[i], x, y, inverse);
    T* t = x;
    x = y;
    y = t;
  }
  return x;
}

// Builds a complex plan of length n into the arena. Returns false when the length cannot be
// planned. The chirp kernel of the convolution route is transformed in double precision in
// `scratch` (complexScratchValues(n) doubles, used only when filling).
template <class T>
bool buildComplex(Arena& arena, long long n, const ComplexPlan<T>** out, double* scratch) {
  ComplexPlan<T>* plan = arena.take<ComplexPlan<T>>(1);
  if (arena.filling()) *plan = ComplexPlan<T>{};
  if (arena.filling()) plan->n = static_cast<int>(n);
  *out = plan;
  int factors[64];
  const int count = factorLength(n, factors);
  if (n <= 1 || count > 0) {
    buildStages(arena, plan, n, factors, count);
    return true;
  }
  const long long L = convolutionLength(2 * n - 1);
  if (L > (1LL << 28)) return false;
  const ComplexPlan<T>* inner = nullptr;
  buildComplex<T>(arena, L, &inner, nullptr);
  T* chirp = arena.take<T>(static_cast<std::size_t>(2 * n));
  T* kernel = arena.take<T>(static_cast<std::size_t>(2 * L));
  if (!arena.filling()) return true;
  plan->convLength = static_cast<int>(L);
  plan->inner = inner;
  plan->chirp = chirp;
  plan->kernel = kernel;
  // Chirp angles pi j^2 / n = 2 pi (j^2 mod 2n) / 2n, reduced in integers.
  for (long long j = 0; j < n; ++j) {
    long double c, s;
    unitRoot(-((j * j) % (2 * n)), 2 * n, &c, &s);
    chirp[2 * j] = static_cast<T>(c);
    chirp[2 * j + 1] = static_cast<T>(s);
  }
  // Kernel: b(t) = e^(+pi i t^2 / n) for |t| < n (wrapped into L), transformed over L in double
  // precision (lane 0 of a double batch) and divided by L.
  constexpr int G = kBatch<double>;
  Arena dry;
  const ComplexPlan<double>* dplan = nullptr;
  buildComplex<double>(dry, L, &dplan, nullptr);
  Arena tmp;
  tmp.base = reinterpret_cast<unsigned char*>(scratch);
  tmp.limit = dry.used;
  buildComplex<double>(tmp, L, &dplan, nullptr);
  double* a = scratch + (dry.used + 63) / 64 * 8;
  double* w = a + 2 * L * G;
  std::memset(a, 0, sizeof(double) * 2 * static_cast<std::size_t>(L) * G);
  for (long long t = 0; t < n; ++t) {
    long double c, s;
    unitRoot((t * t) % (2 * n), 2 * n, &c, &s);
    a[2 * G * t] = static_cast<double>(c);
    a[2 * G * t + G] = static_cast<double>(s);
    if (t > 0) {
      a[2 * G * (L - t)] = static_cast<double>(c);
      a[2 * G * (L - t) + G] = static_cast<double>(s);
    }
  }
  const double* r = runComplex(*dplan, kernels64f(), a, w, false);
  for (long long k = 0; k < L; ++k) {
    kernel[2 * k] = static_cast<T>(r[2 * G * k] / static_cast<double>(L));
    kernel[2 * k + 1] = static_cast<T>(r[2 * G * k + G] / static_cast<double>(L));
  }
  return true;
}

// Doubles of scratch a build of length n needs for its chirp kernel (0 when none).
inline long long complexScratchValues(long long n) {
  int f[64];
  if (n <= 1 || factorLength(n, f) > 0) return 0;
  const long long L = convolutionLength(2 * n - 1);
  Arena dry;
  const ComplexPlan<double>* p = nullptr;
  buildComplex<double>(dry, L, &p, nullptr);
  return static_cast<long long>((dry.used + 63) / 64 * 8) + 4 * L * kBatch<double>;
}

template <class T>
struct RealPlan {
  int n = 1;
  bool pair = true;                       // odd n: two sequences per complex transform
  const ComplexPlan<T>* cx = nullptr;     // of n/2 (even) or n (odd)
  const T* w = nullptr;                   // e^(-2 pi i k / n), k < n/2 (even n)
  long long workValues() const { return cx->workValues(); }
};

template <class T>
bool buildReal(Arena& arena, long long n, const RealPlan<T>** out, double* scratch) {
  RealPlan<T>* plan = arena.take<RealPlan<T>>(1);
  *out = plan;
  const bool pair = n % 2 == 1;
  const ComplexPlan<T>* cx = nullptr;
  if (!buildComplex<T>(arena, pair ? n : n / 2, &cx, scratch)) return false;
  T* w = pair ? nullptr : arena.take<T>(static_cast<std::size_t>(n));
  if (!arena.filling()) return true;
  *plan = RealPlan<T>{static_cast<int>(n), pair, cx, w};
  if (w)
    for (long long k = 0; k < n / 2; ++k) {
      long double c, s;
      unitRoot(-k, n, &c, &s);
      w[2 * k] = static_cast<T>(c);
      w[2 * k + 1] = static_cast<T>(s);
    }
  return true;
}

inline long long realScratchValues(long long n) { return complexScratchValues(n % 2 ? n : n / 2); }

// Orthonormal DCT-II: short lengths (n <= 8, and lengths below 46 that are not powers of two) by
// a cosine matrix; the others through a complex DFT of length n.
template <class T>
struct DctPlan {
  int n = 1;
  const T* fwdMat = nullptr;  // n x n: c(k) cos(pi (2j + 1) k / 2n)
  const T* invMat = nullptr;  // its transpose
  const ComplexPlan<T>* cx = nullptr;
  const T* post = nullptr;  // forward: 2 values per k
  const T* pre = nullptr;   // inverse: 4 values per k
  long long workValues() const { return cx ? cx->workValues() : 0; }
};

inline bool dctByMatrix(long long n) {
  const bool pow2 = (n & (n - 1)) == 0;
  return pow2 ? n <= 8 : n < 46;
}

template <class T>
bool buildDct(Arena& arena, long long n, const DctPlan<T>** out, double* scratch) {
  DctPlan<T>* plan = arena.take<DctPlan<T>>(1);
  *out = plan;
  auto cnorm = [&](long long k) {
    return k == 0 ? std::sqrt(1.0L / static_cast<long double>(n)) : std::sqrt(2.0L / static_cast<long double>(n));
  };
  if (dctByMatrix(n)) {
    T* f = arena.take<T>(static_cast<std::size_t>(n * n));
    T* i = arena.take<T>(static_cast<std::size_t>(n * n));
    if (!arena.filling()) return true;
    *plan = DctPlan<T>{};
    plan->n = static_cast<int>(n);
    plan->fwdMat = f;
    plan->invMat = i;
    for (long long k = 0; k < n; ++k)
      for (long long j = 0; j < n; ++j) {
        long double c, s;
        unitRoot((2 * j + 1) * k, 4 * n, &c, &s);
        const T v = static_cast<T>(cnorm(k) * c);
        f[k * n + j] = v;
        i[j * n + k] = v;
      }
    return true;
  }
  const ComplexPlan<T>* cx = nullptr;
  if (!buildComplex<T>(arena, n, &cx, scratch)) return false;
  T* post = arena.take<T>(static_cast<std::size_t>(2 * n));
  T* pre = arena.take<T>(static_cast<std::size_t>(4 * n));
  if (!arena.filling()) return true;
  *plan = DctPlan<T>{};
  plan->n = static_cast<int>(n);
  plan->cx = cx;
  plan->post = post;
  plan->pre = pre;
  for (long long k = 0; k < n; ++k) {
    // theta = pi k / 2n = 2 pi k / 4n.
    long double c, s;
    unitRoot(k, 4 * n, &c, &s);
    post[2 * k] = static_cast<T>(0.5L * cnorm(k) * c);
    post[2 * k + 1] = static_cast<T>(0.5L * cnorm(k) * s);
    // V(k) = e^(i theta) (X(k) / c(k) - i X(n-k) / c(n-k)), then divided by n for the inverse DFT.
    const long double inv = 1.0L / static_cast<long double>(n);
    const long double a = inv / cnorm(k);
    pre[4 * k] = static_cast<T>(a * c);
    pre[4 * k + 1] = static_cast<T>(a * s);
    if (k > 0) {
      const long double b = inv / cnorm(n - k);
      // -i e^(i theta) = sin theta - i cos theta.
      pre[4 * k + 2] = static_cast<T>(b * s);
      pre[4 * k + 3] = static_cast<T>(-b * c);
    } else {
      pre[4 * k + 2] = pre[4 * k + 3] = T(0);
    }
  }
  return true;
}

inline long long dctScratchValues(long long n) { return dctByMatrix(n) ? 0 : complexScratchValues(n); }

}  // namespace rux::fft
