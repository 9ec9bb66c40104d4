// Row kernels of the look-up families: a 256-entry byte table applied to a run of bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rux {

// dst[i] = table[src[i]] for i < n; src == dst is allowed (each vector is read before it is
// written, the tail byte by byte).
using ByteLutRowFn = void (*)(const std::uint8_t* table, const std::uint8_t* src,
                              std::uint8_t* dst, std::size_t n);

struct LutKernels {
  ByteLutRowFn byteLut;
};

// Kernels of the best target this processor runs. Call once per API call, outside row loops.
const LutKernels& lutKernels();

}  // namespace rux
