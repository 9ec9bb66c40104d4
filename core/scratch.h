// Scratch memory of libruxi. Every allocation goes through the ruxsMalloc_* wrappers, which
// ask the core services for n x sizeof(T) bytes and return null for n < 1 or when the byte
// count does not fit the 32-bit request.
#pragma once

#include <climits>
#include <cstddef>

#include "core/base.h"

namespace rux {

void* scratchBytes(long long bytes);  // null for bytes < 1 or > INT_MAX

}  // namespace rux

Rux8u* ruxsMalloc_8u(int len);
Rux16u* ruxsMalloc_16u(int len);
Rux16s* ruxsMalloc_16s(int len);
Rux32s* ruxsMalloc_32s(int len);
Rux32f* ruxsMalloc_32f(int len);
Rux64s* ruxsMalloc_64s(int len);
Rux64f* ruxsMalloc_64f(int len);
Rux32fc* ruxsMalloc_32fc(int len);
void ruxsFree(void* ptr);

namespace rux {

// Owns one scratch block of n elements of T; frees it on every path.
template <class T>
class Scratch {
 public:
  explicit Scratch(long long n)
      : p_(n < 1 ? nullptr : static_cast<T*>(scratchBytes(n * static_cast<long long>(sizeof(T))))) {}
  ~Scratch() { ruxsFree(p_); }
  // Frees the current block and allocates n elements (null when n < 1 or on failure).
  void reset(long long n) {
    ruxsFree(p_);
    p_ = n < 1 ? nullptr : static_cast<T*>(scratchBytes(n * static_cast<long long>(sizeof(T))));
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_;
};

}  // namespace rux
