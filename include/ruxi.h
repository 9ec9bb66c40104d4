/* ruxIP image-processing primitives: every exported function. Plain C (C99 and C++).
   Images are addressed by a pointer to the region's first sample and a row step in bytes;
   every function returns a RuxResult status (ruxtypes.h). */
#ifndef RUXI_H
#define RUXI_H

#include "ruxtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Version record of the library (never null, read-only). */
const RuxVersionInfo* ruxiGetLibVersion(void);

/* Image allocation: rows padded to a multiple of 64 bytes; *pStepBytes receives the step. */
Rux8u* ruxiMalloc_8u_C1(int widthPixels, int heightPixels, int* pStepBytes);
Rux8u* ruxiMalloc_8u_C2(int widthPixels, int heightPixels, int* pStepBytes);
Rux8u* ruxiMalloc_8u_C3(int widthPixels, int heightPixels, int* pStepBytes);
Rux8u* ruxiMalloc_8u_C4(int widthPixels, int heightPixels, int* pStepBytes);
Rux8u* ruxiMalloc_8u_AC4(int widthPixels, int heightPixels, int* pStepBytes);
Rux16u* ruxiMalloc_16u_C1(int widthPixels, int heightPixels, int* pStepBytes);
Rux16u* ruxiMalloc_16u_C2(int widthPixels, int heightPixels, int* pStepBytes);
Rux16u* ruxiMalloc_16u_C3(int widthPixels, int heightPixels, int* pStepBytes);
Rux16u* ruxiMalloc_16u_C4(int widthPixels, int heightPixels, int* pStepBytes);
Rux16u* ruxiMalloc_16u_AC4(int widthPixels, int heightPixels, int* pStepBytes);
Rux16s* ruxiMalloc_16s_C1(int widthPixels, int heightPixels, int* pStepBytes);
Rux16s* ruxiMalloc_16s_C2(int widthPixels, int heightPixels, int* pStepBytes);
Rux16s* ruxiMalloc_16s_C3(int widthPixels, int heightPixels, int* pStepBytes);
Rux16s* ruxiMalloc_16s_C4(int widthPixels, int heightPixels, int* pStepBytes);
Rux16s* ruxiMalloc_16s_AC4(int widthPixels, int heightPixels, int* pStepBytes);
Rux32s* ruxiMalloc_32s_C1(int widthPixels, int heightPixels, int* pStepBytes);
Rux32s* ruxiMalloc_32s_C2(int widthPixels, int heightPixels, int* pStepBytes);
Rux32s* ruxiMalloc_32s_C3(int widthPixels, int heightPixels, int* pStepBytes);
Rux32s* ruxiMalloc_32s_C4(int widthPixels, int heightPixels, int* pStepBytes);
Rux32s* ruxiMalloc_32s_AC4(int widthPixels, int heightPixels, int* pStepBytes);
Rux32f* ruxiMalloc_32f_C1(int widthPixels, int heightPixels, int* pStepBytes);
Rux32f* ruxiMalloc_32f_C2(int widthPixels, int heightPixels, int* pStepBytes);
Rux32f* ruxiMalloc_32f_C3(int widthPixels, int heightPixels, int* pStepBytes);
Rux32f* ruxiMalloc_32f_C4(int widthPixels, int heightPixels, int* pStepBytes);
Rux32f* ruxiMalloc_32f_AC4(int widthPixels, int heightPixels, int* pStepBytes);
Rux32sc* ruxiMalloc_32sc_C1(int widthPixels, int heightPixels, int* pStepBytes);
Rux32sc* ruxiMalloc_32sc_C2(int widthPixels, int heightPixels, int* pStepBytes);
Rux32sc* ruxiMalloc_32sc_C3(int widthPixels, int heightPixels, int* pStepBytes);
Rux32sc* ruxiMalloc_32sc_C4(int widthPixels, int heightPixels, int* pStepBytes);
Rux32sc* ruxiMalloc_32sc_AC4(int widthPixels, int heightPixels, int* pStepBytes);
Rux32fc* ruxiMalloc_32fc_C1(int widthPixels, int heightPixels, int* pStepBytes);
Rux32fc* ruxiMalloc_32fc_C2(int widthPixels, int heightPixels, int* pStepBytes);
Rux32fc* ruxiMalloc_32fc_C3(int widthPixels, int heightPixels, int* pStepBytes);
Rux32fc* ruxiMalloc_32fc_C4(int widthPixels, int heightPixels, int* pStepBytes);
Rux32fc* ruxiMalloc_32fc_AC4(int widthPixels, int heightPixels, int* pStepBytes);
void ruxiFree(void* ptr);

