// Shared harness of rux_bench: image operands, case registration and the families' hook.
//
// A case is one operation at one image size, run by several implementations that are
// registered side by side as "<impl>:<Case>/<W>x<H>":
//   rux  ruxIP itself,
//   cv   the OpenCV counterpart (cv2, cv3 ... for further counterparts),
//   ref  a plain memory operation moving the same bytes (memcpy / memset).
// Each benchmark builds its operands before timing, times only the call, then checks the status
// and that every implementation marked as equivalent produced the same output bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ruxi.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace ruxbench {

struct Size {
  int width;
  int height;
};

inline constexpr Size kFullHd{1920, 1080};
inline constexpr Size kSquare4k{4096, 4096};

// Sizes every case runs at unless it names its own.
inline std::vector<Size> defaultSizes() { return {kFullHd, kSquare4k}; }

// One image operand in ruxiMalloc memory (rows padded to 64 bytes, so the step equals the row
// length for the widths used here). With OpenCV, `mat` is a header over the same memory.
class Image {
 public:
  // Filled with reproducible pseudo-random samples: random bits for integers, values in
  // [-1000, 1000) for floats (no NaN, so every implementation sees ordinary data).
  template <class T>
  static Image random(Size size, int channels, std::uint64_t seed);
  // 8u C1 mask, about half of the bytes non-zero, at random positions.
  static Image mask(Size size, std::uint64_t seed);

  Image(Image&& other) noexcept;
  Image& operator=(Image&&) = delete;
  Image(const Image&) = delete;
  ~Image();

  template <class T>
  T* ptr() const {
    return reinterpret_cast<T*>(data_);
  }
  int step() const { return step_; }
  RuxImageSize roi() const { return {width_, height_}; }
  std::size_t rowBytes() const {
    return static_cast<std::size_t>(width_) * channels_ * sampleBytes_;
  }
  std::int64_t bytes() const { return static_cast<std::int64_t>(rowBytes()) * height_; }
  // Hash of the region's bytes (row padding excluded).
  std::uint64_t digest() const;

#ifdef RUX_HAVE_OPENCV
  cv::Mat mat;
#endif

 private:
  Image(Size size, int channels, int sampleBytes, int cvDepth);
  void fillBits(std::uint64_t seed);
  void fillFloats(std::uint64_t seed);

  std::uint8_t* data_ = nullptr;
  int step_ = 0;
  int width_ = 0;
  int height_ = 0;
  int channels_ = 0;
  int sampleBytes_ = 0;
};

template <class T>
constexpr int cvDepthOf() {
#ifdef RUX_HAVE_OPENCV
  if constexpr (std::is_same_v<T, std::uint8_t>) return CV_8U;
  if constexpr (std::is_same_v<T, std::int8_t>) return CV_8S;
  if constexpr (std::is_same_v<T, std::uint16_t>) return CV_16U;
  if constexpr (std::is_same_v<T, std::int16_t>) return CV_16S;
  if constexpr (std::is_same_v<T, std::int32_t>) return CV_32S;
  if constexpr (std::is_same_v<T, float>) return CV_32F;
  if constexpr (std::is_same_v<T, double>) return CV_64F;
#endif
  return -1;
}

template <class T>
Image Image::random(Size size, int channels, std::uint64_t seed) {
  static_assert(std::is_arithmetic_v<T>, "sample type");
  Image img(size, channels, static_cast<int>(sizeof(T)), cvDepthOf<T>());
  if constexpr (std::is_floating_point_v<T>) {
    static_assert(std::is_same_v<T, float>, "float samples only");
    img.fillFloats(seed);
  } else {
    img.fillBits(seed);
  }
  return img;
}

// Operands of one case: `in` is read by the operation, `out` is written (and may be read,
// e.g. kept alpha or masked pixels). Throughput counts every byte of both.
struct Operands {
  std::vector<Image> in;
  std::vector<Image> out;

  RuxImageSize roi() const { return (out.empty() ? in.front() : out.front()).roi(); }
  std::int64_t bytes() const;
  std::uint64_t digest() const;  // of the outputs
};

// Builds an operand list from images (std::vector cannot be brace-initialised with move-only
// elements).
template <class... I>
std::vector<Image> images(I&&... imgs) {
  std::vector<Image> v;
  v.reserve(sizeof...(I));
  (v.push_back(std::move(imgs)), ...);
  return v;
}

struct Variant {
  std::string impl;                    // rux, cv, cv2, ref ...
  std::function<int(Operands&)> run;   // returns a RuxResult; other implementations return 0
  bool sameOutput = true;              // output must match the case's other such variants
  int threads = 1;                     // ruxIP and OpenCV thread count while this variant runs
                                       // (1: the --threads count of the run)
};

// Registers the case at each size, one benchmark per variant, in the order given.
void addCase(const std::string& name, std::function<Operands(Size)> make,
             std::vector<Variant> variants, const std::vector<Size>& sizes = defaultSizes());

// Reference bandwidth operations over the operands' bytes, for `ref` variants.
// refCopy streams all input bytes into the outputs (inputs and outputs hold the same number of
// bytes); refFill memsets every output byte. Both split blocks of 1 MiB and more among the
// current thread count (currentThreads(): ruxIP's library-wide count).
int currentThreads();
int refCopy(Operands& o);
int refFill(Operands& o, int byte);

// A family file registers its cases from a function handed to addFamily at static
// initialisation; main calls every such function once the command line is parsed:
//   namespace { const int kRegistered = ruxbench::addFamily(&registerMyFamily); }
int addFamily(void (*registerCases)());

// Settings main applies to every case; 0 leaves the matching command-line flag in charge.
struct RunSettings {
  int repetitions = 5;
  double minTimeSeconds = 0;
  int threads = 1;  // thread count of every case whose variant does not set its own
};
// Calls every family's registration function (once, from main).
void registerFamilies(const RunSettings& settings);

}  // namespace ruxbench
