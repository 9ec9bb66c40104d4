/* ruxIP: shared types, enumerations and status codes. Plain C (C99 and C++). */
#ifndef RUXTYPES_H
#define RUXTYPES_H

#ifdef __cplusplus
extern "C" {
#endif

/* Sample types. */
typedef unsigned char      Rux8u;
typedef signed char        Rux8s;
typedef unsigned short     Rux16u;
typedef short              Rux16s;
typedef unsigned int       Rux32u;
typedef int                Rux32s;
typedef float              Rux32f;
typedef long long          Rux64s;
typedef double             Rux64f;

/* Complex samples: real part, then imaginary part. */
typedef struct { Rux16s re; Rux16s im; } Rux16sc;
typedef struct { Rux16u re; Rux16u im; } Rux16uc;
typedef struct { Rux32s re; Rux32s im; } Rux32sc;
typedef struct { Rux32f re; Rux32f im; } Rux32fc;

/* Region size, rectangle and point: signed 32-bit members, passed by value. */
typedef struct { int width; int height; } RuxImageSize;
typedef struct { int x; int y; int width; int height; } RuxImageRect;
typedef struct { int x; int y; } RuxImagePoint;

/* Status of every call: 0 success, negative error (nothing written), positive warning. */
typedef int RuxResult;

enum {
  ruxStatusOk = 0,
  ruxStatusBadArg = -5,
  ruxStatusBadSize = -6,
  ruxStatusBadRange = -7,
  ruxStatusNullPointer = -8,
  ruxStatusNoMemory = -9,
  ruxStatusConstDivisorZero = -10,
  ruxStatusOutOfRange = -11,
  ruxStatusBadScaleRange = -13,
  ruxStatusBadStep = -14,
  ruxStatusBadFftOrder = -15,
  ruxStatusBadFftFlag = -16,
  ruxStatusBadContext = -17,
  ruxStatusBadThresholds = -18,
  ruxStatusZeroMoment = -20,
  ruxStatusBadAxis = -21,
  ruxStatusBadInterpolation = -22,
  ruxStatusBadResizeFactor = -23,
  ruxStatusBadMaskSize = -33,
  ruxStatusBadAnchor = -34,
  ruxStatusBadEps = -36,
  ruxStatusStepTooSmall = -37,
  ruxStatusBadChannelIndex = -47,
  ruxStatusBadCompositeOp = -50,
  ruxStatusZeroDivisor = -51,
  ruxStatusBadChannelCount = -53,
  ruxStatusBadCoeffs = -56,
  ruxStatusBadRect = -57,
  ruxStatusBadQuad = -58,
  ruxStatusZeroMask = -59,
  ruxStatusBadChannelOrder = -60,
  ruxStatusBadLutLevels = -106,
  ruxStatusBadHistLevels = -107,
  ruxStatusMisalignedStep = -108,
  ruxStatusBadNoiseLevel = -125,
  ruxStatusQualityUndefined = -210,
  ruxStatusBadWeight = -211,
  ruxStatusBadDecimation = -212,
  ruxStatusBadRoundMode = -213,
  ruxStatusBadBorderType = -225,
  ruxStatusOddOffset = -227,
  ruxStatusUnsupportedMode = -9999,

  ruxStatusNoWork = 1,
  ruxStatusRootOfNegative = 3,
  ruxStatusZeroDivisorSeen = 6,
  ruxStatusLogOfZero = 7,
  ruxStatusLogOfNegative = 8,
  ruxStatusNotParallelogram = 28,
  ruxStatusNoIntersection = 29,
  ruxStatusNoQuadIntersection = 30,
  ruxStatusOddSize = 35,
  ruxStatusEvenWeight = 39,
  ruxStatusNoAntialiasing = 46,
  ruxStatusSizeExceedsSpec = 48
};

/* The enumerations below are signed 32-bit arguments. Each has an ...AnyInt member, so that every
   int value a caller passes is a value of the type (rejected or handled as each family says). */

/* Rounding mode of integer results (signed 32-bit argument). */
typedef enum {
  ruxRoundTowardZero = 0,  /* toward zero */
  ruxRoundNearestEven = 1, /* to nearest, ties to even */
  ruxRoundHalfAway = 2,    /* to nearest, ties away from zero */
  ruxRoundingAnyInt = -2147483647 - 1
} RuxRounding;

/* Accuracy hint of float sums and narrowing Scale: only ruxHintAccurate selects the accurate path. */
typedef enum {
  ruxHintNone = 0,
  ruxHintFast = 1,
  ruxHintAccurate = 2,
  ruxHintAnyInt = -2147483647 - 1
} RuxAccuracyHint;

/* Comparison operation of the threshold and compare families. */
typedef enum {
  ruxCompareLess = 0,
  ruxCompareLessEqual = 1,
  ruxCompareEqual = 2,
  ruxCompareGreaterEqual = 3,
  ruxCompareGreater = 4,
  ruxCompareAnyInt = -2147483647 - 1
} RuxCompareOp;

/* Alpha composition operations; 6..11 are the same six on inputs already premultiplied. */
typedef enum {
  ruxCompositeOver = 0,
  ruxCompositeIn = 1,
  ruxCompositeOut = 2,
  ruxCompositeAtop = 3,
  ruxCompositeXor = 4,
  ruxCompositePlus = 5,
  ruxCompositeOverPremultiplied = 6,
  ruxCompositeInPremultiplied = 7,
  ruxCompositeOutPremultiplied = 8,
  ruxCompositeAtopPremultiplied = 9,
  ruxCompositeXorPremultiplied = 10,
  ruxCompositePlusPremultiplied = 11,
  ruxCompositeAnyInt = -2147483647 - 1
} RuxCompositeOp;

/* Fixed mask sizes of the fixed-kernel and rank filters: 10 x width + height. */
typedef enum {
  ruxMaskSize1x3 = 13,
  ruxMaskSize1x5 = 15,
  ruxMaskSize3x1 = 31,
  ruxMaskSize5x1 = 51,
  ruxMaskSize3x3 = 33,
  ruxMaskSize5x5 = 55,
  ruxMaskSizeAnyInt = -2147483647 - 1
} RuxMaskSize;

/* Moment states (400 bytes): raw moments up to order 3 per channel, double or exact 64-bit integer. */
typedef struct RuxMomentState_64f RuxMomentState_64f;
typedef struct RuxMomentState_64s RuxMomentState_64s;

/* Normalisation flags of the Fourier transforms, per axis. */
enum {
  ruxFftDivFwdByN = 1,
  ruxFftDivInvByN = 2,
  ruxFftDivBySqrtN = 4,
  ruxFftNoDiv = 8
};

/* Transform specifications: made once per size (and flag), then used by any number of calls. */
typedef struct RuxFftSpec_C_32fc RuxFftSpec_C_32fc;
typedef struct RuxFftSpec_R_32f RuxFftSpec_R_32f;
typedef struct RuxFftSpec_R_32s RuxFftSpec_R_32s;
typedef struct RuxDftSpec_C_32fc RuxDftSpec_C_32fc;
typedef struct RuxDftSpec_R_32f RuxDftSpec_R_32f;
typedef struct RuxDftSpec_R_32s RuxDftSpec_R_32s;
typedef struct RuxDctFwdSpec_32f RuxDctFwdSpec_32f;
typedef struct RuxDctInvSpec_32f RuxDctInvSpec_32f;
typedef struct RuxWTFwdSpec_32f_C1R RuxWTFwdSpec_32f_C1R;
typedef struct RuxWTFwdSpec_32f_C3R RuxWTFwdSpec_32f_C3R;
typedef struct RuxWTInvSpec_32f_C1R RuxWTInvSpec_32f_C1R;
typedef struct RuxWTInvSpec_32f_C3R RuxWTInvSpec_32f_C3R;

/* Decimation fractions of DecimateFilterRow and DecimateFilterColumn. */
typedef enum {
  ruxFraction1_2 = 0,
  ruxFraction3_5 = 1,
  ruxFraction2_3 = 2,
  ruxFraction7_10 = 3,
  ruxFraction3_4 = 4,
  ruxFractionAnyInt = -2147483647 - 1
} RuxFraction;

/* Deconvolution states (FFT inverse filter, Lucy-Richardson): made by InitAlloc, released by Free. */
typedef struct RuxDeconvFFTState_32f_C1R RuxDeconvFFTState_32f_C1R;
typedef struct RuxDeconvFFTState_32f_C3R RuxDeconvFFTState_32f_C3R;
typedef struct RuxDeconvLRState_32f_C1R RuxDeconvLRState_32f_C1R;
typedef struct RuxDeconvLRState_32f_C3R RuxDeconvLRState_32f_C3R;

/* Resize state of the tiled resizes: caller memory of the size ruxiResizeGetSize_* reports, the
   object at its first 64-byte boundary. */
typedef struct RuxResizeSpec RuxResizeSpec;

/* Border argument of the tiled resizes: a type in the low three bits, sides read from memory. */
enum {
  ruxBorderReplicate = 1,
  ruxBorderInMemory = 6,
  ruxBorderInMemoryTop = 0x10,
  ruxBorderInMemoryBottom = 0x20,
  ruxBorderInMemoryLeft = 0x40,
  ruxBorderInMemoryRight = 0x80
};

/* Row resampling state (caller memory sized by ruxiResampleRowGetSize_32f). */
typedef struct RuxResampleRowSpec_32f RuxResampleRowSpec_32f;

/* States of the YUV resizes and of the integer-filter resize (caller memory sized by their
   GetSize functions, the object at its first 64-byte boundary). */
typedef struct RuxResizeYUV420Spec RuxResizeYUV420Spec;
typedef struct RuxResizeYUV422Spec RuxResizeYUV422Spec;
typedef struct RuxResizeFilterState RuxResizeFilterState;

/* Kernels of the integer-filter resize. */
typedef enum { ruxResizeFilterHann = 0, ruxResizeFilterLanczos = 1 } RuxResizeFilterType;

/* Interpolation argument of the geometric families (int): the mode in the low 29 bits, at most one
   of the three flags above them. */
enum {
  ruxInterNearest = 1,
  ruxInterLinear = 2,
  ruxInterCubic = 4,            /* four-point Lagrange */
  ruxInterCubicBSpline = 5,     /* B = 1, C = 0 */
  ruxInterCubicCatmullRom = 6,  /* B = 0, C = 0.5 */
  ruxInterCubicB05C03 = 7,      /* B = 0.5, C = 0.3 */
  ruxInterSuper = 8,            /* area average, reduction only */
  ruxInterLanczos = 16,         /* three lobes */
  ruxAntialiasing = 0x20000000, /* widened, normalised kernels when reducing */
  ruxSubpixelEdge = 0x40000000, /* edge ring: coverage x edge value */
  ruxSmoothEdge = -2147483647 - 1 /* 0x80000000, edge ring blended with the destination by coverage */
};

/* Version record returned by ruxiGetLibVersion; read-only, valid for the life of the process. */
typedef struct {
  int major;
  int minor;
  int update;
  int build;
  char target[4];
  const char* libraryName;
  const char* versionText;
  const char* date;
} RuxVersionInfo;

#ifdef __cplusplus
}
#endif

#endif /* RUXTYPES_H */