/* Copy: region to region (any steps; AC4 keeps the destination alpha). */
RuxResult ruxiCopy_8u_C1R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_C3R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_C4R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_AC4R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C1R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C3R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C4R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_AC4R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C1R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C3R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C4R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_AC4R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C1R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C3R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C4R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_AC4R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_AC4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
/* Copy masked: pixels whose mask byte is non-zero. */
RuxResult ruxiCopy_8u_C1MR(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_8u_C3MR(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_8u_C4MR(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_8u_AC4MR(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_16s_C1MR(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_16s_C3MR(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_16s_C4MR(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_16s_AC4MR(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_16u_C1MR(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_16u_C3MR(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_16u_C4MR(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_16u_AC4MR(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_32s_C1MR(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_32s_C3MR(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_32s_C4MR(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_32s_AC4MR(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_32f_C1MR(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_32f_C3MR(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_32f_C4MR(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiCopy_32f_AC4MR(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
/* Copy channel of interest: the pointers address the channel inside the first pixel. */
RuxResult ruxiCopy_8u_C3CR(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_C4CR(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_C3C1R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_C4C1R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_C1C3R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_C1C4R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C3CR(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C4CR(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C3C1R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C4C1R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C1C3R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C1C4R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C3CR(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C4CR(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C3C1R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C4C1R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C1C3R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C1C4R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C3CR(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C4CR(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C3C1R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C4C1R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C1C3R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C1C4R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C3CR(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C4CR(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C3C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C4C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C1C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C1C4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
/* Copy between three-channel and four-channel-with-alpha pixels. */
RuxResult ruxiCopy_8u_C3AC4R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_AC4C3R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C3AC4R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_AC4C3R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C3AC4R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_AC4C3R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C3AC4R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_AC4C3R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C3AC4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_AC4C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
/* Copy between interleaved pixels and planes (one step for all planes). */
RuxResult ruxiCopy_8u_C3P3R(const Rux8u* pSrc, int srcStep, Rux8u* const pDst[3], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_P3C3R(const Rux8u* const pSrc[3], int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_C4P4R(const Rux8u* pSrc, int srcStep, Rux8u* const pDst[4], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_8u_P4C4R(const Rux8u* const pSrc[4], int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C3P3R(const Rux16s* pSrc, int srcStep, Rux16s* const pDst[3], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_P3C3R(const Rux16s* const pSrc[3], int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_C4P4R(const Rux16s* pSrc, int srcStep, Rux16s* const pDst[4], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16s_P4C4R(const Rux16s* const pSrc[4], int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C3P3R(const Rux16u* pSrc, int srcStep, Rux16u* const pDst[3], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_P3C3R(const Rux16u* const pSrc[3], int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_C4P4R(const Rux16u* pSrc, int srcStep, Rux16u* const pDst[4], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_16u_P4C4R(const Rux16u* const pSrc[4], int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C3P3R(const Rux32s* pSrc, int srcStep, Rux32s* const pDst[3], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_P3C3R(const Rux32s* const pSrc[3], int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_C4P4R(const Rux32s* pSrc, int srcStep, Rux32s* const pDst[4], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32s_P4C4R(const Rux32s* const pSrc[4], int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C3P3R(const Rux32f* pSrc, int srcStep, Rux32f* const pDst[3], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_P3C3R(const Rux32f* const pSrc[3], int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_C4P4R(const Rux32f* pSrc, int srcStep, Rux32f* const pDst[4], int dstStep, RuxImageSize roiSize);
RuxResult ruxiCopy_32f_P4C4R(const Rux32f* const pSrc[4], int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
/* CopyManaged: flags bit 0 selects cache-bypassing stores. */
RuxResult ruxiCopyManaged_8u_C1R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize, int flags);

/* Set: fill the region with a value (AC4 keeps the destination alpha). */
RuxResult ruxiSet_8u_C1R(Rux8u value, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_8u_C3R(const Rux8u value[3], Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_8u_C4R(const Rux8u value[4], Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_8u_AC4R(const Rux8u value[3], Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16s_C1R(Rux16s value, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16s_C3R(const Rux16s value[3], Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16s_C4R(const Rux16s value[4], Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16s_AC4R(const Rux16s value[3], Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16u_C1R(Rux16u value, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16u_C3R(const Rux16u value[3], Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16u_C4R(const Rux16u value[4], Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16u_AC4R(const Rux16u value[3], Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32s_C1R(Rux32s value, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32s_C3R(const Rux32s value[3], Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32s_C4R(const Rux32s value[4], Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32s_AC4R(const Rux32s value[3], Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32f_C1R(Rux32f value, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32f_C3R(const Rux32f value[3], Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32f_C4R(const Rux32f value[4], Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32f_AC4R(const Rux32f value[3], Rux32f* pDst, int dstStep, RuxImageSize roiSize);
/* Set masked: pixels whose mask byte is non-zero. */
RuxResult ruxiSet_8u_C1MR(Rux8u value, Rux8u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_8u_C3MR(const Rux8u value[3], Rux8u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_8u_C4MR(const Rux8u value[4], Rux8u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_8u_AC4MR(const Rux8u value[3], Rux8u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_16s_C1MR(Rux16s value, Rux16s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_16s_C3MR(const Rux16s value[3], Rux16s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_16s_C4MR(const Rux16s value[4], Rux16s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_16s_AC4MR(const Rux16s value[3], Rux16s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_16u_C1MR(Rux16u value, Rux16u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_16u_C3MR(const Rux16u value[3], Rux16u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_16u_C4MR(const Rux16u value[4], Rux16u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_16u_AC4MR(const Rux16u value[3], Rux16u* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_32s_C1MR(Rux32s value, Rux32s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_32s_C3MR(const Rux32s value[3], Rux32s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_32s_C4MR(const Rux32s value[4], Rux32s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_32s_AC4MR(const Rux32s value[3], Rux32s* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_32f_C1MR(Rux32f value, Rux32f* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_32f_C3MR(const Rux32f value[3], Rux32f* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_32f_C4MR(const Rux32f value[4], Rux32f* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
RuxResult ruxiSet_32f_AC4MR(const Rux32f value[3], Rux32f* pDst, int dstStep, RuxImageSize roiSize, const Rux8u* pMask, int maskStep);
/* Set channel of interest: pDst addresses the channel inside the first pixel. */
RuxResult ruxiSet_8u_C3CR(Rux8u value, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_8u_C4CR(Rux8u value, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16s_C3CR(Rux16s value, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16s_C4CR(Rux16s value, Rux16s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16u_C3CR(Rux16u value, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_16u_C4CR(Rux16u value, Rux16u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32s_C3CR(Rux32s value, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32s_C4CR(Rux32s value, Rux32s* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32f_C3CR(Rux32f value, Rux32f* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiSet_32f_C4CR(Rux32f value, Rux32f* pDst, int dstStep, RuxImageSize roiSize);

/* Dup: one channel into every channel of each pixel. */
RuxResult ruxiDup_8u_C1C3R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);
RuxResult ruxiDup_8u_C1C4R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize);

/* SwapChannels: destination channel k receives source channel dstOrder[k]. */
RuxResult ruxiSwapChannels_8u_C3R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_8u_AC4R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_8u_C4C3R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_8u_C3C4R(const Rux8u* pSrc, int srcStep, Rux8u* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[4], Rux8u val);
RuxResult ruxiSwapChannels_16s_C3R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_16s_AC4R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_16s_C4C3R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_16s_C3C4R(const Rux16s* pSrc, int srcStep, Rux16s* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[4], Rux16s val);
RuxResult ruxiSwapChannels_16u_C3R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_16u_AC4R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_16u_C4C3R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_16u_C3C4R(const Rux16u* pSrc, int srcStep, Rux16u* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[4], Rux16u val);
RuxResult ruxiSwapChannels_32s_C3R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_32s_AC4R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_32s_C4C3R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_32s_C3C4R(const Rux32s* pSrc, int srcStep, Rux32s* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[4], Rux32s val);
RuxResult ruxiSwapChannels_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_32f_AC4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_32f_C4C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_32f_C3C4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, RuxImageSize roiSize, const int dstOrder[4], Rux32f val);
RuxResult ruxiSwapChannels_8u_C3IR(Rux8u* pSrcDst, int srcDstStep, RuxImageSize roiSize, const int dstOrder[3]);
RuxResult ruxiSwapChannels_8u_C4IR(Rux8u* pSrcDst, int srcDstStep, RuxImageSize roiSize, const int dstOrder[4]);

/* (new families are added above this line) */

#ifdef __cplusplus
}
#endif

#endif /* RUXI_H */
