// Double reference of one forward wavelet level: the subband sample at (x, y), channel c, of a
// column filter followed by a row filter, each with decimation by 2 and the convolution
// positioning out(k) = sum_j h[j] in(2k + anchor - j). src(x, y, c) reads the source around its
// region (negative coordinates are the border).
#pragma once

#include <vector>

namespace ruxref {

struct WtFilter {
  std::vector<double> taps;
  int anchor;
};

template <class Src>
double waveletBand(const Src& src, const WtFilter& column, const WtFilter& row, int x, int y, int c) {
  double s = 0;
  for (int i = 0; i < static_cast<int>(row.taps.size()); ++i) {
    const int col = 2 * x + row.anchor - i;
    double v = 0;
    for (int j = 0; j < static_cast<int>(column.taps.size()); ++j)
      v += column.taps[j] * src(col, 2 * y + column.anchor - j, c);
    s += row.taps[i] * v;
  }
  return s;
}

}  // namespace ruxref
