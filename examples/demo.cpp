// rux_demo: generates a 1920x1080 RGB test image (ramps and Jaehne rings), runs a short pipeline
// of ruxIP calls on it (channel moves, alpha layouts, conversion, arithmetic, threshold,
// composition, look-up tables), prints statistics of its images (means, extrema, histogram,
// moments, norms, quality index) and writes its images as PNG files with an index.html contact
// sheet (the images, the step timings and the numbers it prints) that any browser shows.
//
// Usage: rux_demo [output folder]     (default: rux_demo_output; the folder must exist)
//
// Every library call is one entry of the step table in main(): a name and a lambda returning
// the call's status. Each step is timed; a negative status (an error) stops the demo with exit
// code 1, a positive one (a warning) shows in the status column and the pipeline goes on.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <functional>
#include <cstdarg>
#include <memory>
#include <string>
#include <vector>

#include "ruxcore.h"
#include "ruxi.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// An 8-bit image of 1, 3 or 4 channels in ruxiMalloc memory.
class Image {
 public:
  Image(int width, int height, int channels)
      : width_(width), height_(height), channels_(channels) {
    switch (channels) {
      case 1: data_ = ruxiMalloc_8u_C1(width, height, &step_); break;
      case 3: data_ = ruxiMalloc_8u_C3(width, height, &step_); break;
      case 4: data_ = ruxiMalloc_8u_C4(width, height, &step_); break;
      default: break;
    }
  }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  ~Image() { ruxiFree(data_); }

  bool ok() const { return data_ != nullptr; }
  int step() const { return step_; }
  int channels() const { return channels_; }
  RuxImageSize size() const { return {width_, height_}; }
  // Address of pixel (x, y).
  Rux8u* at(int x, int y) const {
    return data_ + static_cast<std::ptrdiff_t>(y) * step_ +
           static_cast<std::ptrdiff_t>(x) * channels_;
  }
  // True when the pixel data (row padding excluded) equals the other image's.
  bool sameAs(const Image& other) const {
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * channels_;
    for (int y = 0; y < height_; ++y) {
      if (std::memcmp(at(0, y), other.at(0, y), rowBytes) != 0) return false;
    }
    return true;
  }

 private:
  Rux8u* data_ = nullptr;
  int step_ = 0;
  int width_;
  int height_;
  int channels_;
};

// 255 inside the disc inscribed in the mask, 0 outside.
void drawDisc(Image& mask) {
  const RuxImageSize s = mask.size();
  const double r = std::min(s.width, s.height) / 2.0;
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const double dx = x + 0.5 - s.width / 2.0, dy = y + 0.5 - s.height / 2.0;
      *mask.at(x, y) = dx * dx + dy * dy <= r * r ? 255 : 0;
    }
  }
}

// ---- PNG output: zlib stream of stored (uncompressed) deflate blocks, no library needed ----
std::uint32_t crc32(const Rux8u* p, std::size_t n, std::uint32_t crc = 0) {
  static std::uint32_t table[256];
  if (table[1] == 0) {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
  }
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void putBigEndian(std::vector<Rux8u>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<Rux8u>(v >> shift));
}

