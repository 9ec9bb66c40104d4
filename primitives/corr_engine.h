// Overlap-save correlation engine over the two-dimensional real FFT, shared by template
// matching (correlation, squared distance), FFT convolution and any family that correlates an
// image with a small kernel through the frequency domain.
//
// Shape:
//  - A correlation of a source with a tplW x tplH kernel over an outW x outH output region is cut
//    into tiles of blockW x blockH outputs. Tile (x0, y0) reads the input block of
//    (blockW + tplW - 1) x (blockH + tplH - 1) samples whose top-left sample is the input of
//    output (x0, y0); the caller fills it (zero outside its source) into a fftW x fftH plane.
//  - The plane is transformed (rows: real FFT of 16 rows at a time through the tiled transpose;
//    columns: Pack2D column pairs, columns 0 and fftW - 1 as one complex column), multiplied by
//    the conjugated kernel spectrum in packed form and transformed back. Circular correlation
//    gives out(i, j) = sum plane(i + p, j + q) * k(p, q) without wrap for i <= fftW - tplW, so
//    the block's outputs are rows 0..blockH - 1, columns 0..blockW - 1 of the plane.
//  - The kernel spectrum is computed once per call and channel (scaled by 1 / (fftW fftH), which
//    folds the inverse normalisation into it); rows the block does not need are neither
//    transformed forward (zero rows) nor back.
//  - One transform-size chooser (chooseLayout): per axis the smallest power of two at least twice
//    the kernel extent (doubled below 128 when the output is longer), then enlarged while the
//    estimated work per output falls; the whole-problem layout covers outputs + kernel - 1.
//  - Tiles are numbered row-major and split into contiguous ranges among threads; a tile's bits
//    do not depend on the thread or the lane that computed it, so results do not depend on the
//    thread count. Each thread has its own plane and transform slots in one scratch block.
// Float (kBatch 16) and double (kBatch 8) instantiations; plain C++ over the dispatched 1-D
// kernels of fft_kernels.h and the packed product of spectrum_kernels.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/base.h"
#include "core/parallel.h"
#include "core/scratch.h"
#include "primitives/fft_plan.h"

namespace rux::corr {

struct Layout {
  int fftW = 0, fftH = 0;      // transform size (powers of two, at least 16)
  int blockW = 0, blockH = 0;  // outputs per tile
  int tilesX = 0, tilesY = 0;
  int outW = 0, outH = 0;
  int tplW = 0, tplH = 0;
  long long tiles() const { return static_cast<long long>(tilesX) * tilesY; }
  // Input block extent of a tile (the samples it reads).
  int inW() const { return blockW + tplW - 1; }
  int inH() const { return blockH + tplH - 1; }
};

// Minimum tile length of one axis: the smallest 2^n (n >= 1) at least twice the kernel extent,
// doubled when n < 7 and 2^n is shorter than the output extent (at least 16).
int minTileLength(int tpl, int out);
// Smallest power of two (at least 16) not below `need`; 0 when beyond 2^30.
int coverLength(long long need);

// tiled: tiles chosen by the cost model (starting from the minimum tile lengths); otherwise one
// tile covering the whole output. Returns false when the sizes cannot be transformed.
bool chooseLayout(int outW, int outH, int tplW, int tplH, bool tiled, Layout* lay);

template <class T>
class Engine {
 public:
  // Plans and one scratch block: `channels` kernel spectra and, per thread, a plane, the
  // transform slots and `extraBytes` of the caller's own scratch. -9 when memory fails.
  RuxResult init(const Layout& lay, int channels, int threads, long long extraBytes);

