/* The public headers in strict C99: every type is usable and the libraries link. */
#include <string.h>

#include "ruxcore.h"
#include "ruxi.h"

int main(void) {
  const RuxVersionInfo* v = ruxiGetLibVersion();
  RuxImageSize size = {4, 2};
  Rux8u pixels[8] = {0};
  int threads = 0;
  if (v == NULL || v->major != 7 || strcmp(v->target, "z4") != 0) return 1;
  if (ruxiSet_8u_C1R(9, pixels, 4, size) != ruxStatusOk || pixels[7] != 9) return 2;
  if (ruxGetNumThreads(&threads) != ruxStatusOk || threads < 1) return 3;
  return 0;
}
