#include "contract/states.h"

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
