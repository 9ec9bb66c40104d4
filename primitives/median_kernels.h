// Selection networks of the median filters: the median of k samples per output, the samples at
// fixed byte offsets from the output's position, for every output of a row at once.
//
// A network is a list of compare-exchange steps over k slots (min to the lower slot, max to the
// higher) after which the middle slot holds the median; it is derived from a sorting network
// of k inputs by keeping only the steps the middle slot depends on (steps whose other output is
// never read again compute only the needed side). The vector kernel and its scalar tail run the
// same steps with the same comparison (a < b ? a : b, a > b ? a : b), so every target gives the
// same result, NaN included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rux::median {

enum Type { k8u, k16u, k16s, k32f, k64f, kTypes };

struct Step {
  std::uint8_t lo, hi;  // slots, lo < hi
  std::uint8_t keep;    // 1: min only, 2: max only, 3: both
};

struct Network {
  int inputs = 0;
  int out = 0;  // slot of the median
  std::vector<Step> steps;
};

// The median network of k inputs (1 <= k <= 255), built once per k.
const Network& networkOf(int k);

// Column histograms of one channel of 8u samples for the large-window median: per column 256
// fine bins and 16 coarse bins (value >> 4), 16-bit counts (windows of at most 32767 samples).
struct ColumnHistograms {
  std::int16_t* fine;    // cols x 256
  std::int16_t* coarse;  // cols x 16
  int cols;
};
// Adds (sign +1) or removes (-1) one source row: samples row[c * stride] for c < cols.
using HistRowFn = void (*)(ColumnHistograms& h, const std::uint8_t* row, int stride, int sign);
// The medians of `width` windows of `w` columns (need = w x h / 2 + 1), written at out[x * stride].
using HistMedianFn = void (*)(const ColumnHistograms& h, int w, int need, int width, std::uint8_t* out, int stride);

// out[i] = median over t < k of the sample at base + offsets[t] + i * sizeof(T).
using MedianFn = void (*)(const unsigned char* base, const std::ptrdiff_t* offsets, const Network& net,
                          std::size_t n, void* out);

struct MedianKernels {
  MedianFn median[kTypes];
  // The networks of 9, 25 and (8u) 49 inputs unrolled at compile time; the same results.
  MedianFn fixed9[kTypes];
  MedianFn fixed25[kTypes];
  MedianFn fixed49u8;
  HistRowFn histRow;
  HistMedianFn histMedian;
};

const MedianKernels& medianKernels();

}  // namespace rux::median
