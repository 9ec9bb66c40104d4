// Row kernels of type conversion, shared by every family that changes a sample type (Convert,
// Scale, and the filters, transforms and correlation that compute in one type and deliver in
// another). A kernel converts n samples of one row; channels do not matter, except where a
// caller keeps an alpha channel (it converts into a scratch block and moves channels 0..2).
//
// Value rules of convert[src][dst][mode](src, dst, n, scale):
//  - integer or float to integer: saturate(round(v * 2^-scale)), computed exactly, with the
//    rounding given by mode: 0 toward zero, 1 to nearest with ties to even, 2 to nearest with
//    ties away from zero (roundIndex maps any other value to 2). For scale = 0 and integer
//    sources the mode does not matter: widening is exact, narrowing saturates, negative values
//    become 0 in an unsigned destination.
//  - float sources: NaN becomes 0 in every integer destination; +-inf saturate to the ends of
//    the range.
//  - integer to 32f: exact for 8- and 16-bit sources; 32-bit sources round to the nearest
//    float, ties to even. scale and mode are ignored.
// Every kernel rounds explicitly: results never depend on the processor's rounding mode, and
// the kernels never change it. src == dst is allowed when both types have the same size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ruxtypes.h"

namespace rux {

enum SampleType { kS8u = 0, kS8s, kS16u, kS16s, kS32u, kS32s, kS32f, kSampleTypes };

template <class T> constexpr SampleType sampleType();
template <> constexpr SampleType sampleType<Rux8u>() { return kS8u; }
template <> constexpr SampleType sampleType<Rux8s>() { return kS8s; }
template <> constexpr SampleType sampleType<Rux16u>() { return kS16u; }
template <> constexpr SampleType sampleType<Rux16s>() { return kS16s; }
template <> constexpr SampleType sampleType<Rux32u>() { return kS32u; }
template <> constexpr SampleType sampleType<Rux32s>() { return kS32s; }
template <> constexpr SampleType sampleType<Rux32f>() { return kS32f; }

// Rounding-mode argument to table index: 0 and 1 as given, anything else ties away from zero.
constexpr int roundIndex(int mode) { return mode == 0 || mode == 1 ? mode : 2; }

using ConvertRowFn = void (*)(const void* src, void* dst, std::size_t n, int scale);

// Whole-range mappings of Scale (the source type's range onto the destination's).
using ScaleRowFn = void (*)(const void* src, void* dst, std::size_t n);
// 8u -> 32f: d = s * k + lo in single precision.
using ScaleToFloatRowFn = void (*)(const Rux8u* src, Rux32f* dst, std::size_t n, float k,
                                   float lo);
// 32f -> 8u: d = round to nearest even of clamp(v, lo, hi) * k + b; NaN becomes 0.
using ScaleFromFloatRowFn = void (*)(const Rux32f* src, Rux8u* dst, std::size_t n, float lo,
                                     float hi, float k, float b);

enum ScaleNarrowSource { kScaleFrom16u = 0, kScaleFrom16s = 1, kScaleFrom32s = 2 };

struct ConvertKernels {
  ConvertRowFn convert[kSampleTypes][kSampleTypes][3];  // null where no conversion exists
  ScaleRowFn scale8u16u, scale8u16s, scale8u32s;
  // [source][accurate]: accurate maps (v - min) * 255 / (max - min) rounded to nearest even;
  // fast is the shift formula ((v - (v >> 8)) >> 8) + 128 (>> 24 for 32s) on the signed value.
  ScaleRowFn scaleTo8u[3][2];
  // The float mappings compute in single precision and expect round-to-nearest in effect.
  ScaleToFloatRowFn scale8u32f;
  ScaleFromFloatRowFn scale32f8u;
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const ConvertKernels& convertKernels();

// 1-bit to 8-bit: pixel x is bit (bitOffset + x) counted from the most significant bit of
// src[0]; a set bit becomes 255, a clear one 0. bitOffset >= 0; reads only the bytes that
// hold the n bits.
void unpackBitsRow(const std::uint8_t* src, int bitOffset, std::uint8_t* dst, std::size_t n);

}  // namespace rux
