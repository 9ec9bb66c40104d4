// Image allocation: rows rounded up to a multiple of 64 bytes, one block of step x height bytes.
//
// A null step pointer or a size < 1 gives null (the step cell then holds 0). A row or a block
// that cannot be expressed in the 32-bit byte count gives null as well: the product never wraps
// to a smaller allocation. When the core services run out of memory the cell keeps the step.
#include <climits>

#include "core/base.h"

namespace {

template <class T, int kChannels>
T* allocImage(int width, int height, int* pStep) {
  if (pStep == nullptr) return nullptr;
  if (width < 1 || height < 1) {
    *pStep = 0;
    return nullptr;
  }
  const long long rowBytes = static_cast<long long>(width) * kChannels * sizeof(T);
  const long long step = (rowBytes + 63) / 64 * 64;
  if (step > INT_MAX) {
    *pStep = 0;
    return nullptr;
  }
  *pStep = static_cast<int>(step);
  const long long total = step * height;
  if (total > INT_MAX) return nullptr;
  return static_cast<T*>(ruxMalloc(static_cast<int>(total)));
}

}  // namespace

#define RUX_MALLOC(T, type, layout, channels)                               \
  RUXAPI T* ruxiMalloc_##type##_##layout(int widthPixels, int heightPixels, \
                                         int* pStepBytes) {                 \
    return allocImage<T, channels>(widthPixels, heightPixels, pStepBytes);  \
  }
#define RUX_MALLOC_LAYOUTS(T, type) \
  RUX_MALLOC(T, type, C1, 1)        \
  RUX_MALLOC(T, type, C2, 2)        \
  RUX_MALLOC(T, type, C3, 3)        \
  RUX_MALLOC(T, type, C4, 4)        \
  RUX_MALLOC(T, type, AC4, 4)

RUX_MALLOC_LAYOUTS(Rux8u, 8u)
RUX_MALLOC_LAYOUTS(Rux16u, 16u)
RUX_MALLOC_LAYOUTS(Rux16s, 16s)
RUX_MALLOC_LAYOUTS(Rux32s, 32s)
RUX_MALLOC_LAYOUTS(Rux32f, 32f)
RUX_MALLOC_LAYOUTS(Rux32sc, 32sc)
RUX_MALLOC_LAYOUTS(Rux32fc, 32fc)

RUXAPI void ruxiFree(void* ptr) { ruxFree(ptr); }
