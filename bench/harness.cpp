// Operands, case registration and reference operations of rux_bench (see harness.h).
#include "harness.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "ruxcore.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core/utility.hpp>
#endif

namespace ruxbench {
namespace {

std::uint64_t splitmix64(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Digest of the first output each case produced, keyed by "<Case>/<W>x<H>".
std::map<std::string, std::uint64_t>& firstDigests() {
  static std::map<std::string, std::uint64_t> digests;
  return digests;
}

bool outputMatches(const std::string& key, std::uint64_t digest) {
  auto [it, inserted] = firstDigests().emplace(key, digest);
  return inserted || it->second == digest;
}

std::vector<void (*)()>& families() {
  static std::vector<void (*)()> list;
  return list;
}

RunSettings g_settings;

// Cases run on one thread unless a variant asks for more (main starts both libraries at 1).
void setThreads(int n) {
  ruxSetNumThreads(n);
#ifdef RUX_HAVE_OPENCV
  cv::setNumThreads(n);
#endif
}

struct Span {
  std::uint8_t* data;
  std::size_t bytes;
};

// The image's bytes as spans: one span when rows are contiguous, else one per row.
void appendSpans(const Image& img, std::vector<Span>& spans) {
  if (static_cast<std::size_t>(img.step()) == img.rowBytes()) {
    spans.push_back({img.ptr<std::uint8_t>(), static_cast<std::size_t>(img.bytes())});
    return;
  }
  for (int y = 0; y < img.roi().height; ++y) {
    spans.push_back({img.ptr<std::uint8_t>() + static_cast<std::ptrdiff_t>(y) * img.step(),
                     img.rowBytes()});
  }
}

}  // namespace

Image::Image(Size size, int channels, int sampleBytes, int cvDepth)
    : width_(size.width), height_(size.height), channels_(channels), sampleBytes_(sampleBytes) {
  data_ = ruxiMalloc_8u_C1(size.width * channels * sampleBytes, size.height, &step_);
  if (data_ == nullptr) {
    std::fprintf(stderr, "rux_bench: cannot allocate a %dx%d image\n", size.width, size.height);
    std::abort();
  }
#ifdef RUX_HAVE_OPENCV
  if (cvDepth >= 0) mat = cv::Mat(height_, width_, CV_MAKETYPE(cvDepth, channels), data_, step_);
#else
  (void)cvDepth;
#endif
}

Image::Image(Image&& other) noexcept
    :
#ifdef RUX_HAVE_OPENCV
      mat(std::move(other.mat)),
#endif
      data_(std::exchange(other.data_, nullptr)),
      step_(other.step_),
      width_(other.width_),
      height_(other.height_),
      channels_(other.channels_),
      sampleBytes_(other.sampleBytes_) {
}

Image::~Image() { ruxiFree(data_); }

void Image::fillBits(std::uint64_t seed) {
  std::uint64_t state = seed;
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* row = data_ + static_cast<std::ptrdiff_t>(y) * step_;
    for (std::size_t x = 0; x < rowBytes(); x += 8) {
      const std::uint64_t r = splitmix64(state);
      std::memcpy(row + x, &r, std::min<std::size_t>(8, rowBytes() - x));
    }
  }
}

void Image::fillFloats(std::uint64_t seed) {
  std::uint64_t state = seed;
  const std::size_t n = rowBytes() / sizeof(float);
  for (int y = 0; y < height_; ++y) {
    float* row = reinterpret_cast<float*>(data_ + static_cast<std::ptrdiff_t>(y) * step_);
    for (std::size_t x = 0; x < n; ++x) {
      const double unit = static_cast<double>(splitmix64(state) >> 11) * 0x1.0p-53;
      row[x] = static_cast<float>(unit * 2000.0 - 1000.0);
    }
  }
}

Image Image::mask(Size size, std::uint64_t seed) {
  Image img(size, 1, 1, cvDepthOf<std::uint8_t>());
  std::uint64_t state = seed;
  for (int y = 0; y < size.height; ++y) {
    std::uint8_t* row = img.data_ + static_cast<std::ptrdiff_t>(y) * img.step_;
    for (int x = 0; x < size.width; ++x) {
      const std::uint64_t r = splitmix64(state);
      row[x] = (r & 1) ? static_cast<std::uint8_t>((r >> 8) | 1) : 0;
    }
  }
  return img;
}

std::uint64_t Image::digest() const {
  std::uint64_t h = 0x243F6A8885A308D3ull;
  const std::size_t n = rowBytes();
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* row = data_ + static_cast<std::ptrdiff_t>(y) * step_;
    std::size_t x = 0;
    for (; x + 8 <= n; x += 8) {
      std::uint64_t w;
      std::memcpy(&w, row + x, 8);
      h = (h ^ w) * 0x100000001B3ull;
      h ^= h >> 29;
    }
    for (; x < n; ++x) h = (h ^ row[x]) * 0x100000001B3ull;
  }
  return h;
}

