// DCT of images of any size: the orthonormal DCT-II (forward) and its transpose (inverse).
//
// Shape: a specification holds one DCT plan per axis length (rows W, columns H; one plan when
// they are equal). A transform runs a row pass then a column pass over batches of 2 x 16
// sequences: the first 16 are the real lanes, the next 16 the imaginary lanes of one complex DFT
// of the axis length (v[j] = x[2j], v[n-1-j] = x[2j+1], then a quarter-wave twiddle per
// output); short axes multiply by a cosine matrix instead. Rows come through transposes, columns
// as plain lanes. An 8 x 8 specification runs the 8 x 8 block transform. Rows and column groups
// are split among the recorded threads; every batch gives the same bits on any thread.
#include <algorithm>
#include <cstring>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/dct8x8.h"
#include "primitives/fft_plan.h"
#include "ruxcore.h"
#include "transform/passes.h"
#include "ruxi.h"

namespace rux {
namespace {

using fft::DctPlan;
using fft::Kernels;
using xform::alignUp;
using xform::rowAt;
constexpr int G = xform::kLanes;

enum : int { kDctFwd = 31, kDctInv = 32 };

struct DctSpec {
  int id;
  int width, height;
  int hint;
  long long perThreadBytes;
  int threads;
  bool block8;
  const DctPlan<float>* rows;
  const DctPlan<float>* cols;
  void* owned;
};

constexpr long long kLimit = 0x7fffffff;

bool dctLengthOk(long long n) {
  const bool pow2 = (n & (n - 1)) == 0;
  return pow2 ? n <= 0xFFFFFFF : n <= 0x1FFFFFF;
}

long long round16(long long v) { return (v + 15) & ~15LL; }

// Slots of one thread, in floats: z, the two input blocks, the two matrix outputs, the DFT work.
struct Slots {
  float* z;
  float* ab;
  float* out;
  float* work;
};
struct SlotSizes {
  long long z, ab, out, work;
  long long bytes() const { return 4 * (z + ab + out + work); }
};

long long cxWork(long long n) { return fft::dctByMatrix(n) ? 0 : fft::complexWorkValues<float>(n); }

SlotSizes slotSizes(int W, int H) {
  const long long n = std::max(W, H);
  return {round16(2 * n * G), round16(2 * n * G), round16(2 * n * G), round16(std::max(cxWork(W), cxWork(H)))};
}

bool buildPlans(fft::Arena& a, int W, int H, double* scratch, const DctPlan<float>** rows,
                const DctPlan<float>** cols) {
  if (!fft::buildDct<float>(a, W, rows, scratch)) return false;
  if (H == W) {
    *cols = *rows;
    return true;
  }
  return fft::buildDct<float>(a, H, cols, scratch);
}

RuxResult initAlloc(void** out, RuxImageSize size, int hint, int id) {
  if (!out) return ruxStatusNullPointer;
  const int W = size.width, H = size.height;
  if (W < 1 || H < 1) return ruxStatusBadSize;
  if (!dctLengthOk(W) || !dctLengthOk(H)) return ruxStatusBadSize;
  const bool block8 = W == 8 && H == 8;
  fft::Arena dry;
  const DctPlan<float>* r = nullptr;
  const DctPlan<float>* c = nullptr;
  if (!block8 && !buildPlans(dry, W, H, nullptr, &r, &c)) return ruxStatusBadSize;
  const long long specBytes = static_cast<long long>(sizeof(DctSpec)) + 128 + static_cast<long long>(dry.used);
  const long long initValues = block8 ? 0 : std::max(fft::dctScratchValues(W), fft::dctScratchValues(H));
  const long long perThread = block8 ? 8 * 8 * 4 * 4 : slotSizes(W, H).bytes() + 4 * 64;
  const int threads = (W > 255 && H > 255) ? std::max(1, ownGetNumThreads()) : 1;
  if (specBytes > kLimit || 8 * initValues + 64 > kLimit || threads * (perThread + 4) + 64 > kLimit)
    return ruxStatusNoMemory;
  void* memory = ruxMalloc(static_cast<int>(specBytes));
  if (!memory) return ruxStatusNoMemory;
  Scratch<double> init(initValues + 8);
  if (!init) {
    ruxFree(memory);
    return ruxStatusNoMemory;
  }
  DctSpec* s = reinterpret_cast<DctSpec*>(alignUp(memory));
  fft::Arena a;
  a.base = reinterpret_cast<unsigned char*>(s) + ((sizeof(DctSpec) + 63) & ~std::size_t{63});
  a.limit = dry.used;
  DctSpec sp{id, W, H, hint, perThread, threads, block8, nullptr, nullptr, memory};
  if (!block8 && (!buildPlans(a, W, H, reinterpret_cast<double*>(alignUp(init.get())), &sp.rows, &sp.cols) || a.failed)) {
    ruxFree(memory);
    return ruxStatusNoMemory;
  }
  *s = sp;
  *out = s;
  return ruxStatusOk;
}

const DctSpec* checkedSpec(const void* p, int id, RuxResult* st) {
  if (!p) {
    *st = ruxStatusNullPointer;
    return nullptr;
  }
  const DctSpec* s = static_cast<const DctSpec*>(p);
  *st = s->id == id ? ruxStatusOk : ruxStatusBadContext;
  return *st == ruxStatusOk ? s : nullptr;
}

RuxResult freeSpec(void* p, int id) {
  RuxResult st;
  const DctSpec* s = checkedSpec(p, id, &st);
  if (!s) return st;
  void* block = s->owned;
  static_cast<DctSpec*>(p)->id = 0;
  ruxFree(block);
  return ruxStatusOk;
}

long long bufBytes(const DctSpec& s) { return s.threads * (s.perThreadBytes + 4) + 64; }

RuxResult getBufSize(const void* p, int id, int* size) {
  RuxResult st;
  const DctSpec* s = checkedSpec(p, id, &st);
  if (!s) return st;
  if (!size) return ruxStatusNullPointer;
  *size = static_cast<int>(bufBytes(*s));
  return ruxStatusOk;
}

Slots slotsAt(unsigned char* buffer, const DctSpec& sp, int t) {
  float* base = reinterpret_cast<float*>(alignUp(buffer + static_cast<std::ptrdiff_t>(t) * sp.perThreadBytes));
  const SlotSizes sl = slotSizes(sp.width, sp.height);
  return {base, base + sl.z, base + sl.z + sl.ab, base + sl.z + sl.ab + sl.out};
}

// Transforms the plain blocks a and b (n rows of 16 lanes each, adjacent in s.ab); returns the
// block holding the result of a (the result of b follows it by n rows).
float* apply(const DctPlan<float>& plan, const Kernels<float>& k, const Slots& s, bool inverse) {
  const int n = plan.n;
  float* a = s.ab;
  float* b = s.ab + static_cast<std::ptrdiff_t>(n) * G;
  if (plan.fwdMat) {
    const float* m = inverse ? plan.invMat : plan.fwdMat;
    k.matPlain(m, a, s.out, n);
    k.matPlain(m, b, s.out + static_cast<std::ptrdiff_t>(n) * G, n);
    return s.out;
  }
  if (!inverse) {
    k.dctPre(a, b, s.z, n);
    const float* z = fft::runComplex(*plan.cx, k, s.z, s.work, false);
    k.dctPost(z, a, b, n, plan.post);
  } else {
    k.idctPre(a, b, s.z, n, plan.pre);
    const float* z = fft::runComplex(*plan.cx, k, s.z, s.work, true);
    k.idctPost(z, a, b, n);
  }
  return a;
}

// Row batches of 32 rows [b0, b1) of one channel from src to dst.
void rowPass(const DctSpec& sp, const Kernels<float>& k, const float* src, std::ptrdiff_t ss, float* dst,
             std::ptrdiff_t ds, int C, int b0, int b1, const Slots& s, bool inverse) {
  const int W = sp.width, H = sp.height;
  for (int b = b0; b < b1; ++b) {
    const int r0 = 2 * G * b, count = std::min(2 * G, H - r0);
    const int lo = std::min(count, G), hi = count - lo;
    const float* in = rowAt(src, ss, r0);
    float* out = rowAt(dst, ds, r0);
    xform::gatherRows(in, ss, C, 0, lo, W, s.ab, G);
    xform::gatherRows(rowAt(in, ss, G), ss, C, 0, hi, W, s.ab + static_cast<std::ptrdiff_t>(W) * G, G);
    const float* r = apply(*sp.rows, k, s, inverse);
    xform::scatterRows(r, G, C, 0, lo, W, out, ds);
    if (hi > 0) xform::scatterRows(r + static_cast<std::ptrdiff_t>(W) * G, G, C, 0, hi, W, rowAt(out, ds, G), ds);
  }
}

// Column groups of 32 columns [g0, g1) of one channel, in place.
void columnPass(const DctSpec& sp, const Kernels<float>& k, float* img, std::ptrdiff_t step, int C, int g0, int g1,
                const Slots& s, bool inverse) {
  const int W = sp.width, H = sp.height;
  for (int g = g0; g < g1; ++g) {
    const int c0 = 2 * G * g, count = std::min(2 * G, W - c0);
    const int lo = std::min(count, G), hi = count - lo;
    float* base = img + static_cast<std::ptrdiff_t>(c0) * C;
    xform::gatherColumns(k, base, step, C, lo, H, s.ab);
    xform::gatherColumns(k, base + static_cast<std::ptrdiff_t>(G) * C, step, C, hi, H,
                         s.ab + static_cast<std::ptrdiff_t>(H) * G);
    const float* r = apply(*sp.cols, k, s, inverse);
    xform::scatterColumns(k, r, base, step, C, lo, H);
    if (hi > 0) xform::scatterColumns(k, r + static_cast<std::ptrdiff_t>(H) * G, base + static_cast<std::ptrdiff_t>(G) * C, step, C, hi, H);
  }
}

// One 8 x 8 block of channel c through the block transform.
void block8(const float* src, std::ptrdiff_t ss, float* dst, std::ptrdiff_t ds, int C, bool inverse) {
  alignas(64) float in[64], out[64];
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) in[8 * y + x] = loadAt(rowAt(src, ss, y) + x * C);
  (inverse ? dct8x8::inverse32f : dct8x8::forward32f)(in, 32, out, 32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) storeAt(rowAt(dst, ds, y) + x * C, out[8 * y + x]);
}

template <int C, bool kAlpha>
RuxResult transform(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const void* pSpec, Rux8u* pBuffer,
                    int id) {
  RuxResult st;
  const DctSpec* sp = checkedSpec(pSpec, id, &st);
  if (!sp) return st;
  if (!pSrc || !pDst) return ruxStatusNullPointer;
  if (srcStep < 1 || dstStep < 1) return ruxStatusBadStep;
  const bool inverse = id == kDctInv;
  constexpr int channels = kAlpha ? 3 : C;
  if (sp->block8) {
    for (int c = 0; c < channels; ++c) block8(pSrc + c, srcStep, pDst + c, dstStep, C, inverse);
    return ruxStatusOk;
  }
  Scratch<unsigned char> own(pBuffer ? 0 : bufBytes(*sp));
  if (!pBuffer && !own) return ruxStatusNoMemory;
  unsigned char* buffer = alignUp(pBuffer ? pBuffer : own.get());
  const Kernels<float>& k = fft::kernels32f();
  const int threads = sp->threads > 1 ? std::max(1, std::min(sp->threads, par::requestedThreads())) : 1;
  return par::masterRegion(
      threads, [](int) { return ruxStatusOk; },
      [&](int t, int T) {
        const Slots s = slotsAt(buffer, *sp, t);
        const par::RowRange rb = par::splitFloor((sp->height + 2 * G - 1) / (2 * G), T, t);
        const par::RowRange cg = par::splitFloor((sp->width + 2 * G - 1) / (2 * G), T, t);
        for (int c = 0; c < channels; ++c) {
          rowPass(*sp, k, pSrc + c, srcStep, pDst + c, dstStep, C, rb.begin, rb.end, s, inverse);
#pragma omp barrier
          columnPass(*sp, k, pDst + c, dstStep, C, cg.begin, cg.end, s, inverse);
#pragma omp barrier
        }
      });
}

}  // namespace
}  // namespace rux

