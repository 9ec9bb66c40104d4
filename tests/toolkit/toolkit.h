// Shared test toolkit of ruxIP: guard-banded images, sources against inaccessible pages, seeded
// random data, thread sweeps, allocation failure and rejection tables. Every family test uses it so that the contract
// (nothing written outside the region, alpha kept, same result on every thread count,
// -9 with nothing written when scratch fails) is checked the same way everywhere.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "ruxcore.h"
#include "ruxi.h"

namespace ruxtest {

// Widths that cross every vector length of every target (up to 64 lanes) with odd tails.
std::vector<int> sweepWidths();

// Random sample of type T: the full range for integers, [-1000, 1000) with fractions for floats.
template <class T>
T randomValue(std::mt19937& rng) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(std::uniform_real_distribution<double>(-1000.0, 1000.0)(rng));
  } else {
    using W = std::conditional_t<std::is_signed_v<T>, long long, unsigned long long>;
    return static_cast<T>(std::uniform_int_distribution<W>(std::numeric_limits<T>::min(),
                                                           std::numeric_limits<T>::max())(rng));
  }
}

// An image region surrounded by guard bytes: guard rows above and below, guard bytes left and
// right of every row, and padBytes more at the end of each row. The whole buffer starts as
// random bytes; check() reports any change outside the region or in a protected channel.
template <class T>
class GuardedImage {
 public:
  static constexpr int kGuardRows = 2;
  static constexpr int kGuardBytes = 32;

  // tight: step equals the row length (no guard columns, no padding), so rows are contiguous.
  GuardedImage(int width, int height, int channels, std::uint32_t seed, int padBytes = 0,
               bool tight = false)
      : width_(width), height_(height), channels_(channels) {
    left_ = tight ? 0 : kGuardBytes;
    const int right = tight ? 0 : kGuardBytes + padBytes * static_cast<int>(sizeof(T));
    step_ = left_ + width * channels * static_cast<int>(sizeof(T)) + right;
    buffer_.resize(static_cast<std::size_t>(step_) * (height + 2 * kGuardRows));
    std::mt19937 rng(seed);
    for (auto& b : buffer_) b = static_cast<std::uint8_t>(rng());
    if constexpr (std::is_floating_point_v<T>) {
      // Keep the region free of NaN so values can be compared as numbers.
      for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * channels; ++i) row(y)[i] = randomValue<T>(rng);
    }
    snapshot();
  }

  T* data() { return row(0); }
  const T* data() const { return row(0); }
  int step() const { return step_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int channels() const { return channels_; }
  RuxImageSize size() const { return {width_, height_}; }

  T* row(int y) { return reinterpret_cast<T*>(origin() + static_cast<std::ptrdiff_t>(y) * step_); }
  const T* row(int y) const {
    return reinterpret_cast<const T*>(origin() + static_cast<std::ptrdiff_t>(y) * step_);
  }
  T& at(int x, int y, int c) { return row(y)[x * channels_ + c]; }
  T at(int x, int y, int c) const { return row(y)[x * channels_ + c]; }

  void fillRegion(std::uint32_t seed) {
    std::mt19937 rng(seed);
    for (int y = 0; y < height_; ++y)
      for (int i = 0; i < width_ * channels_; ++i) row(y)[i] = randomValue<T>(rng);
    snapshot();
  }

  // Records the current contents as the baseline for check() and unchanged().
  void snapshot() { saved_ = buffer_; }
  // Puts back the contents of the last snapshot (for repeated in-place runs).
  void restore() { buffer_ = saved_; }
  // The region's bytes, row by row.
  std::vector<std::uint8_t> regionBytes() const {
    const std::size_t n = static_cast<std::size_t>(width_) * channels_ * sizeof(T);
    std::vector<std::uint8_t> out(n * height_);
    for (int y = 0; y < height_; ++y) std::memcpy(out.data() + n * y, row(y), n);
    return out;
  }
  T savedAt(int x, int y, int c) const {
    T v;
    std::memcpy(&v, saved_.data() + savedOffset(x, y, c), sizeof(T));
    return v;
  }

  // Nothing outside the region changed, nor any channel missing from writableChannels.
  ::testing::AssertionResult check(std::uint32_t writableChannels = 0xffffffffu) const {
    for (std::size_t i = 0; i < buffer_.size(); ++i) {
      if (buffer_[i] == saved_[i]) continue;
      const long long off = static_cast<long long>(i) - kGuardRows * static_cast<long long>(step_);
      const long long y = off >= 0 ? off / step_ : -1;
      const long long inRow = off - y * step_ - left_;
      const long long rowBytes = static_cast<long long>(width_) * channels_ * sizeof(T);
      if (y < 0 || y >= height_ || inRow < 0 || inRow >= rowBytes) {
        return ::testing::AssertionFailure()
               << "byte written outside the region at buffer offset " << i << " (row " << y
               << ", byte " << inRow << " of the row)";
      }
      const int channel = static_cast<int>((inRow / sizeof(T)) % channels_);
      if (((writableChannels >> channel) & 1u) == 0) {
        return ::testing::AssertionFailure() << "protected channel " << channel << " written at row "
                                             << y << ", pixel " << inRow / sizeof(T) / channels_;
      }
    }
    return ::testing::AssertionSuccess();
  }

  // Nothing at all changed since the snapshot.
  ::testing::AssertionResult unchanged() const {
    for (std::size_t i = 0; i < buffer_.size(); ++i) {
      if (buffer_[i] != saved_[i]) return ::testing::AssertionFailure() << "byte " << i << " changed";
    }
    return ::testing::AssertionSuccess();
  }

 private:
  std::uint8_t* origin() { return buffer_.data() + kGuardRows * static_cast<std::ptrdiff_t>(step_) + left_; }
  const std::uint8_t* origin() const {
    return buffer_.data() + kGuardRows * static_cast<std::ptrdiff_t>(step_) + left_;
  }
  std::size_t savedOffset(int x, int y, int c) const {
    return static_cast<std::size_t>((kGuardRows + y) * static_cast<std::ptrdiff_t>(step_) + left_ +
                                    (x * channels_ + c) * static_cast<std::ptrdiff_t>(sizeof(T)));
  }

  int width_, height_, channels_, step_ = 0, left_ = 0;
  std::vector<std::uint8_t> buffer_, saved_;
};

