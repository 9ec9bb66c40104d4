// Core services: 64-byte aligned allocation, cache size, library-wide thread count,
// and the allocation-failure test facility. The only global mutable state of ruxIP lives here.
#include "ruxcore.h"

#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#define RUXCORE_API extern "C" __attribute__((visibility("default")))

namespace {

std::atomic<int> g_numThreads{0};      // 0: not set, use the processor count
std::atomic<int> g_mallocFailAfter{-1};  // < 0: never fail

int processorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return n;
  }
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 1;
}

// Consumes one permitted allocation; false when the test facility says this one must fail.
bool allocationPermitted() {
  int left = g_mallocFailAfter.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left == 0) return false;
    if (g_mallocFailAfter.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) break;
  }
  return true;
}

int probeCacheSize() {
  long best = 0;
  for (int name : {_SC_LEVEL1_DCACHE_SIZE, _SC_LEVEL2_CACHE_SIZE, _SC_LEVEL3_CACHE_SIZE,
                   _SC_LEVEL4_CACHE_SIZE}) {
    const long v = sysconf(name);
    if (v > best) best = v;
  }
  if (best > 0x7fffffffL) best = 0x7fffffffL;
  return static_cast<int>(best);
}

}  // namespace

RUXCORE_API void* ruxMalloc(int size) {
  if (size < 1) return nullptr;
  if (!allocationPermitted()) return nullptr;
  void* p = nullptr;
  if (posix_memalign(&p, 64, static_cast<size_t>(size)) != 0) return nullptr;
  return p;
}

RUXCORE_API void ruxFree(void* ptr) { std::free(ptr); }

RUXCORE_API RuxResult ruxGetMaxCacheSizeB(int* size) {
  if (size == nullptr) return ruxStatusNullPointer;
  static const int cached = probeCacheSize();
  if (cached <= 0) return ruxStatusBadArg;  // unknown: the caller ignores the cell
  *size = cached;
  return ruxStatusOk;
}

RUXCORE_API int ownGetNumThreads(void) {
  const int n = g_numThreads.load(std::memory_order_relaxed);
  if (n > 0) return n;
  static const int processors = processorCount();
  return processors;
}

RUXCORE_API RuxResult ruxSetNumThreads(int n) {
  if (n < 1) return ruxStatusBadArg;
  g_numThreads.store(n, std::memory_order_relaxed);
  return ruxStatusOk;
}

RUXCORE_API RuxResult ruxGetNumThreads(int* n) {
  if (n == nullptr) return ruxStatusNullPointer;
  *n = ownGetNumThreads();
  return ruxStatusOk;
}

RUXCORE_API void ruxSetMallocFailAfter(int n) {
  g_mallocFailAfter.store(n < 0 ? -1 : n, std::memory_order_relaxed);
}
