// Prototypes of the transform exports while the family is built; they move into ruxi.h when
// every member exists (the header declares only what the library exports).
#pragma once
#include "ruxi.h"
#ifdef __cplusplus
extern "C" {
#endif

/* FFT (sizes 2^orderX x 2^orderY) and DFT (any size) of images: real images to the Pack2D half spectrum and back, complex images to full spectra; specifications made once, checked by identifier; flag 1/2/4/8 = scale forward by 1/N, inverse by 1/N, both by 1/sqrt(N), neither (per axis); a null buffer makes the call allocate its own. */
RuxResult ruxiFFTInitAlloc_R_32f(RuxFftSpec_R_32f** ppSpec, int orderX, int orderY, int flag, RuxAccuracyHint hint);
RuxResult ruxiFFTFree_R_32f(RuxFftSpec_R_32f* pSpec);
RuxResult ruxiFFTGetBufSize_R_32f(const RuxFftSpec_R_32f* pSpec, int* pSize);
RuxResult ruxiFFTInitAlloc_C_32fc(RuxFftSpec_C_32fc** ppSpec, int orderX, int orderY, int flag, RuxAccuracyHint hint);
RuxResult ruxiFFTFree_C_32fc(RuxFftSpec_C_32fc* pSpec);
RuxResult ruxiFFTGetBufSize_C_32fc(const RuxFftSpec_C_32fc* pSpec, int* pSize);
RuxResult ruxiFFTInitAlloc_R_32s(RuxFftSpec_R_32s** ppSpec, int orderX, int orderY, int flag, RuxAccuracyHint hint);
RuxResult ruxiFFTFree_R_32s(RuxFftSpec_R_32s* pSpec);
RuxResult ruxiFFTGetBufSize_R_32s(const RuxFftSpec_R_32s* pSpec, int* pSize);
RuxResult ruxiFFTFwd_RToPack_32f_C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_32f_C1IR(Rux32f* pSrcDst, int srcDstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_32f_C3IR(Rux32f* pSrcDst, int srcDstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_32f_C4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_32f_C4IR(Rux32f* pSrcDst, int srcDstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_32f_AC4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_32f_AC4IR(Rux32f* pSrcDst, int srcDstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32f_C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32f_C1IR(Rux32f* pSrcDst, int srcDstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32f_C3IR(Rux32f* pSrcDst, int srcDstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32f_C4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32f_C4IR(Rux32f* pSrcDst, int srcDstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32f_AC4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32f_AC4IR(Rux32f* pSrcDst, int srcDstStep, const RuxFftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_CToC_32fc_C1R(const Rux32fc* pSrc, int srcStep, Rux32fc* pDst, int dstStep, const RuxFftSpec_C_32fc* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_CToC_32fc_C1IR(Rux32fc* pSrcDst, int srcDstStep, const RuxFftSpec_C_32fc* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_CToC_32fc_C1R(const Rux32fc* pSrc, int srcStep, Rux32fc* pDst, int dstStep, const RuxFftSpec_C_32fc* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTInv_CToC_32fc_C1IR(Rux32fc* pSrcDst, int srcDstStep, const RuxFftSpec_C_32fc* pSpec, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_8u32s_C1RSfs(const Rux8u* pSrc, int srcStep, Rux32s* pDst, int dstStep, const RuxFftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32s8u_C1RSfs(const Rux32s* pSrc, int srcStep, Rux8u* pDst, int dstStep, const RuxFftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_8u32s_C3RSfs(const Rux8u* pSrc, int srcStep, Rux32s* pDst, int dstStep, const RuxFftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32s8u_C3RSfs(const Rux32s* pSrc, int srcStep, Rux8u* pDst, int dstStep, const RuxFftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_8u32s_C4RSfs(const Rux8u* pSrc, int srcStep, Rux32s* pDst, int dstStep, const RuxFftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32s8u_C4RSfs(const Rux32s* pSrc, int srcStep, Rux8u* pDst, int dstStep, const RuxFftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiFFTFwd_RToPack_8u32s_AC4RSfs(const Rux8u* pSrc, int srcStep, Rux32s* pDst, int dstStep, const RuxFftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiFFTInv_PackToR_32s8u_AC4RSfs(const Rux32s* pSrc, int srcStep, Rux8u* pDst, int dstStep, const RuxFftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiDFTInitAlloc_R_32f(RuxDftSpec_R_32f** ppSpec, RuxImageSize roiSize, int flag, RuxAccuracyHint hint);
RuxResult ruxiDFTFree_R_32f(RuxDftSpec_R_32f* pSpec);
RuxResult ruxiDFTGetBufSize_R_32f(const RuxDftSpec_R_32f* pSpec, int* pSize);
RuxResult ruxiDFTGetSize_R_32f(RuxImageSize roiSize, int flag, RuxAccuracyHint hint, int* pSizeSpec, int* pSizeInit, int* pSizeBuf);
RuxResult ruxiDFTInit_R_32f(RuxImageSize roiSize, int flag, RuxAccuracyHint hint, RuxDftSpec_R_32f* pSpec, Rux8u* pMemInit);
RuxResult ruxiDFTInitAlloc_C_32fc(RuxDftSpec_C_32fc** ppSpec, RuxImageSize roiSize, int flag, RuxAccuracyHint hint);
RuxResult ruxiDFTFree_C_32fc(RuxDftSpec_C_32fc* pSpec);
RuxResult ruxiDFTGetBufSize_C_32fc(const RuxDftSpec_C_32fc* pSpec, int* pSize);
RuxResult ruxiDFTGetSize_C_32fc(RuxImageSize roiSize, int flag, RuxAccuracyHint hint, int* pSizeSpec, int* pSizeInit, int* pSizeBuf);
RuxResult ruxiDFTInit_C_32fc(RuxImageSize roiSize, int flag, RuxAccuracyHint hint, RuxDftSpec_C_32fc* pSpec, Rux8u* pMemInit);
RuxResult ruxiDFTInitAlloc_R_32s(RuxDftSpec_R_32s** ppSpec, RuxImageSize roiSize, int flag, RuxAccuracyHint hint);
RuxResult ruxiDFTFree_R_32s(RuxDftSpec_R_32s* pSpec);
RuxResult ruxiDFTGetBufSize_R_32s(const RuxDftSpec_R_32s* pSpec, int* pSize);
RuxResult ruxiDFTFwd_RToPack_32f_C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_32f_C1IR(Rux32f* pSrcDst, int srcDstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_32f_C3IR(Rux32f* pSrcDst, int srcDstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_32f_C4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_32f_C4IR(Rux32f* pSrcDst, int srcDstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_32f_AC4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_32f_AC4IR(Rux32f* pSrcDst, int srcDstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32f_C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32f_C1IR(Rux32f* pSrcDst, int srcDstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32f_C3IR(Rux32f* pSrcDst, int srcDstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32f_C4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32f_C4IR(Rux32f* pSrcDst, int srcDstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32f_AC4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32f_AC4IR(Rux32f* pSrcDst, int srcDstStep, const RuxDftSpec_R_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_CToC_32fc_C1R(const Rux32fc* pSrc, int srcStep, Rux32fc* pDst, int dstStep, const RuxDftSpec_C_32fc* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_CToC_32fc_C1IR(Rux32fc* pSrcDst, int srcDstStep, const RuxDftSpec_C_32fc* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_CToC_32fc_C1R(const Rux32fc* pSrc, int srcStep, Rux32fc* pDst, int dstStep, const RuxDftSpec_C_32fc* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTInv_CToC_32fc_C1IR(Rux32fc* pSrcDst, int srcDstStep, const RuxDftSpec_C_32fc* pSpec, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_8u32s_C1RSfs(const Rux8u* pSrc, int srcStep, Rux32s* pDst, int dstStep, const RuxDftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32s8u_C1RSfs(const Rux32s* pSrc, int srcStep, Rux8u* pDst, int dstStep, const RuxDftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_8u32s_C3RSfs(const Rux8u* pSrc, int srcStep, Rux32s* pDst, int dstStep, const RuxDftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32s8u_C3RSfs(const Rux32s* pSrc, int srcStep, Rux8u* pDst, int dstStep, const RuxDftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_8u32s_C4RSfs(const Rux8u* pSrc, int srcStep, Rux32s* pDst, int dstStep, const RuxDftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32s8u_C4RSfs(const Rux32s* pSrc, int srcStep, Rux8u* pDst, int dstStep, const RuxDftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiDFTFwd_RToPack_8u32s_AC4RSfs(const Rux8u* pSrc, int srcStep, Rux32s* pDst, int dstStep, const RuxDftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);
RuxResult ruxiDFTInv_PackToR_32s8u_AC4RSfs(const Rux32s* pSrc, int srcStep, Rux8u* pDst, int dstStep, const RuxDftSpec_R_32s* pSpec, int scaleFactor, Rux8u* pBuffer);

/* DCT of images of any size (orthonormal DCT-II forward, its transpose inverse), specifications made once; C3/C4 transform every channel, AC4 the first three; a null buffer makes the call allocate its own. */
RuxResult ruxiDCTFwdInitAlloc_32f(RuxDctFwdSpec_32f** ppSpec, RuxImageSize roiSize, RuxAccuracyHint hint);
RuxResult ruxiDCTFwdFree_32f(RuxDctFwdSpec_32f* pSpec);
RuxResult ruxiDCTFwdGetBufSize_32f(const RuxDctFwdSpec_32f* pSpec, int* pSize);
RuxResult ruxiDCTFwd_32f_C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDctFwdSpec_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDCTFwd_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDctFwdSpec_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDCTFwd_32f_C4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDctFwdSpec_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDCTFwd_32f_AC4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDctFwdSpec_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDCTInvInitAlloc_32f(RuxDctInvSpec_32f** ppSpec, RuxImageSize roiSize, RuxAccuracyHint hint);
RuxResult ruxiDCTInvFree_32f(RuxDctInvSpec_32f* pSpec);
RuxResult ruxiDCTInvGetBufSize_32f(const RuxDctInvSpec_32f* pSpec, int* pSize);
RuxResult ruxiDCTInv_32f_C1R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDctInvSpec_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDCTInv_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDctInvSpec_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDCTInv_32f_C4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDctInvSpec_32f* pSpec, Rux8u* pBuffer);
RuxResult ruxiDCTInv_32f_AC4R(const Rux32f* pSrc, int srcStep, Rux32f* pDst, int dstStep, const RuxDctInvSpec_32f* pSpec, Rux8u* pBuffer);

/* DCT8x8: 8 x 8 block transforms (64 contiguous values, or an image block through a step): orthonormal in single precision, fixed point for 16s with the level-shift, clip and reduced-size inverses; zig-zag scans. */
RuxResult ruxiDCT8x8Fwd_32f_C1(const Rux32f* pSrc, Rux32f* pDst);
RuxResult ruxiDCT8x8Fwd_32f_C1I(Rux32f* pSrcDst);
RuxResult ruxiDCT8x8Fwd_16s_C1(const Rux16s* pSrc, Rux16s* pDst);
RuxResult ruxiDCT8x8Fwd_16s_C1I(Rux16s* pSrcDst);
RuxResult ruxiDCT8x8Inv_32f_C1(const Rux32f* pSrc, Rux32f* pDst);
RuxResult ruxiDCT8x8Inv_32f_C1I(Rux32f* pSrcDst);
RuxResult ruxiDCT8x8Inv_16s_C1(const Rux16s* pSrc, Rux16s* pDst);
RuxResult ruxiDCT8x8Inv_16s_C1I(Rux16s* pSrcDst);
RuxResult ruxiDCT8x8Fwd_16s_C1R(const Rux16s* pSrc, int srcStep, Rux16s* pDst);
RuxResult ruxiDCT8x8Inv_16s_C1R(const Rux16s* pSrc, Rux16s* pDst, int dstStep);
RuxResult ruxiDCT8x8Fwd_8u16s_C1R(const Rux8u* pSrc, int srcStep, Rux16s* pDst);
RuxResult ruxiDCT8x8Inv_16s8u_C1R(const Rux16s* pSrc, Rux8u* pDst, int dstStep);
RuxResult ruxiDCT8x8FwdLS_8u16s_C1R(const Rux8u* pSrc, int srcStep, Rux16s* pDst, Rux16s addVal);
RuxResult ruxiDCT8x8InvLSClip_16s8u_C1R(const Rux16s* pSrc, Rux8u* pDst, int dstStep, Rux16s addVal, int clipDown, int clipUp);
RuxResult ruxiDCT8x8Inv_4x4_16s_C1(const Rux16s* pSrc, Rux16s* pDst);
RuxResult ruxiDCT8x8Inv_4x4_16s_C1I(Rux16s* pSrcDst);
RuxResult ruxiDCT8x8Inv_2x2_16s_C1(const Rux16s* pSrc, Rux16s* pDst);
RuxResult ruxiDCT8x8Inv_2x2_16s_C1I(Rux16s* pSrcDst);
RuxResult ruxiDCT8x8Inv_A10_16s_C1(const Rux16s* pSrc, Rux16s* pDst);
RuxResult ruxiDCT8x8Inv_A10_16s_C1I(Rux16s* pSrcDst);
RuxResult ruxiDCT8x8To4x4Inv_16s_C1(const Rux16s* pSrc, Rux16s* pDst);
RuxResult ruxiDCT8x8To4x4Inv_16s_C1I(Rux16s* pSrcDst);
RuxResult ruxiDCT8x8To2x2Inv_16s_C1(const Rux16s* pSrc, Rux16s* pDst);
RuxResult ruxiDCT8x8To2x2Inv_16s_C1I(Rux16s* pSrcDst);
RuxResult ruxiZigzagFwd8x8_16s_C1(const Rux16s* pSrc, Rux16s* pDst);
RuxResult ruxiZigzagInv8x8_16s_C1(const Rux16s* pSrc, Rux16s* pDst);

/* WT: one level of a separable 2-D wavelet transform with caller filters (forward: approximation and three details of half size; inverse: their recombination at twice the size); the source border lies at negative offsets; all scratch is the caller's buffer. */
RuxResult ruxiWTFwdInitAlloc_32f_C1R(RuxWTFwdSpec_32f_C1R** ppSpec, const Rux32f* pTapsLow, int lenLow, int anchorLow, const Rux32f* pTapsHigh, int lenHigh, int anchorHigh);
RuxResult ruxiWTFwdFree_32f_C1R(RuxWTFwdSpec_32f_C1R* pSpec);
RuxResult ruxiWTFwdGetBufSize_C1R(const RuxWTFwdSpec_32f_C1R* pSpec, int* pSize);
RuxResult ruxiWTInvInitAlloc_32f_C1R(RuxWTInvSpec_32f_C1R** ppSpec, const Rux32f* pTapsLow, int lenLow, int anchorLow, const Rux32f* pTapsHigh, int lenHigh, int anchorHigh);
RuxResult ruxiWTInvFree_32f_C1R(RuxWTInvSpec_32f_C1R* pSpec);
RuxResult ruxiWTInvGetBufSize_C1R(const RuxWTInvSpec_32f_C1R* pSpec, int* pSize);
RuxResult ruxiWTFwd_32f_C1R(const Rux32f* pSrc, int srcStep, Rux32f* pApproxDst, int approxStep, Rux32f* pDetailXDst, int detailXStep, Rux32f* pDetailYDst, int detailYStep, Rux32f* pDetailXYDst, int detailXYStep, RuxImageSize dstRoiSize, const RuxWTFwdSpec_32f_C1R* pSpec, Rux8u* pBuffer);
RuxResult ruxiWTInv_32f_C1R(const Rux32f* pApproxSrc, int approxStep, const Rux32f* pDetailXSrc, int detailXStep, const Rux32f* pDetailYSrc, int detailYStep, const Rux32f* pDetailXYSrc, int detailXYStep, RuxImageSize srcRoiSize, Rux32f* pDst, int dstStep, const RuxWTInvSpec_32f_C1R* pSpec, Rux8u* pBuffer);
RuxResult ruxiWTFwdInitAlloc_32f_C3R(RuxWTFwdSpec_32f_C3R** ppSpec, const Rux32f* pTapsLow, int lenLow, int anchorLow, const Rux32f* pTapsHigh, int lenHigh, int anchorHigh);
RuxResult ruxiWTFwdFree_32f_C3R(RuxWTFwdSpec_32f_C3R* pSpec);
RuxResult ruxiWTFwdGetBufSize_C3R(const RuxWTFwdSpec_32f_C3R* pSpec, int* pSize);
RuxResult ruxiWTInvInitAlloc_32f_C3R(RuxWTInvSpec_32f_C3R** ppSpec, const Rux32f* pTapsLow, int lenLow, int anchorLow, const Rux32f* pTapsHigh, int lenHigh, int anchorHigh);
RuxResult ruxiWTInvFree_32f_C3R(RuxWTInvSpec_32f_C3R* pSpec);
RuxResult ruxiWTInvGetBufSize_C3R(const RuxWTInvSpec_32f_C3R* pSpec, int* pSize);
RuxResult ruxiWTFwd_32f_C3R(const Rux32f* pSrc, int srcStep, Rux32f* pApproxDst, int approxStep, Rux32f* pDetailXDst, int detailXStep, Rux32f* pDetailYDst, int detailYStep, Rux32f* pDetailXYDst, int detailXYStep, RuxImageSize dstRoiSize, const RuxWTFwdSpec_32f_C3R* pSpec, Rux8u* pBuffer);
RuxResult ruxiWTInv_32f_C3R(const Rux32f* pApproxSrc, int approxStep, const Rux32f* pDetailXSrc, int detailXStep, const Rux32f* pDetailYSrc, int detailYStep, const Rux32f* pDetailXYSrc, int detailXYStep, RuxImageSize srcRoiSize, Rux32f* pDst, int dstStep, const RuxWTInvSpec_32f_C3R* pSpec, Rux8u* pBuffer);

#ifdef __cplusplus
}
#endif
