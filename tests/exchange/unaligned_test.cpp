// Rows at odd addresses with odd steps: every sample type is read and written at byte alignment
// (under the sanitizer build a misaligned typed access fails here), with the same result as for
// aligned rows. The cases cover the scalar tails of the data movers, arithmetic (integer, float
// and complex), unary mathematics, conversion, noise and alpha composition.
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "toolkit/toolkit.h"

namespace {

// One image in a byte buffer: base at `offset` bytes past a 64-byte boundary, step = row + pad.
struct Rows {
  Rows(int rowBytes, int height, int offset, int pad)
      : step(rowBytes + pad), bytes(rowBytes), height(height),
        buffer(static_cast<std::size_t>(step) * height + 128) {
    base = buffer.data() + (64 - reinterpret_cast<std::uintptr_t>(buffer.data()) % 64) % 64 + offset;
  }
  void fill(const std::vector<std::uint8_t>& content) {
    for (int y = 0; y < height; ++y) std::memcpy(base + y * step, content.data() + y * bytes, bytes);
  }
  std::vector<std::uint8_t> region() const {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(bytes) * height);
    for (int y = 0; y < height; ++y) std::memcpy(out.data() + y * bytes, base + y * step, bytes);
    return out;
  }
  int step, bytes, height;
  std::vector<std::uint8_t> buffer;
  std::uint8_t* base;
};

struct Case {
  const char* name;
  int srcCount, srcRowBytes, dstCount, dstRowBytes;
  bool floatSamples;  // sources hold finite floats
  std::function<RuxResult(void* const* src, int srcStep, void* const* dst, int dstStep, RuxImageSize)> call;
};

std::vector<std::uint8_t> content(int bytes, bool floats, std::mt19937& rng) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(bytes));
  if (floats) {
    for (int i = 0; i + 4 <= bytes; i += 4) {
      const float f = std::uniform_real_distribution<float>(0.5f, 8.0f)(rng);
      std::memcpy(out.data() + i, &f, 4);
    }
  } else {
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  }
  return out;
}

// Runs the case on aligned rows and on rows at `offset` with `pad` extra bytes per row.
std::vector<std::uint8_t> run(const Case& c, RuxImageSize roi, int offset, int pad, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Rows> src, dst;
  for (int k = 0; k < c.srcCount; ++k) {
    src.emplace_back(c.srcRowBytes * roi.width, roi.height, offset, pad);
    src.back().fill(content(c.srcRowBytes * roi.width * roi.height, c.floatSamples, rng));
  }
  for (int k = 0; k < c.dstCount; ++k) {
    dst.emplace_back(c.dstRowBytes * roi.width, roi.height, offset, pad);
    dst.back().fill(content(c.dstRowBytes * roi.width * roi.height, false, rng));
  }
  std::vector<void*> s, d;
  for (auto& r : src) s.push_back(r.base);
  for (auto& r : dst) d.push_back(r.base);
  EXPECT_GE(c.call(s.data(), src[0].step, d.data(), dst[0].step, roi), 0) << c.name;
  std::vector<std::uint8_t> out;
  for (const auto& r : dst) {
    const auto reg = r.region();
    out.insert(out.end(), reg.begin(), reg.end());
  }
  return out;
}

template <class T>
T* as(void* p) {
  return static_cast<T*>(p);
}