void putChunk(std::vector<Rux8u>& png, const char* type, const std::vector<Rux8u>& data) {
  putBigEndian(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  putBigEndian(png, crc32(png.data() + start, png.size() - start));
}

// Writes an 8-bit grey (1), RGB (3) or RGBA (4 channels) image as PNG.
bool writePng(const std::string& path, const Image& img) {
  static const int kColourType[5] = {0, 0, 0, 2, 6};
  const RuxImageSize s = img.size();
  const std::size_t rowBytes = static_cast<std::size_t>(s.width) * img.channels();
  // Raw scan lines (filter byte 0), then the zlib stream: header, stored blocks, Adler-32.
  std::vector<Rux8u> raw;
  raw.reserve((rowBytes + 1) * s.height);
  for (int y = 0; y < s.height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), img.at(0, y), img.at(0, y) + rowBytes);
  }
  std::vector<Rux8u> z = {0x78, 0x01};
  for (std::size_t pos = 0; pos < raw.size() || pos == 0;) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
    const bool last = pos + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<Rux8u>(n));
    z.push_back(static_cast<Rux8u>(n >> 8));
    z.push_back(static_cast<Rux8u>(~n));
    z.push_back(static_cast<Rux8u>(~n >> 8));
    z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
    if (last) break;
  }
  std::uint32_t a = 1, b = 0;
  for (const Rux8u v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  putBigEndian(z, (b << 16) | a);
  std::vector<Rux8u> header;
  putBigEndian(header, static_cast<std::uint32_t>(s.width));
  putBigEndian(header, static_cast<std::uint32_t>(s.height));
  header.insert(header.end(), {8, static_cast<Rux8u>(kColourType[img.channels()]), 0, 0, 0});
  std::vector<Rux8u> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", z);
  putChunk(png, "IEND", {});
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok;
}

// Everything the demo prints, also kept for the contact sheet.
std::string gLog;
void say(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::fputs(line, stdout);
  gLog += line;
}

std::string htmlEscape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

