// Row kernels of the logical and shift operations. Bitwise operations do not depend on the sample
// type, only on its size, so they are instantiated per size class (1, 2, 4 bytes); shifts are
// instantiated per sample type (8u, 8s, 16u, 16s, 32s) since right shifts of signed types are
// arithmetic. Every kernel handles one row; src == dst (in place) is allowed.
#pragma once

#include <cstddef>

#include "primitives/move_kernels.h"  // MoveLayout, sizeClass

namespace rux {

enum BitOp { kBitAnd = 0, kBitOr = 1, kBitXor = 2 };
enum ShiftType { kShift8u = 0, kShift8s, kShift16u, kShift16s, kShift32s, kShiftTypes };
enum ShiftDir { kShiftLeft = 0, kShiftRight = 1 };

// dst = a op b over n samples; the AC4 form runs over n four-channel pixels and keeps dst alpha.
using BitRowFn = void (*)(const void* a, const void* b, void* dst, std::size_t n);
// dst = src op value[c] for channel c, over n pixels of the layout.
using BitConstRowFn = void (*)(const void* src, const void* value, void* dst, std::size_t n);
// dst = src shifted by count[c] for channel c, over n pixels of the layout. Counts are in
// 0..bits of the sample: a count equal to the width shifts every bit out (result 0); signed
// right shifts never receive more than bits - 1, which already gives the sign fill.
using ShiftRowFn = void (*)(const void* src, void* dst, std::size_t n, const int* count);

struct LogicKernels {
  BitRowFn binary[3][3][2];           // [size class][BitOp][AC4]
  BitConstRowFn constant[3][3][4];    // [size class][BitOp][MoveLayout]
  ShiftRowFn shift[kShiftTypes][2][4];  // [ShiftType][ShiftDir][MoveLayout]; null for signed left
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const LogicKernels& logicKernels();

}  // namespace rux
