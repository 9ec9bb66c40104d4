#include "contract/states.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "ruxi.h"

namespace ruxcontract {
namespace {

// Moment states carry the moments of a small 8u ramp, so every getter has data.
template <class State, RuxResult (*InitAlloc)(State**, RuxAccuracyHint),
          RuxResult (*Moments)(const Rux8u*, int, RuxImageSize, State*)>
void* createMoments() {
  State* s = nullptr;
  if (InitAlloc(&s, ruxHintAccurate) != 0) return nullptr;
  std::vector<Rux8u> img(8 * 6);
  for (std::size_t i = 0; i < img.size(); ++i) img[i] = static_cast<Rux8u>(1 + 7 * i);
  Moments(img.data(), 8, {8, 6}, s);
  return s;
}

// Transform specifications of fixed sizes: FFTs of 8 x 4 (orders 3, 2), DFTs and DCTs of 7 x 5
// (the checker's default region); their transforms take the size from the state.
template <class S, RuxResult (*InitAlloc)(S**, int, int, int, RuxAccuracyHint)>
void* createFft() {
  S* s = nullptr;
  return InitAlloc(&s, 3, 2, ruxFftDivInvByN, ruxHintNone) == 0 ? s : nullptr;
}
template <class S, RuxResult (*InitAlloc)(S**, RuxImageSize, int, RuxAccuracyHint)>
void* createDft() {
  S* s = nullptr;
  return InitAlloc(&s, {7, 5}, ruxFftDivInvByN, ruxHintNone) == 0 ? s : nullptr;
}
template <class S, RuxResult (*InitAlloc)(S**, RuxImageSize, RuxAccuracyHint)>
void* createDct() {
  S* s = nullptr;
  return InitAlloc(&s, {7, 5}, ruxHintNone) == 0 ? s : nullptr;
}
template <class S, RuxResult (*Free)(S*)>
void freeSpec(void* s) {
  Free(static_cast<S*>(s));
}

void freeMoments64f(void* s) { ruxiMomentFree_64f(static_cast<RuxMomentState_64f*>(s)); }

// Wavelet specifications with filters whose borders differ before and after the region:
// forward low 5 taps (anchor 3), high 3 taps (anchor 0); inverse low 3 (anchor 1), high 5
// (anchor 2). The wavelet contract's borders and buffer sizes follow from these.
template <class Spec, RuxResult (*InitAlloc)(Spec**, const Rux32f*, int, int, const Rux32f*, int, int), bool kForward>
void* createWavelet() {
  const Rux32f five[5] = {-0.125f, 0.25f, 0.75f, 0.25f, -0.125f}, three[3] = {-0.5f, 1.0f, -0.5f};
  Spec* s = nullptr;
  const RuxResult st = kForward ? InitAlloc(&s, five, 5, 3, three, 3, 0) : InitAlloc(&s, three, 3, 1, five, 5, 2);
  return st == 0 ? s : nullptr;
}
template <class Spec, RuxResult (*Free)(Spec*)>
void freeWavelet(void* s) {
  Free(static_cast<Spec*>(s));
}
void freeMoments64s(void* s) { ruxiMomentFree_64s(static_cast<RuxMomentState_64s*>(s)); }

// Deconvolution states: a 3 x 3 kernel; FFT side 16 (order 4), Lucy-Richardson maximal region
// 16 x 16, so the checker's region fits both.
const Rux32f kDeconvKernel[9] = {0.05f, 0.1f, 0.05f, 0.1f, 0.4f, 0.1f, 0.05f, 0.1f, 0.05f};
template <class S, RuxResult (*InitAlloc)(S**, const Rux32f*, int, int, Rux32f)>
void* createDeconvFft() {
  S* s = nullptr;
  return InitAlloc(&s, kDeconvKernel, 3, 4, 0.001f) == 0 ? s : nullptr;
}
template <class S, RuxResult (*InitAlloc)(S**, const Rux32f*, int, RuxImageSize, Rux32f)>
void* createDeconvLr() {
  S* s = nullptr;
  return InitAlloc(&s, kDeconvKernel, 3, {16, 16}, 0.001f) == 0 ? s : nullptr;
}

// Resize states of 300 x 300 to 300 x 300 (the fuzzer's largest region) at a 64-byte boundary:
// identity maps, so a tile at the origin reads its region and at most three pixels beyond it.
template <int kMode, int kLobes, bool kWide>
void* createResize() {
  const RuxImageSize s{300, 300};
  int bytes = 0, init = 0;
  RuxResult st = kWide ? ruxiResizeGetSize_64f(s, s, kMode, 0, &bytes, &init) : ruxiResizeGetSize_8u(s, s, kMode, 0, &bytes, &init);
  if (st != 0) return nullptr;
  void* mem = std::aligned_alloc(64, static_cast<std::size_t>(bytes + 63) / 64 * 64);
  auto* spec = static_cast<RuxResizeSpec*>(mem);
  std::vector<Rux8u> buf(static_cast<std::size_t>(init));
  if (kWide) st = ruxiResizeLinearInit_64f(s, s, spec);
  else if (kMode == 1) st = ruxiResizeNearestInit_8u(s, s, spec);
  else if (kMode == 2) st = ruxiResizeLinearInit_8u(s, s, spec);
  else if (kMode == 6) st = ruxiResizeCubicInit_8u(s, s, spec, buf.data(), 0.0f, 0.5f);
  else if (kMode == 8) st = ruxiResizeSuperInit_8u(s, s, spec);
  else st = ruxiResizeLanczosInit_8u(s, s, kLobes, spec, buf.data());
  if (st != 0) std::free(mem);
  return st == 0 ? mem : nullptr;
}
void freeResize(void* p) { std::free(p); }

// Row resampling 300 -> 450 (3 phases, border 2) at a 16-byte boundary.
void* createResampleRow() {
  int bytes = 0, buf = 0;
  if (ruxiResampleRowGetSize_32f(300, 450, &bytes, &buf) != 0) return nullptr;
  void* mem = std::aligned_alloc(64, static_cast<std::size_t>(bytes + 63) / 64 * 64);
  if (ruxiResampleRowInit_32f(static_cast<RuxResampleRowSpec_32f*>(mem), 0, 300, 450) == 0) return mem;
  std::free(mem);
  return nullptr;
}

// YUV states of 300 x 300 onto itself: 4:2:0 three-lobe Lanczos or super-sampling, 4:2:2 linear
// or nearest.
template <bool k420, int kMode>
void* createYuv() {
  const RuxImageSize s{300, 300};
  int bytes = 0, init = 0;
  const RuxResult st = k420 ? ruxiResizeYUV420GetSize(s, s, kMode, 0, &bytes, &init)
                            : ruxiResizeYUV422GetSize(s, s, kMode, 0, &bytes, &init);
  if (st != 0) return nullptr;
  void* mem = std::aligned_alloc(64, static_cast<std::size_t>(bytes + 63) / 64 * 64);
  std::vector<Rux8u> buf(static_cast<std::size_t>(init));
  RuxResult r;
  if (k420 && kMode == 16) r = ruxiResizeYUV420LanczosInit(s, s, 3, static_cast<RuxResizeYUV420Spec*>(mem), buf.data());
  else if (k420) r = ruxiResizeYUV420SuperInit(s, s, static_cast<RuxResizeYUV420Spec*>(mem));
  else if (kMode == 2) r = ruxiResizeYUV422LinearInit(s, s, static_cast<RuxResizeYUV422Spec*>(mem));
  else r = ruxiResizeYUV422NearestInit(s, s, static_cast<RuxResizeYUV422Spec*>(mem));
  if (r == 0) return mem;
  std::free(mem);
  return nullptr;
}

// Integer-filter state of the checker's region (7 x 5) onto itself.
void* createResizeFilter() {
  int bytes = 0;
  if (ruxiResizeFilterGetSize_8u_C1R({7, 5}, {7, 5}, ruxResizeFilterLanczos, &bytes) != 0) return nullptr;
  void* mem = std::aligned_alloc(64, static_cast<std::size_t>(bytes + 63) / 64 * 64);
  if (ruxiResizeFilterInit_8u_C1R(static_cast<RuxResizeFilterState*>(mem), ruxResizeFilterLanczos, {7, 5}, {7, 5}) == 0)
    return mem;
  std::free(mem);
  return nullptr;
}

const StateKind kKinds[] = {
    {"RuxMomentState_64f", 400, true,
     createMoments<RuxMomentState_64f, ruxiMomentInitAlloc_64f, ruxiMoments64f_8u_C1R>,
     freeMoments64f},
    {"RuxMomentState_64s", 400, true,
     createMoments<RuxMomentState_64s, ruxiMomentInitAlloc_64s, ruxiMoments64s_8u_C1R>,
     freeMoments64s},
    {"RuxWTFwdSpec_32f_C1R", 0, true, createWavelet<RuxWTFwdSpec_32f_C1R, ruxiWTFwdInitAlloc_32f_C1R, true>,
     freeWavelet<RuxWTFwdSpec_32f_C1R, ruxiWTFwdFree_32f_C1R>},
    {"RuxWTFwdSpec_32f_C3R", 0, true, createWavelet<RuxWTFwdSpec_32f_C3R, ruxiWTFwdInitAlloc_32f_C3R, true>,
     freeWavelet<RuxWTFwdSpec_32f_C3R, ruxiWTFwdFree_32f_C3R>},
    {"RuxWTInvSpec_32f_C1R", 0, true, createWavelet<RuxWTInvSpec_32f_C1R, ruxiWTInvInitAlloc_32f_C1R, false>,
     freeWavelet<RuxWTInvSpec_32f_C1R, ruxiWTInvFree_32f_C1R>},
    {"RuxWTInvSpec_32f_C3R", 0, true, createWavelet<RuxWTInvSpec_32f_C3R, ruxiWTInvInitAlloc_32f_C3R, false>,
     freeWavelet<RuxWTInvSpec_32f_C3R, ruxiWTInvFree_32f_C3R>},
    {"RuxFftSpec_R_32f", 0, true, createFft<RuxFftSpec_R_32f, ruxiFFTInitAlloc_R_32f>,
     freeSpec<RuxFftSpec_R_32f, ruxiFFTFree_R_32f>, 8, 4},
    {"RuxFftSpec_C_32fc", 0, true, createFft<RuxFftSpec_C_32fc, ruxiFFTInitAlloc_C_32fc>,
     freeSpec<RuxFftSpec_C_32fc, ruxiFFTFree_C_32fc>, 8, 4},
    {"RuxFftSpec_R_32s", 0, true, createFft<RuxFftSpec_R_32s, ruxiFFTInitAlloc_R_32s>,
     freeSpec<RuxFftSpec_R_32s, ruxiFFTFree_R_32s>, 8, 4},
    {"RuxDftSpec_R_32f", 1 << 18, true, createDft<RuxDftSpec_R_32f, ruxiDFTInitAlloc_R_32f>,
     freeSpec<RuxDftSpec_R_32f, ruxiDFTFree_R_32f>, 7, 5},
    {"RuxDftSpec_C_32fc", 1 << 18, true, createDft<RuxDftSpec_C_32fc, ruxiDFTInitAlloc_C_32fc>,
     freeSpec<RuxDftSpec_C_32fc, ruxiDFTFree_C_32fc>, 7, 5},
    {"RuxDftSpec_R_32s", 0, true, createDft<RuxDftSpec_R_32s, ruxiDFTInitAlloc_R_32s>,
     freeSpec<RuxDftSpec_R_32s, ruxiDFTFree_R_32s>, 7, 5},
    {"RuxDctFwdSpec_32f", 0, true, createDct<RuxDctFwdSpec_32f, ruxiDCTFwdInitAlloc_32f>,
     freeSpec<RuxDctFwdSpec_32f, ruxiDCTFwdFree_32f>, 7, 5},
    {"RuxDctInvSpec_32f", 0, true, createDct<RuxDctInvSpec_32f, ruxiDCTInvInitAlloc_32f>,
     freeSpec<RuxDctInvSpec_32f, ruxiDCTInvFree_32f>, 7, 5},
    {"RuxDeconvFFTState_32f_C1R", 0, true, createDeconvFft<RuxDeconvFFTState_32f_C1R, ruxiDeconvFFTInitAlloc_32f_C1R>,
     freeSpec<RuxDeconvFFTState_32f_C1R, ruxiDeconvFFTFree_32f_C1R>},
    {"RuxDeconvFFTState_32f_C3R", 0, true, createDeconvFft<RuxDeconvFFTState_32f_C3R, ruxiDeconvFFTInitAlloc_32f_C3R>,
     freeSpec<RuxDeconvFFTState_32f_C3R, ruxiDeconvFFTFree_32f_C3R>},
    {"RuxDeconvLRState_32f_C1R", 0, true, createDeconvLr<RuxDeconvLRState_32f_C1R, ruxiDeconvLRInitAlloc_32f_C1R>,
     freeSpec<RuxDeconvLRState_32f_C1R, ruxiDeconvLRFree_32f_C1R>},
    {"RuxDeconvLRState_32f_C3R", 0, true, createDeconvLr<RuxDeconvLRState_32f_C3R, ruxiDeconvLRInitAlloc_32f_C3R>,
     freeSpec<RuxDeconvLRState_32f_C3R, ruxiDeconvLRFree_32f_C3R>},
    // The type's own kind (linear) sizes the Init forms' caller memory; the others are named by
    // the description's state.ARG key.
    {"RuxResizeSpec", 1 << 16, true, createResize<2, 0, false>, freeResize},
    {"RuxResizeSpec:nearest", 0, true, createResize<1, 0, false>, freeResize},
    {"RuxResizeSpec:cubic", 0, true, createResize<6, 0, false>, freeResize},
    {"RuxResizeSpec:lanczos", 0, true, createResize<16, 3, false>, freeResize},
    {"RuxResizeSpec:super", 0, true, createResize<8, 0, false>, freeResize},
    {"RuxResizeSpec:linear64f", 0, true, createResize<2, 0, true>, freeResize},
    {"RuxResampleRowSpec_32f", 4096, true, createResampleRow, freeResize},
    {"RuxResizeYUV420Spec", 1 << 17, true, createYuv<true, 16>, freeResize},
    {"RuxResizeYUV420Spec:super", 0, true, createYuv<true, 8>, freeResize},
    {"RuxResizeYUV422Spec", 1 << 17, true, createYuv<false, 2>, freeResize},
    {"RuxResizeYUV422Spec:nearest", 0, true, createYuv<false, 1>, freeResize},
    {"RuxResizeFilterState", 1 << 15, true, createResizeFilter, freeResize},
};

}  // namespace

const StateKind* stateKind(const std::string& base) {
  for (const auto& k : kKinds)
    if (base == k.base) return &k;
  return nullptr;
}

const StateKind* otherStateKind(const StateKind* kind) {
  for (const auto& k : kKinds)
    if (&k != kind && k.hasIdentifier) return &k;
  return kind;
}

}  // namespace ruxcontract
