/* ruxIP core services: aligned memory, cache size, library-wide thread count. */
#ifndef RUXCORE_H
#define RUXCORE_H

#include "ruxtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Allocates size bytes aligned to 64 bytes; null for size < 1 or when memory is exhausted. */
void* ruxMalloc(int size);
/* Releases a block of ruxMalloc; null is ignored. */
void ruxFree(void* ptr);
/* Writes the largest processor cache size in bytes; returns ruxStatusOk, or an error when unknown. */
RuxResult ruxGetMaxCacheSizeB(int* size);

/* Thread count used by the parallel functions (default: the number of processors). */
int ownGetNumThreads(void);
/* Sets the thread count; n < 1 returns ruxStatusBadArg and changes nothing. */
RuxResult ruxSetNumThreads(int n);
/* Reads the thread count into *n; null returns ruxStatusNullPointer. */
RuxResult ruxGetNumThreads(int* n);

/* Test facility: after n further successful calls, every ruxMalloc returns null.
   n < 0 (the default) disables it. Not thread-safe with concurrent allocation tests. */
void ruxSetMallocFailAfter(int n);

#ifdef __cplusplus
}
#endif

#endif /* RUXCORE_H */
