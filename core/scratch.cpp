#include "core/scratch.h"

namespace rux {

void* scratchBytes(long long bytes) {
  if (bytes < 1 || bytes > INT_MAX) return nullptr;
  return ruxMalloc(static_cast<int>(bytes));
}

}  // namespace rux

namespace {
template <class T>
T* typedScratch(int len) {
  return static_cast<T*>(rux::scratchBytes(static_cast<long long>(len) * sizeof(T)));
}
}  // namespace

Rux8u* ruxsMalloc_8u(int len) { return typedScratch<Rux8u>(len); }
Rux16u* ruxsMalloc_16u(int len) { return typedScratch<Rux16u>(len); }
Rux16s* ruxsMalloc_16s(int len) { return typedScratch<Rux16s>(len); }
Rux32s* ruxsMalloc_32s(int len) { return typedScratch<Rux32s>(len); }
Rux32f* ruxsMalloc_32f(int len) { return typedScratch<Rux32f>(len); }
Rux64s* ruxsMalloc_64s(int len) { return typedScratch<Rux64s>(len); }
Rux64f* ruxsMalloc_64f(int len) { return typedScratch<Rux64f>(len); }
Rux32fc* ruxsMalloc_32fc(int len) { return typedScratch<Rux32fc>(len); }
void ruxsFree(void* ptr) { ruxFree(ptr); }