// Bit-exact comparison of a region with expected samples (row-major, width x channels).
template <class T>
::testing::AssertionResult regionEquals(const GuardedImage<T>& img, const std::vector<T>& expected) {
  const int n = img.width() * img.channels();
  for (int y = 0; y < img.height(); ++y) {
    for (int i = 0; i < n; ++i) {
      const T got = img.row(y)[i];
      const T want = expected[static_cast<std::size_t>(y) * n + i];
      if (std::memcmp(&got, &want, sizeof(T)) != 0) {
        return ::testing::AssertionFailure()
               << "pixel " << i / img.channels() << " channel " << i % img.channels() << " of row "
               << y << ": got " << +got << ", expected " << +want;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Border pixels a neighbourhood call may read on each side of its region.
struct Border {
  int left = 0, right = 0, top = 0, bottom = 0;
};

// kBefore / kAfter: an inaccessible page lies right before the first byte of the top-left border
// pixel, or right after the last byte of the bottom-right one. kNanMargin: a margin of NaN
// samples surrounds the border in ordinary memory.
enum class Fence { kBefore, kAfter, kNanMargin };

// Maps a block of `bytes` bytes against an inaccessible page as `fence` says (none for the NaN
// margin); unmapFenced releases it.
std::uint8_t* mapFenced(std::size_t bytes, Fence fence, void** mapping, std::size_t* mappingBytes);
void unmapFenced(void* mapping, std::size_t mappingBytes);

// A source region of width x height pixels with exactly the given border around it, random
// samples in the region and the border. With kBefore and kAfter the step covers exactly
// left + width + right pixels, so a read one byte beyond the border on the fenced side faults;
// with kNanMargin (float types) reads beyond the border yield NaN.
template <class T>
class FencedImage {
 public:
  static constexpr int kMargin = 4;  // NaN pixels beyond each side of the border

  FencedImage(int width, int height, int channels, Border border, Fence fence, std::uint32_t seed)
      : channels_(channels) {
    const int m = fence == Fence::kNanMargin ? kMargin : 0;
    const int cols = border.left + width + border.right + 2 * m;
    const int rows = border.top + height + border.bottom + 2 * m;
    step_ = cols * channels * static_cast<int>(sizeof(T));
    T* block = reinterpret_cast<T*>(
        mapFenced(static_cast<std::size_t>(step_) * rows, fence, &mapping_, &mappingBytes_));
    origin_ = reinterpret_cast<std::uint8_t*>(block) +
              static_cast<std::ptrdiff_t>(m + border.top) * step_ +
              static_cast<std::ptrdiff_t>(m + border.left) * channels * sizeof(T);
    std::mt19937 rng(seed);
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < cols; ++x) {
        const bool margin = x < m || x >= cols - m || y < m || y >= rows - m;
        for (int c = 0; c < channels; ++c) {
          T v = randomValue<T>(rng);
          if constexpr (std::is_floating_point_v<T>) {
            if (margin) v = std::numeric_limits<T>::quiet_NaN();
          }
          block[(static_cast<std::size_t>(y) * cols + x) * channels + c] = v;
        }
      }
    }
  }
  ~FencedImage() { unmapFenced(mapping_, mappingBytes_); }
  FencedImage(const FencedImage&) = delete;
  FencedImage& operator=(const FencedImage&) = delete;

  // The first pixel of the region; the border lies at negative offsets.
  T* data() { return reinterpret_cast<T*>(origin_); }
  int step() const { return step_; }
  int channels() const { return channels_; }
  // x and y relative to the region; the border is addressable.
  T& at(int x, int y, int c) {
    return *reinterpret_cast<T*>(origin_ + static_cast<std::ptrdiff_t>(y) * step_ +
                                 (static_cast<std::ptrdiff_t>(x) * channels_ + c) * sizeof(T));
  }

 private:
  std::uint8_t* origin_ = nullptr;
  int step_ = 0, channels_ = 1;
  void* mapping_ = nullptr;
  std::size_t mappingBytes_ = 0;
};

// Runs body once for each thread count 1, 2 and 7; restores the default afterwards.
void forThreadCounts(const std::function<void(int threads)>& body);

// The test main runs the suites once per SIMD target; the first pass is the best target. Thread
// sweeps of large regions test the parallel frame, which no target changes: they run there only.
void setTargetPass(int pass);
bool onFirstTargetPass();

// Runs produce() at 1, 2 and 7 threads: every run must return the bytes of the 1-thread run.
void expectThreadIndependent(const std::string& what,
                             const std::function<std::vector<std::uint8_t>()>& produce);

// Bytes touched from which the parallel frame forks (the core tests check it against the frame).
constexpr long long kForkBytes = 1 << 20;

// Heights of regions whose rows touch bytesPerRow each: just below the fork size, just above it,
// and four times it (enough work for 7 threads).
inline std::vector<int> heightsAroundFork(long long bytesPerRow) {
  const int at = static_cast<int>((kForkBytes + bytesPerRow - 1) / bytesPerRow);
  return {at - 1, at + 1, 4 * at + 3};
}

// The bytes of n values, for results that are not images.
template <class T>
std::vector<std::uint8_t> bytesOf(const T* values, std::size_t n) {
  std::vector<std::uint8_t> out(n * sizeof(T));
  std::memcpy(out.data(), values, out.size());
  return out;
}

// While alive, ruxMalloc fails after n further successful calls.
class FailAllocationsAfter {
 public:
  explicit FailAllocationsAfter(int n) { ruxSetMallocFailAfter(n); }
  ~FailAllocationsAfter() { ruxSetMallocFailAfter(-1); }
  FailAllocationsAfter(const FailAllocationsAfter&) = delete;
  FailAllocationsAfter& operator=(const FailAllocationsAfter&) = delete;
};

// One row of a rejection table: a call with one bad argument and the status it must give.
struct Rejection {
  std::string what;
  std::function<RuxResult()> call;
  RuxResult expected;
};

// Runs every rejection and checks its status; the guarded images must stay untouched.
template <class... Images>
void expectRejections(std::initializer_list<Rejection> cases, const Images&... untouched) {
  for (const auto& c : cases) {
    EXPECT_EQ(c.call(), c.expected) << c.what;
    const auto check = [&](const auto& image) { EXPECT_TRUE(image.unchanged()) << c.what; };
    (check(untouched), ...);
  }
}

}  // namespace ruxtest
