// Two-dimensional FFT (sizes 2^orderX x 2^orderY) and DFT (any size) of images.
//
// Shape: a specification holds a real plan for the rows (length W), a complex plan for the
// columns (length H) and, for complex images, a complex plan for the rows; both families share
// every line below (the FFT is the DFT restricted to powers of two). A transform is two passes
// over batches of kBatch = 16 sequences:
//  - real rows (forward): 16 rows transposed into a block, the real plan, the packed rows
//    transposed back (odd widths: 32 rows as the two halves of one complex transform);
//  - Pack2D columns: groups of 16 interleaved (re, im) column pairs gathered with vector
//    de-interleaving loads, transformed, scattered back; columns 0 and W-1 (real) as the two
//    halves of one complex column;
//  - inverse: the same passes in reverse order, columns first (source to destination), then the
//    rows in place.
// Batches are split among threads as row bands and column groups; a batch gives the same bits
// in any lane and on any thread, so results do not depend on the thread count. Multi-channel
// layouts run the single-channel passes per channel (strided gathers); the integer forms convert
// one channel at a time through a float plane in the work buffer.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/fft_plan.h"
#include "primitives/rearrange_kernels.h"
#include "primitives/unaligned.h"
#include "ruxcore.h"
#include "transform/passes.h"
#include "ruxi.h"