TEST(Unaligned, OddAddressesAndStepsGiveTheAlignedResult) {
  const std::vector<Case> cases = {
      {"Copy_16u_AC4R", 1, 8, 1, 8, false,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiCopy_16u_AC4R(as<Rux16u>(s[0]), ss, as<Rux16u>(d[0]), ds, r);
       }},
      {"Copy_16u_C1C3R", 1, 2, 1, 6, false,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiCopy_16u_C1C3R(as<Rux16u>(s[0]), ss, as<Rux16u>(d[0]), ds, r);
       }},
      {"Copy_32s_C3P3R", 1, 12, 3, 4, false,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         Rux32s* const planes[3] = {as<Rux32s>(d[0]), as<Rux32s>(d[1]), as<Rux32s>(d[2])};
         return ruxiCopy_32s_C3P3R(as<Rux32s>(s[0]), ss, planes, ds, r);
       }},
      {"Copy_16s_P3C3R", 3, 2, 1, 6, false,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         const Rux16s* const planes[3] = {as<Rux16s>(s[0]), as<Rux16s>(s[1]), as<Rux16s>(s[2])};
         return ruxiCopy_16s_P3C3R(planes, ss, as<Rux16s>(d[0]), ds, r);
       }},
      {"Set_16u_C3CR", 1, 2, 1, 6, false,
       [](void* const*, int, void* const* d, int ds, RuxImageSize r) {
         return ruxiSet_16u_C3CR(4242, as<Rux16u>(d[0]), ds, r);
       }},
      {"Add_16s_C1RSfs", 2, 2, 1, 2, false,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiAdd_16s_C1RSfs(as<Rux16s>(s[0]), ss, as<Rux16s>(s[1]), ss, as<Rux16s>(d[0]), ds, r, 1);
       }},
      {"Sub_32f_C1R", 2, 4, 1, 4, true,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiSub_32f_C1R(as<Rux32f>(s[0]), ss, as<Rux32f>(s[1]), ss, as<Rux32f>(d[0]), ds, r);
       }},
      {"Mul_32sc_C1RSfs", 2, 8, 1, 8, false,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiMul_32sc_C1RSfs(as<Rux32sc>(s[0]), ss, as<Rux32sc>(s[1]), ss, as<Rux32sc>(d[0]), ds, r, 3);
       }},
      {"Div_32fc_C1R", 2, 8, 1, 8, true,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiDiv_32fc_C1R(as<Rux32fc>(s[0]), ss, as<Rux32fc>(s[1]), ss, as<Rux32fc>(d[0]), ds, r);
       }},
      {"Ln_32f_C1R", 1, 4, 1, 4, true,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiLn_32f_C1R(as<Rux32f>(s[0]), ss, as<Rux32f>(d[0]), ds, r);
       }},
      {"Exp_16s_C1RSfs", 1, 2, 1, 2, false,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiExp_16s_C1RSfs(as<Rux16s>(s[0]), ss, as<Rux16s>(d[0]), ds, r, 2);
       }},
      {"Convert_8u32f_C1R", 1, 1, 1, 4, false,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiConvert_8u32f_C1R(as<Rux8u>(s[0]), ss, as<Rux32f>(d[0]), ds, r);
       }},
      {"AddRandUniform_Direct_32f_C1IR", 1, 4, 1, 4, true,
       [](void* const*, int, void* const* d, int ds, RuxImageSize r) {
         unsigned int seed = 99;
         return ruxiAddRandUniform_Direct_32f_C1IR(as<Rux32f>(d[0]), ds, r, -1.0f, 1.0f, &seed);
       }},
      {"AlphaComp_16u_AC4R", 2, 8, 1, 8, false,
       [](void* const* s, int ss, void* const* d, int ds, RuxImageSize r) {
         return ruxiAlphaComp_16u_AC4R(as<Rux16u>(s[0]), ss, as<Rux16u>(s[1]), ss, as<Rux16u>(d[0]), ds, r,
                                       ruxCompositeAtop);
       }},
  };
  for (const auto& c : cases) {
    for (RuxImageSize roi : {RuxImageSize{1, 1}, RuxImageSize{3, 2}, RuxImageSize{37, 3}}) {
      for (int offset : {1, 2, 3}) {
        EXPECT_EQ(run(c, roi, 0, 0, 7), run(c, roi, offset, 2 * offset + 1, 7))
            << c.name << " " << roi.width << "x" << roi.height << " at offset " << offset;
      }
    }
  }
}

}  // namespace