std::int64_t Operands::bytes() const {
  std::int64_t total = 0;
  for (const Image& img : in) total += img.bytes();
  for (const Image& img : out) total += img.bytes();
  return total;
}

std::uint64_t Operands::digest() const {
  std::uint64_t h = 0;
  for (const Image& img : out) h = h * 31 + img.digest();
  return h;
}

void addCase(const std::string& name, std::function<Operands(Size)> make,
             std::vector<Variant> variants, const std::vector<Size>& sizes) {
  for (const Size size : sizes) {
    const std::string key =
        name + "/" + std::to_string(size.width) + "x" + std::to_string(size.height);
    for (const Variant& v : variants) {
      auto body = [make, size, key, run = v.run, same = v.sameOutput,
                   threads = v.threads](benchmark::State& st) {
        Operands o = make(size);
        const int base = g_settings.threads;
        const int n = threads != 1 ? threads : base;  // a variant's own count, else --threads
        if (n != base) setThreads(n);
        int status = ruxStatusOk;
        for (auto _ : st) {
          const int r = run(o);
          if (r != ruxStatusOk) status = r;
          benchmark::ClobberMemory();
        }
        if (n != base) setThreads(base);
        if (status != ruxStatusOk) {
          st.SkipWithError(("returned status " + std::to_string(status)).c_str());
          return;
        }
        st.SetBytesProcessed(st.iterations() * o.bytes());
        if (same && !outputMatches(key, o.digest())) {
          st.SkipWithError("output differs from the case's other implementations");
        }
      };
      benchmark::internal::Benchmark* b =
          benchmark::RegisterBenchmark((v.impl + ":" + key).c_str(), body);
      b->UseRealTime()->Unit(benchmark::kMicrosecond)->ReportAggregatesOnly(true);
      if (g_settings.repetitions > 0) b->Repetitions(g_settings.repetitions);
      if (g_settings.minTimeSeconds > 0) b->MinTime(g_settings.minTimeSeconds);
    }
  }
}

// Pieces of at least 1 MiB go to the current thread count (equal contiguous parts).
template <class Piece>
void splitAmongThreads(std::uint8_t* dst, std::size_t n, const Piece& piece) {
  const int threads = n < (1u << 20) ? 1 : std::max(1, ruxbench::currentThreads());
  if (threads == 1) {
    piece(dst, std::size_t{0}, n);
    return;
  }
#pragma omp parallel for num_threads(threads) schedule(static)
  for (int t = 0; t < threads; ++t) {
    const std::size_t begin = n * t / threads, end = n * (t + 1) / threads;
    piece(dst, begin, end - begin);
  }
}

int refCopy(Operands& o) {
  std::vector<Span> src, dst;
  for (const Image& img : o.in) appendSpans(img, src);
  for (const Image& img : o.out) appendSpans(img, dst);
  std::size_t si = 0, so = 0, di = 0, doff = 0;
  while (si < src.size() && di < dst.size()) {
    const std::size_t n = std::min(src[si].bytes - so, dst[di].bytes - doff);
    const std::uint8_t* from = src[si].data + so;
    splitAmongThreads(dst[di].data + doff, n, [from](std::uint8_t* to, std::size_t at, std::size_t len) {
      std::memcpy(to + at, from + at, len);
    });
    so += n;
    doff += n;
    if (so == src[si].bytes) ++si, so = 0;
    if (doff == dst[di].bytes) ++di, doff = 0;
  }
  return 0;
}

int refFill(Operands& o, int byte) {
  std::vector<Span> dst;
  for (const Image& img : o.out) appendSpans(img, dst);
  for (const Span& s : dst) {
    splitAmongThreads(s.data, s.bytes, [byte](std::uint8_t* to, std::size_t at, std::size_t len) {
      std::memset(to + at, byte, len);
    });
  }
  return 0;
}

int currentThreads() {
  int n = 1;
  ruxGetNumThreads(&n);
  return n;
}

int addFamily(void (*registerCases)()) {
  families().push_back(registerCases);
  return static_cast<int>(families().size());
}

void registerFamilies(const RunSettings& settings) {
  g_settings = settings;
  for (auto* fn : families()) fn();
}

}  // namespace ruxbench