namespace rux {
namespace {

using fft::ComplexPlan;
using fft::kBatch;
using fft::Kernels;
using fft::RealPlan;
using xform::alignUp;
using xform::gatherRows;
using xform::rowAt;
using xform::scatterRows;
constexpr int G = kBatch<float>;

// ---- specification ---------------------------------------------------------------------------

enum SpecId : int {
  kFftC = 25,
  kFftR = 26,
  kDftC = 27,
  kDftR = 28,
  kFftR32s = 29,
  kDftR32s = 30,
};

struct Spec2D {
  int id;
  int width, height;
  int flag;
  int hint;
  int threads;                      // recorded at creation
  long long perThreadBytes;         // one thread's slots
  long long planeBytes;             // the float plane of the integer forms (0 otherwise)
  bool complexRows;
  const RealPlan<float>* rows;      // real images
  const ComplexPlan<float>* cxRows; // complex images
  const ComplexPlan<float>* cols;
  float rowFwd, rowInv, colFwd, colInv;
  void* owned;                      // the block of InitAlloc (null for Init)
};

bool isComplexId(int id) { return id == kFftC || id == kDftC; }
bool isIntegerId(int id) { return id == kFftR32s || id == kDftR32s; }

// The factor of one direction along an axis of length n for the flag.
void axisFactors(int flag, int n, float* fwd, float* inv) {
  *fwd = *inv = 1.0f;
  if (flag == ruxFftDivFwdByN) *fwd = 1.0f / static_cast<float>(n);
  if (flag == ruxFftDivInvByN) *inv = 1.0f / static_cast<float>(n);
  if (flag == ruxFftDivBySqrtN) *fwd = *inv = static_cast<float>(1.0 / std::sqrt(static_cast<double>(n)));
}

bool validFlag(int flag) {
  return flag == ruxFftDivFwdByN || flag == ruxFftDivInvByN || flag == ruxFftDivBySqrtN || flag == ruxFftNoDiv;
}

// Slot sizes of one thread, in floats, each rounded to 64 bytes.
struct SlotSizes {
  long long s1, s2, s3;
  long long bytes() const { return 4 * (s1 + s2 + s3); }
};
long long round16(long long v) { return (v + 15) & ~15LL; }

SlotSizes slotSizes(int W, int H, bool complexRows) {
  const long long z = std::max(2LL * W * G, 2LL * H * G);
  // The row plan runs on W values (complex rows, odd W) or W/2 (even real rows).
  const long long rowWork = fft::complexWorkValues<float>(complexRows || W % 2 ? W : W / 2);
  const long long work = std::max(rowWork, fft::complexWorkValues<float>(H));
  return {round16(z), round16(complexRows ? 0 : z), round16(work)};
}

constexpr long long kLimit = std::numeric_limits<int>::max();

// Plans of a W x H transform into the arena (measuring when its base is null).
bool buildPlans(fft::Arena& a, int W, int H, bool complexRows, double* scratch, const RealPlan<float>** rows,
                const ComplexPlan<float>** cxRows, const ComplexPlan<float>** cols) {
  *rows = nullptr;
  *cxRows = nullptr;
  if (complexRows) {
    if (!fft::buildComplex<float>(a, W, cxRows, scratch)) return false;
  } else if (!fft::buildReal<float>(a, W, rows, scratch)) {
    return false;
  }
  return fft::buildComplex<float>(a, H, cols, scratch);
}

long long initScratchValues(int W, int H, bool complexRows) {
  return std::max(complexRows ? fft::complexScratchValues(W) : fft::realScratchValues(W), fft::complexScratchValues(H));
}

// Lengths a DFT accepts: powers of two up to 2^29, others up to 0x7FFFFFF, and no odd transform
// length of 0x4000000 or more that would take the convolution route.
bool convolutionOk(long long m) {
  int f[64];
  return m <= 1 || fft::factorLength(m, f) > 0 || m % 2 == 0 || m < 0x4000000;
}
bool dftLengthOk(long long n, bool complexAxis) {
  const bool pow2 = (n & (n - 1)) == 0;
  if (pow2) return n <= (1LL << 29);
  if (n > 0x7FFFFFF) return false;
  return convolutionOk(complexAxis || n % 2 ? n : n / 2);
}
bool dftSizeOk(RuxImageSize s, int id) {
  return dftLengthOk(s.width, isComplexId(id)) && dftLengthOk(s.height, true);
}

struct SpecLayout {
  long long specBytes;  // header + plans + alignment slack
  long long initBytes;  // scratch of the chirp kernels
  long long bufBytes;   // what GetBufSize reports
  long long perThread;
  int threads;
};

RuxResult layoutFor(int W, int H, bool complexRows, bool integer, SpecLayout* out) {
  fft::Arena dry;
  const RealPlan<float>* r;
  const ComplexPlan<float>* cr;
  const ComplexPlan<float>* c;
  if (!buildPlans(dry, W, H, complexRows, nullptr, &r, &cr, &c)) return ruxStatusBadSize;
  const SlotSizes sl = slotSizes(W, H, complexRows);
  out->perThread = sl.bytes() + 3 * 64;
  out->specBytes = static_cast<long long>(sizeof(Spec2D)) + 128 + static_cast<long long>(dry.used);
  out->initBytes = 8 * initScratchValues(W, H, complexRows);
  if (out->initBytes) out->initBytes += 64;
  const int threads = (W >= 141 && H >= 141) ? std::max(1, ownGetNumThreads()) : 1;
  out->threads = threads;
  const long long plane = integer ? 4LL * W * H + 64 : 0;
  out->bufBytes = threads * (out->perThread + 4) + 64 + plane;
  if (out->specBytes > kLimit || out->initBytes > kLimit || out->bufBytes > kLimit) return ruxStatusNoMemory;
  return ruxStatusOk;
}

// Fills a specification in `memory` (layout.specBytes bytes) using `init` as scratch.
RuxResult fillSpec(void* memory, void* init, int id, int W, int H, int flag, int hint, const SpecLayout& lay) {
  Spec2D* s = reinterpret_cast<Spec2D*>(alignUp(memory));
  fft::Arena a;
  a.base = reinterpret_cast<unsigned char*>(s) + ((sizeof(Spec2D) + 63) & ~std::size_t{63});
  a.limit = static_cast<std::size_t>(lay.specBytes - 128 - static_cast<long long>(sizeof(Spec2D))) + 64;
  const bool complexRows = isComplexId(id);
  Spec2D sp{};
  sp.id = id;
  sp.width = W;
  sp.height = H;
  sp.flag = flag;
  sp.hint = hint;
  sp.threads = lay.threads;
  sp.perThreadBytes = lay.perThread;
  sp.planeBytes = isIntegerId(id) ? 4LL * W * H + 64 : 0;
  sp.complexRows = complexRows;
  double* scratch = init ? reinterpret_cast<double*>(alignUp(init)) : nullptr;
  if (!buildPlans(a, W, H, complexRows, scratch, &sp.rows, &sp.cxRows, &sp.cols) || a.failed) return ruxStatusNoMemory;
  axisFactors(flag, W, &sp.rowFwd, &sp.rowInv);
  axisFactors(flag, H, &sp.colFwd, &sp.colInv);
  sp.owned = nullptr;
  *s = sp;
  return ruxStatusOk;
}

Spec2D* specAt(void* memory) { return reinterpret_cast<Spec2D*>(alignUp(memory)); }

RuxResult initAlloc(void** out, int id, int W, int H, int flag, int hint) {
  SpecLayout lay;
  if (RuxResult st = layoutFor(W, H, isComplexId(id), isIntegerId(id), &lay)) return st;
  void* memory = ruxMalloc(static_cast<int>(lay.specBytes));
  if (!memory) return ruxStatusNoMemory;
  Scratch<unsigned char> init(lay.initBytes);
  if (lay.initBytes && !init) {
    ruxFree(memory);
    return ruxStatusNoMemory;
  }
  if (RuxResult st = fillSpec(memory, init.get(), id, W, H, flag, hint, lay)) {
    ruxFree(memory);
    return st;
  }
  Spec2D* s = specAt(memory);
  s->owned = memory;
  *out = s;
  return ruxStatusOk;
}

template <class S>
RuxResult fftInitAlloc(S** out, int orderX, int orderY, int flag, int hint, int id) {
  if (!out) return ruxStatusNullPointer;
  if (orderX < 0 || orderY < 0 || orderX > 29 || orderY > 29) return ruxStatusBadFftOrder;
  if (!validFlag(flag)) return ruxStatusBadFftFlag;
  void* p = nullptr;
  const RuxResult st = initAlloc(&p, id, 1 << orderX, 1 << orderY, flag, hint);
  if (st == ruxStatusOk) *out = static_cast<S*>(p);
  return st;
}

template <class S>
RuxResult dftInitAlloc(S** out, RuxImageSize size, int flag, int hint, int id) {
  if (!out) return ruxStatusNullPointer;
  if (size.width < 1 || size.height < 1) return ruxStatusBadSize;
  if (!validFlag(flag)) return ruxStatusBadFftFlag;
  if (!dftSizeOk(size, id)) return ruxStatusBadSize;
  void* p = nullptr;
  const RuxResult st = initAlloc(&p, id, size.width, size.height, flag, hint);
  if (st == ruxStatusOk) *out = static_cast<S*>(p);
  return st;
}

RuxResult dftGetSize(int id, RuxImageSize size, int flag, int* pSpec, int* pInit, int* pBuf) {
  if (!pSpec || !pInit || !pBuf) return ruxStatusNullPointer;
  if (size.width < 1 || size.height < 1) return ruxStatusBadSize;
  if (!validFlag(flag)) return ruxStatusBadFftFlag;
  if (!dftSizeOk(size, id)) return ruxStatusBadSize;
  SpecLayout lay;
  if (RuxResult st = layoutFor(size.width, size.height, isComplexId(id), false, &lay)) return st;
  *pSpec = static_cast<int>(lay.specBytes);
  *pInit = static_cast<int>(lay.initBytes);
  *pBuf = static_cast<int>(lay.bufBytes);
  return ruxStatusOk;
}

template <class S>
RuxResult dftInit(int id, RuxImageSize size, int flag, int hint, S* memory, Rux8u* init) {
  if (!memory) return ruxStatusNullPointer;
  if (size.width < 1 || size.height < 1) return ruxStatusBadSize;
  if (!validFlag(flag)) return ruxStatusBadFftFlag;
  if (!dftSizeOk(size, id)) return ruxStatusBadSize;
  SpecLayout lay;
  if (RuxResult st = layoutFor(size.width, size.height, isComplexId(id), false, &lay)) return st;
  if (lay.initBytes && !init) return ruxStatusNullPointer;
  // The specification sits at the start of the caller's block when it is 64-byte aligned,
  // otherwise at the next boundary (the size includes that slack); calls find it the same way.
  return fillSpec(memory, init, id, size.width, size.height, flag, hint, lay);
}

const Spec2D* checkedSpec(const void* p, int id, RuxResult* st) {
  if (!p) {
    *st = ruxStatusNullPointer;
    return nullptr;
  }
  const Spec2D* s = specAt(const_cast<void*>(p));
  if (s->id != id) {
    *st = ruxStatusBadContext;
    return nullptr;
  }
  *st = ruxStatusOk;
  return s;
}

RuxResult freeSpec(void* p, int id) {
  RuxResult st;
  const Spec2D* s = checkedSpec(p, id, &st);
  if (!s) return st;
  if (!s->owned) return ruxStatusBadContext;  // made by Init in caller memory: the caller frees it
  void* block = s->owned;
  specAt(block)->id = 0;
  ruxFree(block);
  return ruxStatusOk;
}

RuxResult getBufSize(const void* p, int id, int* size) {
  RuxResult st;
  const Spec2D* s = checkedSpec(p, id, &st);
  if (!s) return st;
  if (!size) return ruxStatusNullPointer;
  *size = static_cast<int>(s->threads * (s->perThreadBytes + 4) + 64 + s->planeBytes);
  return ruxStatusOk;
}

// ---- passes ----------------------------------------------------------------------------------

struct Slots {
  float* s1;
  float* s2;
  float* s3;
};

Slots slotsAt(unsigned char* buffer, const Spec2D& sp, int t) {
  unsigned char* base = alignUp(buffer + static_cast<std::ptrdiff_t>(t) * sp.perThreadBytes);
  const long long W = sp.width, H = sp.height;
  const SlotSizes sl = slotSizes(static_cast<int>(W), static_cast<int>(H), sp.complexRows);
  float* s1 = reinterpret_cast<float*>(base);
  float* s2 = s1 + sl.s1;
  float* s3 = s2 + sl.s2;
  return {s1, s2, s3};
}

// Complex column pairs of channel c: pair g of row j at columns (first + 2g, first + 2g + 1).
void gatherPairs(const Kernels<float>& k, const float* base, std::ptrdiff_t step, int C, int count, int n, float* z) {
  if (C == 1) return k.gatherPairs(base, step, count, n, z);
  for (int j = 0; j < n; ++j) {
    const float* row = rowAt(base, step, j);
    float* e = z + 2 * G * j;
    for (int g = 0; g < G; ++g) {
      e[g] = g < count ? loadAt(row + 2 * g * C) : 0.0f;
      e[G + g] = g < count ? loadAt(row + (2 * g + 1) * C) : 0.0f;
    }
  }
}

void scatterPairs(const Kernels<float>& k, const float* z, float* base, std::ptrdiff_t step, int C, int count, int n,
                  float factor) {
  if (C == 1) return k.scatterPairs(z, base, step, count, n, factor);
  for (int j = 0; j < n; ++j) {
    float* row = rowAt(base, step, j);
    const float* e = z + 2 * G * j;
    for (int g = 0; g < count; ++g) {
      storeAt(row + 2 * g * C, e[g] * factor);
      storeAt(row + (2 * g + 1) * C, e[G + g] * factor);
    }
  }
}

// One channel plane, described by its first sample, step and channel stride.
struct Plane {
  float* p;
  std::ptrdiff_t step;
  int C;
};
struct ConstPlane {
  const float* p;
  std::ptrdiff_t step;
  int C;
};

// Batches of the row pass of real images: 16 rows (even W) or 32 rows (odd W) each.
int rowsPerBatch(const Spec2D& sp) { return sp.complexRows || sp.width % 2 == 0 ? G : 2 * G; }
int rowBatches(const Spec2D& sp) { return (sp.height + rowsPerBatch(sp) - 1) / rowsPerBatch(sp); }
// Column groups: group 0 holds the real columns (real images), then groups of 16 pairs.
int complexPairs(const Spec2D& sp) { return sp.complexRows ? sp.width : (sp.width - 1) / 2; }
int colGroups(const Spec2D& sp) { return (sp.complexRows ? 0 : 1) + (complexPairs(sp) + G - 1) / G; }

void forwardRows(const Spec2D& sp, const Kernels<float>& k, ConstPlane src, Plane dst, int b0, int b1, Slots s) {
  const int W = sp.width, H = sp.height, per = rowsPerBatch(sp);
  const RealPlan<float>& plan = *sp.rows;
  for (int b = b0; b < b1; ++b) {
    const int r0 = b * per;
    const int count = std::min(per, H - r0);
    const float* in = rowAt(src.p, src.step, r0);
    float* out = rowAt(dst.p, dst.step, r0);
    if (!plan.pair) {
      gatherRows(in, src.step, src.C, 0, count, W, s.s1, G);
      const float* z = fft::runComplex(*plan.cx, k, s.s1, s.s3, false);
      k.realSplit(z, s.s2, W, plan.w, sp.rowFwd, false);
      scatterRows(s.s2, G, dst.C, 0, count, W, out, dst.step);
    } else {
      const int lo = std::min(count, G), hi = count - lo;
      gatherRows(in, src.step, src.C, 0, lo, W, s.s1, 2 * G);
      gatherRows(rowAt(in, src.step, G), src.step, src.C, 0, hi, W, s.s1 + G, 2 * G);
      const float* z = fft::runComplex(*plan.cx, k, s.s1, s.s3, false);
      float* pr = s.s2;
      float* pi = s.s2 + static_cast<std::ptrdiff_t>(W) * G;
      k.pairSplit(z, pr, pi, W, sp.rowFwd);
      scatterRows(pr, G, dst.C, 0, lo, W, out, dst.step);
      if (hi > 0) scatterRows(pi, G, dst.C, 0, hi, W, rowAt(out, dst.step, G), dst.step);
    }
  }
}

void inverseRows(const Spec2D& sp, const Kernels<float>& k, Plane img, int b0, int b1, Slots s) {
  const int W = sp.width, H = sp.height, per = rowsPerBatch(sp);
  const RealPlan<float>& plan = *sp.rows;
  for (int b = b0; b < b1; ++b) {
    const int r0 = b * per;
    const int count = std::min(per, H - r0);
    float* rows = rowAt(img.p, img.step, r0);
    if (!plan.pair) {
      gatherRows(rows, img.step, img.C, 0, count, W, s.s2, G);
      k.realJoin(s.s2, s.s1, W, plan.w, sp.rowInv);
      const float* z = fft::runComplex(*plan.cx, k, s.s1, s.s3, true);
      scatterRows(z, G, img.C, 0, count, W, rows, img.step);
    } else {
      const int lo = std::min(count, G), hi = count - lo;
      float* pr = s.s2;
      float* pi = s.s2 + static_cast<std::ptrdiff_t>(W) * G;
      gatherRows(rows, img.step, img.C, 0, lo, W, pr, G);
      if (hi > 0) gatherRows(rowAt(rows, img.step, G), img.step, img.C, 0, hi, W, pi, G);
      else std::memset(pi, 0, sizeof(float) * static_cast<std::size_t>(W) * G);
      k.pairJoin(pr, pi, s.s1, W, sp.rowInv);
      const float* z = fft::runComplex(*plan.cx, k, s.s1, s.s3, true);
      scatterRows(z, 2 * G, img.C, 0, lo, W, rows, img.step);
      if (hi > 0) scatterRows(z + G, 2 * G, img.C, 0, hi, W, rowAt(rows, img.step, G), img.step);
    }
  }
}

// Complex rows (interleaved re, im): 16 rows per batch.
void complexRowPass(const Spec2D& sp, const Kernels<float>& k, ConstPlane src, Plane dst, int b0, int b1, Slots s,
                 bool inverse) {
  const int W = sp.width, H = sp.height;
  const float factor = inverse ? sp.rowInv : sp.rowFwd;
  const auto transpose = rearrangeKernels().transpose[1][kTransposeC4];  // 8-byte elements
  for (int b = b0; b < b1; ++b) {
    const int r0 = b * G;
    const int count = std::min(G, H - r0);
    if (count < G) std::memset(s.s1, 0, sizeof(float) * 2 * static_cast<std::size_t>(W) * G);
    transpose(rowAt(src.p, src.step, r0), src.step, s.s1, 8 * G, W, count);
    k.split(s.s1, W);
    float* z = fft::runComplex(*sp.cxRows, k, s.s1, s.s3, inverse);
    if (factor != 1.0f) k.scale(z, W, factor);
    k.interleave(z, W);
    transpose(z, 8 * G, rowAt(dst.p, dst.step, r0), dst.step, count, W);
  }
}

// Column groups [g0, g1) from src to dst (the same image for the forward pass).
void columns(const Spec2D& sp, const Kernels<float>& k, ConstPlane src, Plane dst, int g0, int g1, Slots s,
             bool inverse) {
  const int W = sp.width, H = sp.height, C = dst.C;
  const float factor = inverse ? sp.colInv : sp.colFwd;
  const bool real = !sp.complexRows;
  const bool lastReal = real && W % 2 == 0 && W > 1;
  for (int grp = g0; grp < g1; ++grp) {
    if (real && grp == 0) {
      // Columns 0 and W-1 as the two halves of one complex column (lane 0).
      float* z = s.s1;
      float* pr = s.s2;
      float* pi = s.s2 + static_cast<std::ptrdiff_t>(H) * G;
      if (!inverse) {
        std::memset(z, 0, sizeof(float) * 2 * static_cast<std::size_t>(H) * G);
        for (int j = 0; j < H; ++j) {
          const float* row = rowAt(src.p, src.step, j);
          z[2 * G * j] = loadAt(row);
          if (lastReal) z[2 * G * j + G] = loadAt(row + (W - 1) * C);
        }
        const float* r = fft::runComplex(*sp.cols, k, z, s.s3, false);
        k.pairSplit(r, pr, pi, H, factor);
        for (int j = 0; j < H; ++j) {
          float* row = rowAt(dst.p, dst.step, j);
          storeAt(row, pr[G * j]);
          if (lastReal) storeAt(row + (W - 1) * C, pi[G * j]);
        }
      } else {
        std::memset(s.s2, 0, sizeof(float) * 2 * static_cast<std::size_t>(H) * G);
        for (int j = 0; j < H; ++j) {
          const float* row = rowAt(src.p, src.step, j);
          pr[G * j] = loadAt(row);
          if (lastReal) pi[G * j] = loadAt(row + (W - 1) * C);
        }
        k.pairJoin(pr, pi, z, H, factor);
        const float* r = fft::runComplex(*sp.cols, k, z, s.s3, true);
        for (int j = 0; j < H; ++j) {
          float* row = rowAt(dst.p, dst.step, j);
          storeAt(row, r[2 * G * j]);
          if (lastReal) storeAt(row + (W - 1) * C, r[2 * G * j + G]);
        }
      }
      continue;
    }
    const int first = (grp - (real ? 1 : 0)) * G;  // first pair of the group
    const int count = std::min(G, complexPairs(sp) - first);
    const int col = real ? 2 * first + 1 : 2 * first;  // float column of the pair's real part
    const float* in = src.p + static_cast<std::ptrdiff_t>(col) * C;
    float* out = dst.p + static_cast<std::ptrdiff_t>(col) * C;
    gatherPairs(k, in, src.step, C, count, H, s.s1);
    const float* r = fft::runComplex(*sp.cols, k, s.s1, s.s3, inverse);
    scatterPairs(k, r, out, dst.step, C, count, H, factor);
  }
}

// Threads that run a transform of this specification.
int transformThreads(const Spec2D& sp) {
  if (sp.threads < 2 || sp.width < 291 || sp.height < 291) return 1;
  return std::max(1, std::min(sp.threads, par::requestedThreads()));
}

// The threads of one transform: each pass splits its items (row batches, column groups) into
// contiguous ranges, one per thread (neighbouring items share cache lines at their edges). Every
// thread runs the same passes in the same order; an item gives the same bits on any thread.
struct Team {
  unsigned char* buffer;  // aligned, sized for the recorded thread count
  int t, T;
  template <class Fn>
  void forEach(int count, Fn&& fn) const {
    const par::RowRange r = par::splitFloor(count, T, t);
    for (int i = r.begin; i < r.end; ++i) fn(i);
  }
};

// One channel of a real transform.
void realChannel(const Spec2D& sp, const Kernels<float>& k, ConstPlane src, Plane dst, bool inverse, const Team& team) {
  const Slots s = slotsAt(team.buffer, sp, team.t);
  if (!inverse) {
    team.forEach(rowBatches(sp), [&](int b) { forwardRows(sp, k, src, dst, b, b + 1, s); });
#pragma omp barrier
    team.forEach(colGroups(sp), [&](int g) { columns(sp, k, ConstPlane{dst.p, dst.step, dst.C}, dst, g, g + 1, s, false); });
  } else {
    team.forEach(colGroups(sp), [&](int g) { columns(sp, k, src, dst, g, g + 1, s, true); });
#pragma omp barrier
    team.forEach(rowBatches(sp), [&](int b) { inverseRows(sp, k, dst, b, b + 1, s); });
  }
}

void complexImage(const Spec2D& sp, const Kernels<float>& k, ConstPlane src, Plane dst, bool inverse, const Team& team) {
  const Slots s = slotsAt(team.buffer, sp, team.t);
  team.forEach((sp.height + G - 1) / G, [&](int b) { complexRowPass(sp, k, src, dst, b, b + 1, s, inverse); });
#pragma omp barrier
  team.forEach(colGroups(sp), [&](int g) { columns(sp, k, ConstPlane{dst.p, dst.step, 1}, dst, g, g + 1, s, inverse); });
}

// Runs body(team, T) on every thread with the caller's buffer or one of its own.
template <class Body>
RuxResult withBuffer(const Spec2D& sp, Rux8u* pBuffer, Body&& body) {
  const int threads = transformThreads(sp);
  const long long bytes = sp.threads * (sp.perThreadBytes + 4) + 64 + sp.planeBytes;
  Scratch<unsigned char> own(pBuffer ? 0 : bytes);
  if (!pBuffer && !own) return ruxStatusNoMemory;
  unsigned char* buffer = alignUp(pBuffer ? pBuffer : own.get());
  return par::masterRegion(
      threads, [](int) { return ruxStatusOk; },
      [&](int t, int T) {
        Team team{buffer, t, T};
        body(team, T);
      });
}

template <int C, bool kAlpha>
RuxResult realTransform(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const void* pSpec, Rux8u* pBuffer,
                        int id, bool inverse) {
  RuxResult st;
  const Spec2D* sp = checkedSpec(pSpec, id, &st);
  if (!sp) return st;
  if (!pSrc || !pDst) return ruxStatusNullPointer;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  const Kernels<float>& k = fft::kernels32f();
  constexpr int channels = kAlpha ? 3 : C;
  return withBuffer(*sp, pBuffer, [&](const Team& team, int) {
    for (int c = 0; c < channels; ++c) {
      realChannel(*sp, k, ConstPlane{pSrc + c, srcStep, C}, Plane{pDst + c, dstStep, C}, inverse, team);
#pragma omp barrier
    }
  });
}

RuxResult complexTransform(const Rux32fc* pSrc, int srcStep, Rux32fc* pDst, int dstStep, const void* pSpec,
                           Rux8u* pBuffer, int id, bool inverse) {
  RuxResult st;
  const Spec2D* sp = checkedSpec(pSpec, id, &st);
  if (!sp) return st;
  if (!pSrc || !pDst) return ruxStatusNullPointer;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  const Kernels<float>& k = fft::kernels32f();
  return withBuffer(*sp, pBuffer, [&](const Team& team, int) {
    complexImage(*sp, k, ConstPlane{reinterpret_cast<const float*>(pSrc), srcStep, 1},
                 Plane{reinterpret_cast<float*>(pDst), dstStep, 1}, inverse, team);
  });
}

// v * 2^-s rounded to nearest even and saturated to T (NaN to 0), without the rounding mode.
template <class T>
T roundScaled(double v, double scale) {
  v *= scale;
  if (!(v == v)) return T(0);
  constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
  constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
  if (v <= lo) return std::numeric_limits<T>::min();
  if (v >= hi) return std::numeric_limits<T>::max();
  double r = std::floor(v + 0.5);
  if (r - v == 0.5 && std::fmod(r, 2.0) != 0.0) r -= 1.0;
  return static_cast<T>(r);
}

// Integer forms (8u to 32s forward, 32s to 8u inverse): per channel through a float plane in
// the work buffer, the result scaled by 2^-scaleFactor, rounded to nearest even and saturated.
template <int C, bool kAlpha, class S, class D>
RuxResult integerTransform(const S* pSrc, int srcStep, D* pDst, int dstStep, const void* pSpec, int scaleFactor,
                           Rux8u* pBuffer, int id, bool inverse) {
  RuxResult st;
  const Spec2D* sp = checkedSpec(pSpec, id, &st);
  if (!sp) return st;
  if (!pSrc || !pDst) return ruxStatusNullPointer;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  const Kernels<float>& k = fft::kernels32f();
  const int W = sp->width, H = sp->height;
  constexpr int channels = kAlpha ? 3 : C;
  const double scale = std::ldexp(1.0, -std::clamp(scaleFactor, -4096, 4096));
  return withBuffer(*sp, pBuffer, [&](const Team& team, int T) {
    float* plane = reinterpret_cast<float*>(alignUp(team.buffer + sp->threads * (sp->perThreadBytes + 4)));
    const std::ptrdiff_t ps = 4LL * W;
    const par::RowRange rows = par::splitFloor(H, T, team.t);
    for (int c = 0; c < channels; ++c) {
      for (int y = rows.begin; y < rows.end; ++y) {
        const S* s = rowAt(pSrc, srcStep, y) + c;
        float* d = rowAt(plane, ps, y);
        for (int x = 0; x < W; ++x) d[x] = static_cast<float>(loadAt(s + x * C));
      }
#pragma omp barrier
      realChannel(*sp, k, ConstPlane{plane, ps, 1}, Plane{plane, ps, 1}, inverse, team);
#pragma omp barrier
      for (int y = rows.begin; y < rows.end; ++y) {
        const float* s = rowAt(plane, ps, y);
        D* d = rowAt(pDst, dstStep, y) + c;
        for (int x = 0; x < W; ++x) storeAt(d + x * C, roundScaled<D>(s[x], scale));
      }
#pragma omp barrier
    }
  });
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_FFT_STATE(FAM, Spec, v, ID)                                                                  \
  RUXAPI RuxResult rux##FAM##Free_##v(Spec* pSpec) { return freeSpec(pSpec, ID); }                       \
  RUXAPI RuxResult rux##FAM##GetBufSize_##v(const Spec* pSpec, int* pSize) { return getBufSize(pSpec, ID, pSize); }

#define RUX_FFT_FAMILY(FAM, P, IDR, IDC, IDS)                                                                          \
  RUX_FFT_STATE(FAM, P##_R_32f, R_32f, IDR)                                                                            \
  RUX_FFT_STATE(FAM, P##_C_32fc, C_32fc, IDC)                                                                          \
  RUX_FFT_STATE(FAM, P##_R_32s, R_32s, IDS)                                                                            \
  RUX_FFT_REAL(FAM, P, IDR, C1, 1, false)                                                                              \
  RUX_FFT_REAL(FAM, P, IDR, C3, 3, false)                                                                              \
  RUX_FFT_REAL(FAM, P, IDR, C4, 4, false)                                                                              \
  RUX_FFT_REAL(FAM, P, IDR, AC4, 4, true)                                                                              \
  RUX_FFT_INT(FAM, P, IDS, C1, 1, false)                                                                               \
  RUX_FFT_INT(FAM, P, IDS, C3, 3, false)                                                                               \
  RUX_FFT_INT(FAM, P, IDS, C4, 4, false)                                                                               \
  RUX_FFT_INT(FAM, P, IDS, AC4, 4, true)                                                                               \
  RUXAPI RuxResult rux##FAM##Fwd_CToC_32fc_C1R(const Rux32fc* pSrc, int srcStep, Rux32fc* pDst, int dstStep,           \
                                               const P##_C_32fc* pSpec, Rux8u* pBuffer) {                              \
    return complexTransform(pSrc, srcStep, pDst, dstStep, pSpec, pBuffer, IDC, false);                                 \
  }                                                                                                                    \
  RUXAPI RuxResult rux##FAM##Inv_CToC_32fc_C1R(const Rux32fc* pSrc, int srcStep, Rux32fc* pDst, int dstStep,           \
                                               const P##_C_32fc* pSpec, Rux8u* pBuffer) {                              \
    return complexTransform(pSrc, srcStep, pDst, dstStep, pSpec, pBuffer, IDC, true);                                  \
  }                                                                                                                    \
  RUXAPI RuxResult rux##FAM##Fwd_CToC_32fc_C1IR(Rux32fc* pSrcDst, int step, const P##_C_32fc* pSpec, Rux8u* pBuffer) { \
    return complexTransform(pSrcDst, step, pSrcDst, step, pSpec, pBuffer, IDC, false);                                 \
  }                                                                                                                    \
  RUXAPI RuxResult rux##FAM##Inv_CToC_32fc_C1IR(Rux32fc* pSrcDst, int step, const P##_C_32fc* pSpec, Rux8u* pBuffer) { \
    return complexTransform(pSrcDst, step, pSrcDst, step, pSpec, pBuffer, IDC, true);                                  \
  }

#define RUX_FFT_REAL(FAM, P, ID, lay, C, A)                                                                          \
  RUXAPI RuxResult rux##FAM##Fwd_RToPack_32f_##lay##R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep,    \
                                                      const P##_R_32f* pSpec, Rux8u* pBuffer) {                      \
    return realTransform<C, A>(pSrc, srcStep, pDst, dstStep, pSpec, pBuffer, ID, false);                             \
  }                                                                                                                  \
  RUXAPI RuxResult rux##FAM##Inv_PackToR_32f_##lay##R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep,    \
                                                      const P##_R_32f* pSpec, Rux8u* pBuffer) {                      \
    return realTransform<C, A>(pSrc, srcStep, pDst, dstStep, pSpec, pBuffer, ID, true);                              \
  }                                                                                                                  \
  RUXAPI RuxResult rux##FAM##Fwd_RToPack_32f_##lay##IR(Rux32f* pSrcDst, int step, const P##_R_32f* pSpec,            \
                                                       Rux8u* pBuffer) {                                             \
    return realTransform<C, A>(pSrcDst, step, pSrcDst, step, pSpec, pBuffer, ID, false);                             \
  }                                                                                                                  \
  RUXAPI RuxResult rux##FAM##Inv_PackToR_32f_##lay##IR(Rux32f* pSrcDst, int step, const P##_R_32f* pSpec,            \
                                                       Rux8u* pBuffer) {                                             \
    return realTransform<C, A>(pSrcDst, step, pSrcDst, step, pSpec, pBuffer, ID, true);                              \
  }

