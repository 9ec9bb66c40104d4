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

void freeMoments64f(void* s) { ruxiMomentFree_64f(static_cast<RuxMomentState_64f*>(s)); }
void freeMoments64s(void* s) { ruxiMomentFree_64s(static_cast<RuxMomentState_64s*>(s)); }

const StateKind kKinds[] = {
    {"RuxMomentState_64f", 400, true,
     createMoments<RuxMomentState_64f, ruxiMomentInitAlloc_64f, ruxiMoments64f_8u_C1R>,
     freeMoments64f},
    {"RuxMomentState_64s", 400, true,
     createMoments<RuxMomentState_64s, ruxiMomentInitAlloc_64s, ruxiMoments64s_8u_C1R>,
     freeMoments64s},
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