using namespace rux;

#define RUX_DCT(D, ID)                                                                                            \
  RUXAPI RuxResult ruxiDCT##D##InitAlloc_32f(RuxDct##D##Spec_32f** ppSpec, RuxImageSize roiSize,                  \
                                             RuxAccuracyHint hint) {                                               \
    void* p = nullptr;                                                                                            \
    const RuxResult st = ppSpec ? initAlloc(&p, roiSize, hint, ID) : ruxStatusNullPointer;                        \
    if (st == ruxStatusOk) *ppSpec = static_cast<RuxDct##D##Spec_32f*>(p);                                        \
    return st;                                                                                                    \
  }                                                                                                               \
  RUXAPI RuxResult ruxiDCT##D##Free_32f(RuxDct##D##Spec_32f* pSpec) { return freeSpec(pSpec, ID); }              \
  RUXAPI RuxResult ruxiDCT##D##GetBufSize_32f(const RuxDct##D##Spec_32f* pSpec, int* pSize) {                    \
    return getBufSize(pSpec, ID, pSize);                                                                          \
  }                                                                                                               \
  RUX_DCT_LAYOUT(D, ID, C1, 1, false)                                                                             \
  RUX_DCT_LAYOUT(D, ID, C3, 3, false)                                                                             \
  RUX_DCT_LAYOUT(D, ID, C4, 4, false)                                                                             \
  RUX_DCT_LAYOUT(D, ID, AC4, 4, true)

#define RUX_DCT_LAYOUT(D, ID, lay, C, A)                                                                          \
  RUXAPI RuxResult ruxiDCT##D##_32f_##lay##R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep,          \
                                            const RuxDct##D##Spec_32f* pSpec, Rux8u* pBuffer) {                   \
    return transform<C, A>(pSrc, srcStep, pDst, dstStep, pSpec, pBuffer, ID);                                     \
  }

RUX_DCT(Fwd, kDctFwd)
RUX_DCT(Inv, kDctInv)