  const Layout& layout() const { return lay_; }
  std::ptrdiff_t stride() const { return lay_.fftW; }  // plane row length in samples
  // The zeroed plane of channel c's kernel: the caller writes the kernel at the top-left, then
  // calls transformKernel(c, t) on one thread t (using that thread's transform slots).
  T* kernelPlane(int c) const { return spectra_ + static_cast<std::ptrdiff_t>(c) * planeValues_; }
  void transformKernel(int c, int t) const;
  // Thread t's plane and its scratch bytes.
  T* plane(int t) const { return reinterpret_cast<T*>(threadBase(t)); }
  unsigned char* extra(int t) const { return threadBase(t) + threadBytes_ - extraBytes_; }
  // The caller wrote rows [0, dataRows) of thread t's plane (every column, zeros beyond its data);
  // the plane becomes the correlation with kernel c in rows [0, outRows).
  void correlate(int t, int c, int dataRows, int outRows) const;

 private:
  struct Slots {
    T* s1;
    T* s2;
    T* s3;
  };
  unsigned char* threadBase(int t) const {
    return block_.get() + spectraBytes_ + static_cast<std::ptrdiff_t>(t) * threadBytes_;
  }
  Slots slots(int t) const;
  void forward(T* p, int dataRows, Slots s) const;
  void inverse(T* p, int outRows, Slots s) const;

  Layout lay_{};
  const fft::RealPlan<T>* rows_ = nullptr;
  const fft::ComplexPlan<T>* cols_ = nullptr;
  Scratch<unsigned char> plans_{0};
  Scratch<unsigned char> block_{0};
  T* spectra_ = nullptr;
  long long planeValues_ = 0, slotValues_ = 0, workValues_ = 0;
  long long spectraBytes_ = 0, threadBytes_ = 0, extraBytes_ = 0;
};

// One tile: outputs [x0, x0 + cw) x [y0, y0 + ch), reading an input block of inW x inH samples.
struct Tile {
  int x0, y0, cw, ch, inW, inH;
};

// The parallel frame of a correlation: `threads` threads first transform the kernels (channel c
// on thread c mod T: kernel(c, plane, stride) writes it at the top-left of the zeroed plane),
// then share the tiles in contiguous ranges of the row-major tile order. Per tile and channel:
// fill(c, tile, plane, stride) writes input rows [0, inH) (every column, zeros beyond the data),
// then, after the correlation, emit(t, c, tile, plane, stride) reads the block's outputs from
// rows [0, ch), columns [0, cw).
template <class T, class Kernel, class Fill, class Emit>
void runTiles(const Engine<T>& eng, int channels, int threads, Kernel&& kernel, Fill&& fill, Emit&& emit) {
  const Layout& lay = eng.layout();
  const long long tiles = lay.tiles();
  par::masterRegion(
      threads, [](int) { return ruxStatusOk; },
      [&](int t, int team) {
        for (int c = t; c < channels; c += team) {
          kernel(c, eng.kernelPlane(c), eng.stride());
          eng.transformKernel(c, t);
        }
#pragma omp barrier
        T* plane = eng.plane(t);
        const par::RowRange range = par::splitStatic(static_cast<int>(tiles), team, t);
        for (int idx = range.begin; idx < range.end; ++idx) {
          Tile tile;
          tile.x0 = (idx % lay.tilesX) * lay.blockW;
          tile.y0 = (idx / lay.tilesX) * lay.blockH;
          tile.cw = lay.blockW < lay.outW - tile.x0 ? lay.blockW : lay.outW - tile.x0;
          tile.ch = lay.blockH < lay.outH - tile.y0 ? lay.blockH : lay.outH - tile.y0;
          tile.inW = tile.cw + lay.tplW - 1;
          tile.inH = tile.ch + lay.tplH - 1;
          for (int c = 0; c < channels; ++c) {
            fill(c, tile, plane, eng.stride());
            eng.correlate(t, c, tile.inH, tile.ch);
            emit(t, c, tile, static_cast<const T*>(plane), eng.stride());
          }
        }
      });
}

// Threads worth starting for a layout: at most one per tile.
inline int tileThreads(const Layout& lay) {
  const long long n = par::requestedThreads();
  return static_cast<int>(n < lay.tiles() ? n : (lay.tiles() < 1 ? 1 : lay.tiles()));
}

extern template class Engine<float>;
extern template class Engine<double>;

}  // namespace rux::corr
