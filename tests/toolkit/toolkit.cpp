#include "toolkit/toolkit.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

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

namespace {
int g_targetPass = 0;
}  // namespace

void setTargetPass(int pass) { g_targetPass = pass; }
bool onFirstTargetPass() { return g_targetPass == 0; }

void expectThreadIndependent(const std::string& what,
                             const std::function<std::vector<std::uint8_t>()>& produce) {
  std::vector<std::uint8_t> first;
  forThreadCounts([&](int threads) {
    std::vector<std::uint8_t> got = produce();
    if (threads == 1) {
      first = std::move(got);
      return;
    }
    ASSERT_EQ(got.size(), first.size()) << what;
    std::size_t i = 0;
    while (i < got.size() && got[i] == first[i]) ++i;
    EXPECT_EQ(i, got.size()) << what << ": " << threads << " threads differ from 1 thread at byte "
                             << i;
  });
}

std::uint8_t* mapFenced(std::size_t bytes, Fence fence, void** mapping, std::size_t* mappingBytes) {
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t dataPages = (bytes + page - 1) / page;
  *mappingBytes = (dataPages + 1) * page;
  void* map = mmap(nullptr, *mappingBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) std::abort();
  *mapping = map;
  auto* base = static_cast<std::uint8_t*>(map);
  switch (fence) {
    case Fence::kBefore:
      mprotect(base, page, PROT_NONE);
      return base + page;
    case Fence::kAfter:
      mprotect(base + dataPages * page, page, PROT_NONE);
      return base + dataPages * page - bytes;
    default:
      return base;
  }
}

void unmapFenced(void* mapping, std::size_t mappingBytes) { munmap(mapping, mappingBytes); }

}  // namespace ruxtest
