#include "toolkit/toolkit.h"

namespace ruxtest {

std::vector<int> sweepWidths() {
  std::vector<int> w;
  for (int i = 1; i <= 35; ++i) w.push_back(i);
  for (int i : {63, 64, 65, 127, 128, 129, 259}) w.push_back(i);
  return w;
}

void forThreadCounts(const std::function<void(int threads)>& body) {
  int saved = 0;
  ruxGetNumThreads(&saved);
  for (int threads : {1, 2, 7}) {
    ruxSetNumThreads(threads);
    body(threads);
  }
  ruxSetNumThreads(saved);
}

}  // namespace ruxtest