// A half-size copy through the library's square-pixel resize (super-sampling), for the sheet.
RuxResult halfSize(const Image& src, Image& dst) {
  const RuxImageSize s = src.size();
  const RuxImageRect srcRoi = {0, 0, s.width, s.height};
  const RuxImageRect dstRoi = {0, 0, dst.size().width, dst.size().height};
  int bytes = 0;
  RuxResult status = ruxiResizeGetBufSize(srcRoi, dstRoi, src.channels(), ruxInterSuper, &bytes);
  if (status != ruxStatusOk) return status;
  std::vector<Rux8u> buffer(static_cast<std::size_t>(std::max(bytes, 1)));
  auto resize = src.channels() == 1 ? ruxiResizeSqrPixel_8u_C1R
                : src.channels() == 3 ? ruxiResizeSqrPixel_8u_C3R : ruxiResizeSqrPixel_8u_C4R;
  return resize(src.at(0, 0), s, src.step(), srcRoi, dst.at(0, 0), dst.step(), dstRoi, 0.5, 0.5, 0, 0,
                ruxInterSuper, buffer.data());
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

struct Step {
  const char* name;
  std::function<RuxResult()> run;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "rux_demo_output";
  const RuxVersionInfo* v = ruxiGetLibVersion();
  int threads = 0;
  ruxGetNumThreads(&threads);
  say("%s %s, %d thread(s)\n", v->libraryName, v->versionText, threads);

  Image source(kWidth, kHeight, 3), swapped(kWidth, kHeight, 3), merged(kWidth, kHeight, 3);
  Image red(kWidth, kHeight, 1), green(kWidth, kHeight, 1), blue(kWidth, kHeight, 1);
  Image rgba(kWidth, kHeight, 4), rgbaCopy(kWidth, kHeight, 4), result(kWidth, kHeight, 3);
  Image average(kWidth, kHeight, 1), dimmed(kWidth, kHeight, 1), toned(kWidth, kHeight, 3);
  Image composite(kWidth, kHeight, 4);
  Rux8u otsu = 0;
  // Statistics gathered by the steps and printed after the timing table.
  Rux64f toneMean[3] = {0, 0, 0}, roundTripError[3] = {0, 0, 0}, discArea[3] = {0, 0, 0};
  Rux8u dimMin = 0, dimMax = 0, ringPeak = 0;
  int ringPeakX = -1, ringPeakY = -1, discCount = 0;
  Rux32s histogram[8] = {0}, histLevels[9] = {0};
  Rux32f quality = 0;
  RuxMomentState_64f* momentState = nullptr;
  if (ruxiMomentInitAlloc_64f(&momentState, ruxHintNone) != ruxStatusOk) {
    std::fprintf(stderr, "rux_demo: ruxiMomentInitAlloc_64f failed\n");
    return 1;
  }
  std::unique_ptr<RuxMomentState_64f, RuxResult (*)(RuxMomentState_64f*)> moments(
      momentState, ruxiMomentFree_64f);
  int floatStep = 0;
  std::unique_ptr<Rux32f, void (*)(void*)> rings(ruxiMalloc_32f_C1(kWidth, kHeight, &floatStep),
                                                 ruxiFree);
  const int discSize = kHeight / 2;
  Image disc(discSize, discSize, 1);
  for (const Image* img : {&source, &swapped, &merged, &red, &green, &blue, &rgba, &rgbaCopy,
                           &result, &disc, &average, &dimmed, &toned, &composite}) {
    if (!img->ok() || rings == nullptr) {
      std::fprintf(stderr, "rux_demo: ruxiMalloc failed\n");
      return 1;
    }
  }
  auto start = std::chrono::steady_clock::now();
  drawDisc(disc);
  say("mask drawn in %.3f ms (demo code)\n", millisecondsSince(start));

  const RuxImageSize full = source.size();
  // Regions: the left third of the frame, and a square in its centre for the disc.
  const RuxImageSize leftThird = {kWidth / 3, kHeight};
  const int discX = (kWidth - discSize) / 2, discY = (kHeight - discSize) / 2;

  const std::vector<Step> steps = {
      // The built-in input: red and green ramps and the Jaehne rings, merged into pixels.
      {"ImageRamp_8u_C1R x",
       [&] {
         return ruxiImageRamp_8u_C1R(red.at(0, 0), red.step(), full, 0.0f, 255.0f / (kWidth - 1), 0);
       }},
      {"ImageRamp_8u_C1R y",
       [&] {
         return ruxiImageRamp_8u_C1R(green.at(0, 0), green.step(), full, 0.0f,
                                     255.0f / (kHeight - 1), 1);
       }},
      {"ImageJaehne_8u_C1R",
       [&] { return ruxiImageJaehne_8u_C1R(blue.at(0, 0), blue.step(), full); }},
      {"Copy_8u_P3C3R input",
       [&] {
         const Rux8u* const planes[3] = {red.at(0, 0), green.at(0, 0), blue.at(0, 0)};
         return ruxiCopy_8u_P3C3R(planes, red.step(), source.at(0, 0), source.step(), full);
       }},
      {"Copy_8u_C3P3R",
       [&] {
         Rux8u* const planes[3] = {red.at(0, 0), green.at(0, 0), blue.at(0, 0)};
         return ruxiCopy_8u_C3P3R(source.at(0, 0), source.step(), planes, red.step(), full);
       }},
      {"Copy_8u_P3C3R",
       [&] {
         const Rux8u* const planes[3] = {red.at(0, 0), green.at(0, 0), blue.at(0, 0)};
         return ruxiCopy_8u_P3C3R(planes, red.step(), merged.at(0, 0), merged.step(), full);
       }},
      {"SwapChannels_8u_C3R",
       [&] {
         static const int kReverse[3] = {2, 1, 0};
         return ruxiSwapChannels_8u_C3R(source.at(0, 0), source.step(), swapped.at(0, 0),
                                        swapped.step(), full, kReverse);
       }},
      {"Dup_8u_C1C3R",
       [&] {
         return ruxiDup_8u_C1C3R(green.at(0, 0), green.step(), swapped.at(0, 0), swapped.step(),
                                 leftThird);
       }},
      {"Set_8u_C3MR",
       [&] {
         static const Rux8u kGold[3] = {255, 200, 40};
         return ruxiSet_8u_C3MR(kGold, swapped.at(discX, discY), swapped.step(), disc.size(),
                                disc.at(0, 0), disc.step());
       }},
      {"Set_8u_C4R",
       [&] {
         static const Rux8u kOpaqueBlack[4] = {0, 0, 0, 255};
         return ruxiSet_8u_C4R(kOpaqueBlack, rgba.at(0, 0), rgba.step(), full);
       }},
      {"Copy_8u_C3AC4R",
       [&] {
         return ruxiCopy_8u_C3AC4R(swapped.at(0, 0), swapped.step(), rgba.at(0, 0), rgba.step(),
                                   full);
       }},
      {"Set_8u_C4R",
       [&] {
         static const Rux8u kHalfAlpha[4] = {0, 0, 0, 128};
         return ruxiSet_8u_C4R(kHalfAlpha, rgbaCopy.at(0, 0), rgbaCopy.step(), full);
       }},
      {"Copy_8u_AC4R",
       [&] {
         return ruxiCopy_8u_AC4R(rgba.at(0, 0), rgba.step(), rgbaCopy.at(0, 0), rgbaCopy.step(),
                                 full);
       }},
      {"Copy_8u_AC4C3R",
       [&] {
         return ruxiCopy_8u_AC4C3R(rgbaCopy.at(0, 0), rgbaCopy.step(), result.at(0, 0),
                                   result.step(), full);
       }},
      // Tone the rings through floats, and average the ramps with a rounding scale factor.
      {"Convert_8u32f_C1R",
       [&] {
         return ruxiConvert_8u32f_C1R(blue.at(0, 0), blue.step(), rings.get(), floatStep, full);
       }},
      {"MulC_32f_C1IR", [&] { return ruxiMulC_32f_C1IR(0.75f, rings.get(), floatStep, full); }},
      {"Convert_32f8u_C1R",
       [&] {
         return ruxiConvert_32f8u_C1R(rings.get(), floatStep, dimmed.at(0, 0), dimmed.step(), full,
                                      ruxRoundNearestEven);
       }},
      {"Add_8u_C1RSfs",
       [&] {
         return ruxiAdd_8u_C1RSfs(red.at(0, 0), red.step(), green.at(0, 0), green.step(),
                                  average.at(0, 0), average.step(), full, 1);
       }},
      // Brighten the rings above their automatic (Otsu) threshold.
      {"ComputeThreshold_Otsu",
       [&] { return ruxiComputeThreshold_Otsu_8u_C1R(dimmed.at(0, 0), dimmed.step(), full, &otsu); }},
      {"Threshold_GTVal_8u_C1IR",
       [&] { return ruxiThreshold_GTVal_8u_C1IR(dimmed.at(0, 0), dimmed.step(), full, otsu, 255); }},
      // The half-transparent copy composed over the opaque image.
      {"AlphaComp_8u_AC4R over",
       [&] {
         return ruxiAlphaComp_8u_AC4R(rgbaCopy.at(0, 0), rgbaCopy.step(), rgba.at(0, 0), rgba.step(),
                                      composite.at(0, 0), composite.step(), full, ruxCompositeOver);
       }},
      {"Copy_8u_P3C3R toned",
       [&] {
         const Rux8u* const planes[3] = {average.at(0, 0), dimmed.at(0, 0), blue.at(0, 0)};
         return ruxiCopy_8u_P3C3R(planes, red.step(), toned.at(0, 0), toned.step(), full);
       }},
      // A gentle S-shaped contrast curve, the same for the three channels.
      {"LUT_Linear_8u_C3IR",
       [&] {
         static const Rux32s kLevels[4] = {0, 64, 192, 256};
         static const Rux32s kValues[4] = {0, 48, 208, 255};
         const Rux32s* const levels[3] = {kLevels, kLevels, kLevels};
         const Rux32s* const values[3] = {kValues, kValues, kValues};
         static const int kCounts[3] = {4, 4, 4};
         return ruxiLUT_Linear_8u_C3IR(toned.at(0, 0), toned.step(), full, values, levels, kCounts);
       }},
      // Statistics of the images made above.
      {"Mean_8u_C3R", [&] { return ruxiMean_8u_C3R(toned.at(0, 0), toned.step(), full, toneMean); }},
      {"MinMax_8u_C1R",
       [&] { return ruxiMinMax_8u_C1R(dimmed.at(0, 0), dimmed.step(), full, &dimMin, &dimMax); }},
      {"MaxIndx_8u_C1R",
       [&] {
         return ruxiMaxIndx_8u_C1R(blue.at(0, 0), blue.step(), full, &ringPeak, &ringPeakX,
                                   &ringPeakY);
       }},
      {"HistogramEven_8u_C1R",
       [&] {
         return ruxiHistogramEven_8u_C1R(dimmed.at(0, 0), dimmed.step(), full, histogram,
                                         histLevels, 9, 0, 256);
       }},
      {"CountInRange_8u_C1R",
       [&] {
         return ruxiCountInRange_8u_C1R(disc.at(0, 0), disc.step(), disc.size(), &discCount, 255,
                                        255);
       }},
      {"Moments64f_8u_C1R",
       [&] {
         return ruxiMoments64f_8u_C1R(disc.at(0, 0), disc.step(), disc.size(), moments.get());
       }},
      {"GetSpatialMoment_64f x3",
       [&]() -> RuxResult {
         // Moments of the disc mask placed at its position in the frame.
         const RuxImagePoint offset = {discX, discY};
         const int orders[3][2] = {{0, 0}, {1, 0}, {0, 1}};
         for (int i = 0; i < 3; ++i) {
           const RuxResult status = ruxiGetSpatialMoment_64f(moments.get(), orders[i][0],
                                                             orders[i][1], 0, offset, &discArea[i]);
           if (status != ruxStatusOk) return status;
         }
         return ruxStatusOk;
       }},
      {"NormDiff_Inf_8u_C3R",
       [&] {
         return ruxiNormDiff_Inf_8u_C3R(result.at(0, 0), result.step(), swapped.at(0, 0),
                                        swapped.step(), full, roundTripError);
       }},
      {"QualityIndex_8u32f_C1R",
       [&] {
         return ruxiQualityIndex_8u32f_C1R(dimmed.at(0, 0), dimmed.step(), blue.at(0, 0),
                                           blue.step(), full, &quality);
       }},
  };

  // Two passes over the same steps: the first one also pays for touching fresh memory, the
  // second one shows the steady cost. Both give the same images.
  std::vector<double> ms[2];
  std::vector<RuxResult> statuses;
  for (int pass = 0; pass < 2; ++pass) {
    for (const Step& step : steps) {
      start = std::chrono::steady_clock::now();
      const RuxResult status = step.run();
      ms[pass].push_back(millisecondsSince(start));
      if (pass == 1) statuses.push_back(status);
      if (status < 0) {
        std::fprintf(stderr, "rux_demo: %s failed with status %d\n", step.name, status);
        return 1;
      }
    }
  }
  say("%-24s %9s %9s  status\n", "step", "first ms", "again ms");
  double total[2] = {0, 0};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    say("%-24s %9.3f %9.3f  %d\n", steps[i].name, ms[0][i], ms[1][i], statuses[i]);
    total[0] += ms[0][i];
    total[1] += ms[1][i];
  }
  say("%-24s %9.3f %9.3f\n", "library calls", total[0], total[1]);

  // Splitting and merging back, and the trip through the alpha images, change no colour; the
  // AC4 copy leaves the destination's alpha as it was.
  bool alphaKept = true;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) alphaKept &= rgbaCopy.at(x, y)[3] == 128;
  }
  const bool planesRoundTrip = merged.sameAs(source);
  const bool alphaRoundTrip = result.sameAs(swapped) && roundTripError[0] == 0 &&
                             roundTripError[1] == 0 && roundTripError[2] == 0;
  say("Otsu threshold of the toned rings: %d\n", otsu);
  say("mean colour of the result: %.3f %.3f %.3f\n", toneMean[0], toneMean[1],
              toneMean[2]);
  say("toned rings: min %d, max %d; rings peak %d first at (%d, %d)\n", dimMin, dimMax,
              ringPeak, ringPeakX, ringPeakY);
  say("toned rings histogram, 8 bins from 0 to 256:");
  for (const Rux32s count : histogram) say(" %d", count);
  say("\ndisc mask: %d pixels set, centroid (%.2f, %.2f) in the frame\n", discCount,
              discArea[1] / discArea[0], discArea[2] / discArea[0]);
  say("alpha round trip, largest difference: %g %g %g\n", roundTripError[0],
              roundTripError[1], roundTripError[2]);
  say("quality index of the toned rings against the rings: %.4f\n", quality);
  say("planes round trip: %s\nalpha round trip: %s\nalpha kept: %s\n",
              planesRoundTrip ? "identical" : "DIFFERENT",
              alphaRoundTrip ? "identical" : "DIFFERENT", alphaKept ? "yes" : "NO");
  if (!planesRoundTrip || !alphaRoundTrip || !alphaKept) return 1;

  // The contact sheet: half-size views of the steps, the full-size result, and the numbers.
  start = std::chrono::steady_clock::now();
  struct Shot {
    const char* file;
    const char* caption;
    const Image* image;
  };
  const Shot shots[] = {
      {"input.png", "Input: ramps and Jaehne rings merged from planes (ImageRamp, ImageJaehne, Copy P3C3)", &source},
      {"channels.png", "Channels swapped, green duplicated into the left third, gold disc through a mask (SwapChannels, Dup, Set MR)", &swapped},
      {"rings.png", "Rings toned through floats and brightened above the Otsu threshold (Convert, MulC, Threshold GTVal)", &dimmed},
      {"composite.png", "Half-transparent copy composed over the opaque image (AlphaComp over)", &composite},
      {"result.png", "Result: averaged ramps, toned rings and blue through an S-curve (Add Sfs, Copy P3C3, LUT_Linear)", &toned},
  };
  std::string cells;
  for (const Shot& shot : shots) {
    Image half(kWidth / 2, kHeight / 2, shot.image->channels());
    const RuxResult status = half.ok() ? halfSize(*shot.image, half) : ruxStatusNoMemory;
    if (status != ruxStatusOk || !writePng(folder + "/" + shot.file, half)) {
      std::fprintf(stderr, "rux_demo: cannot write %s/%s (status %d)\n", folder.c_str(), shot.file, status);
      return 1;
    }
    cells += std::string("<figure><img src=\"") + shot.file + "\" alt=\"" + shot.file + "\"><figcaption>" +
             htmlEscape(shot.caption) + "</figcaption></figure>\n";
  }
  if (!writePng(folder + "/result-full.png", toned)) {
    std::fprintf(stderr, "rux_demo: cannot write %s/result-full.png\n", folder.c_str());
    return 1;
  }
  say("wrote %s/index.html and 6 PNG images in %.3f ms\n", folder.c_str(), millisecondsSince(start));
  const std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>ruxIP demo</title>\n"
      "<style>body{font-family:sans-serif;margin:1.5em;background:#f4f4f4}"
      "figure{display:inline-block;margin:0 1em 1em 0;max-width:480px;vertical-align:top}"
      "img{width:480px;border:1px solid #999;background:repeating-conic-gradient(#ccc 0 25%,#fff 0 50%) 0 0/16px 16px}"
      "figcaption{font-size:0.85em}pre{background:#fff;padding:1em;border:1px solid #ccc;font-size:0.8em}"
      "</style></head><body>\n<h1>ruxIP demo</h1>\n<p>1920x1080 images, shown at half size (ResizeSqrPixel, "
      "super-sampling); <a href=\"result-full.png\">full-size result</a>.</p>\n" +
      cells + "<h2>Steps and numbers</h2>\n<pre>" + htmlEscape(gLog) + "</pre>\n</body></html>\n";
  std::FILE* f = std::fopen((folder + "/index.html").c_str(), "wb");
  if (f == nullptr || std::fwrite(html.data(), 1, html.size(), f) != html.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "rux_demo: cannot write %s/index.html\n", folder.c_str());
    return 1;
  }
  return 0;
}