#define RUX_FFT_INT(FAM, P, ID, lay, C, A)                                                                             \
  RUXAPI RuxResult rux##FAM##Fwd_RToPack_8u32s_##lay##RSfs(const Rux8u* pSrc, int srcStep, Rux32s* pDst, int dstStep,  \
                                                           const P##_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer) {  \
    return integerTransform<C, A>(pSrc, srcStep, pDst, dstStep, pSpec, scaleFactor, pBuffer, ID, false);                          \
  }                                                                                                                    \
  RUXAPI RuxResult rux##FAM##Inv_PackToR_32s8u_##lay##RSfs(const Rux32s* pSrc, int srcStep, Rux8u* pDst, int dstStep,  \
                                                           const P##_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer) {  \
    return integerTransform<C, A>(pSrc, srcStep, pDst, dstStep, pSpec, scaleFactor, pBuffer, ID, true);                          \
  }

RUX_FFT_FAMILY(iFFT, RuxFftSpec, kFftR, kFftC, kFftR32s)
RUX_FFT_FAMILY(iDFT, RuxDftSpec, kDftR, kDftC, kDftR32s)

RUXAPI RuxResult ruxiFFTInitAlloc_R_32f(RuxFftSpec_R_32f** ppSpec, int orderX, int orderY, int flag,
                                        RuxAccuracyHint hint) {
  return fftInitAlloc(ppSpec, orderX, orderY, flag, hint, kFftR);
}
RUXAPI RuxResult ruxiFFTInitAlloc_C_32fc(RuxFftSpec_C_32fc** ppSpec, int orderX, int orderY, int flag,
                                         RuxAccuracyHint hint) {
  return fftInitAlloc(ppSpec, orderX, orderY, flag, hint, kFftC);
}
RUXAPI RuxResult ruxiFFTInitAlloc_R_32s(RuxFftSpec_R_32s** ppSpec, int orderX, int orderY, int flag,
                                        RuxAccuracyHint hint) {
  return fftInitAlloc(ppSpec, orderX, orderY, flag, hint, kFftR32s);
}
RUXAPI RuxResult ruxiDFTInitAlloc_R_32f(RuxDftSpec_R_32f** ppSpec, RuxImageSize roiSize, int flag,
                                        RuxAccuracyHint hint) {
  return dftInitAlloc(ppSpec, roiSize, flag, hint, kDftR);
}
RUXAPI RuxResult ruxiDFTInitAlloc_C_32fc(RuxDftSpec_C_32fc** ppSpec, RuxImageSize roiSize, int flag,
                                         RuxAccuracyHint hint) {
  return dftInitAlloc(ppSpec, roiSize, flag, hint, kDftC);
}
RUXAPI RuxResult ruxiDFTInitAlloc_R_32s(RuxDftSpec_R_32s** ppSpec, RuxImageSize roiSize, int flag,
                                        RuxAccuracyHint hint) {
  return dftInitAlloc(ppSpec, roiSize, flag, hint, kDftR32s);
}
RUXAPI RuxResult ruxiDFTGetSize_R_32f(RuxImageSize roiSize, int flag, RuxAccuracyHint, int* pSizeSpec, int* pSizeInit,
                                      int* pSizeBuf) {
  return dftGetSize(kDftR, roiSize, flag, pSizeSpec, pSizeInit, pSizeBuf);
}
RUXAPI RuxResult ruxiDFTGetSize_C_32fc(RuxImageSize roiSize, int flag, RuxAccuracyHint, int* pSizeSpec,
                                       int* pSizeInit, int* pSizeBuf) {
  return dftGetSize(kDftC, roiSize, flag, pSizeSpec, pSizeInit, pSizeBuf);
}
RUXAPI RuxResult ruxiDFTInit_R_32f(RuxImageSize roiSize, int flag, RuxAccuracyHint hint, RuxDftSpec_R_32f* pSpec,
                                   Rux8u* pMemInit) {
  return dftInit(kDftR, roiSize, flag, hint, pSpec, pMemInit);
}
RUXAPI RuxResult ruxiDFTInit_C_32fc(RuxImageSize roiSize, int flag, RuxAccuracyHint hint, RuxDftSpec_C_32fc* pSpec,
                                    Rux8u* pMemInit) {
  return dftInit(kDftC, roiSize, flag, hint, pSpec, pMemInit);
}
