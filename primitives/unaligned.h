// Samples at any byte address. Rows may start anywhere and steps need not be multiples of the
// sample size, so scalar code reads and writes samples through these byte copies (which compile
// to plain moves) instead of dereferencing typed pointers that may be misaligned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace rux {

template <class T>
inline T loadSample(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

template <class T>
inline void storeSample(void* p, T v) {
  std::memcpy(p, &v, sizeof(T));
}

// The sample at p (a typed address that may be misaligned), and a store of v converted to it.
template <class T>
inline T loadAt(const T* p) {
  return loadSample<T>(p);
}

template <class T, class V>
inline void storeAt(T* p, V v) {
  storeSample<T>(p, static_cast<T>(v));
}

// A pointer to samples of type T that may be misaligned: p[i] reads and assigns by byte copies;
// p + i gives the typed address (for vector loads and stores, which need no alignment, and for
// further sample pointers); p += i advances it.
template <class T>
class SamplePtr {
 public:
  class Ref {
   public:
    explicit Ref(void* p) : p_(p) {}
    operator T() const { return loadSample<T>(p_); }
    Ref& operator=(T v) {
      storeSample<T>(p_, v);
      return *this;
    }
    Ref& operator=(const Ref& other) { return *this = static_cast<T>(other); }

   private:
    void* p_;
  };

  SamplePtr(void* p) : p_(static_cast<std::uint8_t*>(p)) {}  // NOLINT: converts like a pointer
  Ref operator[](std::size_t i) const { return Ref(p_ + i * sizeof(T)); }
  T* operator+(std::size_t i) const { return reinterpret_cast<T*>(p_ + i * sizeof(T)); }
  SamplePtr& operator+=(std::ptrdiff_t i) {
    p_ += i * static_cast<std::ptrdiff_t>(sizeof(T));
    return *this;
  }

 private:
  std::uint8_t* p_;
};

template <class T>
class ConstSamplePtr {
 public:
  ConstSamplePtr(const void* p) : p_(static_cast<const std::uint8_t*>(p)) {}  // NOLINT
  T operator[](std::size_t i) const { return loadSample<T>(p_ + i * sizeof(T)); }
  const T* operator+(std::size_t i) const { return reinterpret_cast<const T*>(p_ + i * sizeof(T)); }
  ConstSamplePtr& operator+=(std::ptrdiff_t i) {
    p_ += i * static_cast<std::ptrdiff_t>(sizeof(T));
    return *this;
  }

 private:
  const std::uint8_t* p_;
};

// Copies a finished row of `width` pixels of C channels to a destination row at any byte
// address; with kAlpha (C = 4) channel 3 of the destination is left as it is.
template <class T, int C, bool kAlpha>
inline void storeRowOf(const T* row, T* dst, int width) {
  if constexpr (kAlpha) {
    auto* out = reinterpret_cast<unsigned char*>(dst);
    for (int x = 0; x < width; ++x)
      std::memcpy(out + static_cast<std::size_t>(x) * 4 * sizeof(T), row + static_cast<std::size_t>(x) * 4, 3 * sizeof(T));
  } else {
    std::memcpy(dst, row, static_cast<std::size_t>(width) * C * sizeof(T));
  }
}

}  // namespace rux
