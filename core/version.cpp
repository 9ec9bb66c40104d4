// Version record and the load-time initialised flag.
#include "core/base.h"

namespace {

const RuxVersionInfo kVersion = {7, 1, 1, 37466, {'z', '4', '\0', '\0'},
                                 "ruxIP SSE3 (z4)", "7.1.1 (r37466)", "Sep 24 2012"};

// Set once when the library is loaded; nothing reads it.
int g_initialised = 0;
__attribute__((constructor)) void markInitialised() {
  if (g_initialised == 0) g_initialised = 1;
}

}  // namespace

RUXAPI const RuxVersionInfo* ruxiGetLibVersion(void) { return &kVersion; }
