// Row kernels of alpha composition for 8u and 16u samples (index 0 and 1 of every table).
//
// Products with alpha are floor(x * a / M) for M = 255 or 65535, sums saturate at M. The six
// operations (over, in, out, atop, xor, plus) take premultiplied operands A', B' and the alphas
// aA, aB; with kPremultiplied false the colour samples are first premultiplied by their own
// pixel's alpha (the alpha sample itself is A' as it stands). Four-channel kernels work on n
// pixels, the others on n samples. dst may equal a source (each group of pixels is read
// completely before it is written).
#pragma once

#include <cstddef>

namespace rux {

enum AlphaOp { kAlphaOver = 0, kAlphaIn, kAlphaOut, kAlphaAtop, kAlphaXor, kAlphaPlus, kAlphaOps };

// AC4: alpha is sample 3 of each pixel and is composed like the colours. AC1: every sample is an
// alpha value (A' = A).
using AlphaCompRowFn = void (*)(const void* a, const void* b, void* dst, std::size_t n);
// AP4: four planes, plane 3 is alpha.
using AlphaCompPlanesRowFn = void (*)(const void* const* a, const void* const* b,
                                      void* const* dst, std::size_t n);
// Constant alphas for every sample; the AC4 form keeps the destination's alpha sample.
using AlphaCompConstRowFn = void (*)(const void* a, const void* b, void* dst, std::size_t n,
                                     unsigned alphaA, unsigned alphaB);
// Colour samples times the pixel's alpha; the alpha sample is copied.
using PremulRowFn = void (*)(const void* src, void* dst, std::size_t n);
using PremulPlanesRowFn = void (*)(const void* const* src, void* const* dst, std::size_t n);
// Every sample times the constant; the AC4 form sets the alpha sample to the constant.
using PremulConstRowFn = void (*)(const void* src, void* dst, std::size_t n, unsigned alpha);

struct AlphaKernels {
  AlphaCompRowFn compAC4[2][kAlphaOps][2];           // [size][op][premultiplied inputs]
  AlphaCompPlanesRowFn compAP4[2][kAlphaOps][2];     // [size][op][premultiplied inputs]
  AlphaCompRowFn compAC1[2][kAlphaOps];              // [size][op]
  AlphaCompConstRowFn compC[2][kAlphaOps][2][2];     // [size][op][premultiplied][AC4]
  PremulRowFn premulAC4[2];
  PremulPlanesRowFn premulAP4[2];
  PremulConstRowFn premulC[2][2];                    // [size][AC4]
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const AlphaKernels& alphaKernels();

}  // namespace rux
