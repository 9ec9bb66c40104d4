// rux_bench: ruxIP against OpenCV and plain memory operations, in one run.
//
// Usage: rux_bench [--quick] [--threads=N] [--benchmark_filter=REGEX] [other --benchmark_* flags]
//   --quick (or RUX_BENCH_QUICK=1): one repetition of at least 0.05 s per case, for smoke runs.
//   --threads=N: ruxIP, OpenCV and the reference operations run on N threads (default 1);
//   variants that name their own count keep it.
// After the usual console output, a summary lists per case the median time of `rux` and, for
// each other implementation, time(other) / time(rux): above 1 means ruxIP is faster; for `ref`
// it is the fraction of the reference memory bandwidth that ruxIP reaches.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "harness.h"
#include "ruxcore.h"
#include "ruxi.h"

#ifdef RUX_HAVE_OPENCV
#include <opencv2/core/utility.hpp>
#endif

namespace {

// Forwards everything to the usual display reporter and keeps, per benchmark, the median real
// time (or the single run's time when there are no repetitions) for the summary.
class SummaryReporter : public benchmark::BenchmarkReporter {
 public:
  explicit SummaryReporter(benchmark::BenchmarkReporter* display) : display_(display) {}

  bool ReportContext(const Context& context) override { return display_->ReportContext(context); }

  void ReportRuns(const std::vector<Run>& runs) override {
    display_->ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      const std::string& name = run.run_name.function_name;
      auto it = results_.find(name);
      if (it != results_.end() && it->second.median && !median) continue;
      Result r;
      r.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      auto bytes = run.counters.find("bytes_per_second");
      r.bytesPerSecond = bytes != run.counters.end() ? bytes->second.value : 0;
      r.median = median;
      if (it == results_.end()) order_.push_back(name);
      results_[name] = r;
    }
  }

  void Finalize() override { display_->Finalize(); }

  void printSummary(std::FILE* out) const;

 private:
  struct Result {
    double seconds = 0;
    double bytesPerSecond = 0;
    bool median = false;
  };

  benchmark::BenchmarkReporter* display_;  // owned by the benchmark library
  std::map<std::string, Result> results_;
  std::vector<std::string> order_;  // benchmark names in the order they ran
};

void SummaryReporter::printSummary(std::FILE* out) const {
  // Split "<impl>:<Case>/<W>x<H>" and group by case, keeping the run order.
  std::vector<std::string> cases, others;
  std::map<std::string, std::map<std::string, Result>> byCase;
  for (const std::string& name : order_) {
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos) continue;
    const std::string impl = name.substr(0, colon), key = name.substr(colon + 1);
    if (byCase.find(key) == byCase.end()) cases.push_back(key);
    byCase[key][impl] = results_.at(name);
    if (impl != "rux" && std::find(others.begin(), others.end(), impl) == others.end()) {
      others.push_back(impl);
    }
  }
  // Counterparts first, in run order; the reference operation last.
  std::stable_partition(others.begin(), others.end(),
                        [](const std::string& impl) { return impl != "ref"; });
  std::vector<std::string> rows;
  for (const std::string& key : cases) {
    if (byCase[key].count("rux") && byCase[key].size() > 1) rows.push_back(key);
  }
  if (rows.empty()) return;

  std::size_t nameWidth = 4;
  for (const std::string& key : rows) nameWidth = std::max(nameWidth, key.size());
  std::fprintf(out,
               "\nSummary: median real time in ms, %d thread(s) (2 where the case name ends in -2t). "
               "X/rux = time(X) / time(rux): above 1 means rux is faster;\nref/rux is the "
               "fraction of the memory bandwidth of the reference operation that rux reaches.\n",
               ruxbench::currentThreads());
  std::fprintf(out, "%-*s %10s %9s", static_cast<int>(nameWidth), "Case", "rux ms", "rux GiB/s");
  for (const std::string& impl : others) {
    std::fprintf(out, " %10s %8s", (impl + " ms").c_str(), (impl + "/rux").c_str());
  }
  std::fprintf(out, "\n");

  std::map<std::string, std::pair<double, int>> logSums;
  for (const std::string& key : rows) {
    const auto& m = byCase[key];
    const Result& rux = m.at("rux");
    std::fprintf(out, "%-*s %10.3f %9.2f", static_cast<int>(nameWidth), key.c_str(),
                 rux.seconds * 1e3, rux.bytesPerSecond / (1024.0 * 1024.0 * 1024.0));
    for (const std::string& impl : others) {
      auto it = m.find(impl);
      if (it == m.end()) {
        std::fprintf(out, " %10s %8s", "-", "-");
        continue;
      }
      const double ratio = it->second.seconds / rux.seconds;
      std::fprintf(out, " %10.3f %8.2f", it->second.seconds * 1e3, ratio);
      logSums[impl].first += std::log(ratio);
      logSums[impl].second += 1;
    }
    std::fprintf(out, "\n");
  }
  std::fprintf(out, "%-*s %10s %9s", static_cast<int>(nameWidth), "geometric mean", "", "");
  for (const std::string& impl : others) {
    const auto& [sum, n] = logSums[impl];
    if (n == 0) {
      std::fprintf(out, " %10s %8s", "", "-");
    } else {
      std::fprintf(out, " %10s %8.2f", "", std::exp(sum / n));
    }
  }
  std::fprintf(out, "\n");
}

void printHelp() {
  benchmark::PrintDefaultHelp();
  std::fprintf(stdout,
               "rux_bench:\n"
               "  [--quick]   one repetition of at least 0.05 s per case (also RUX_BENCH_QUICK=1)\n"
               "  [--threads=N]  run every case on N threads (default 1)\n");
}

bool startsWith(const char* arg, const char* prefix) {
  return std::strncmp(arg, prefix, std::strlen(prefix)) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* env = std::getenv("RUX_BENCH_QUICK");
  bool quick = env != nullptr && *env != '\0' && std::strcmp(env, "0") != 0;
  bool userRepetitions = false, userMinTime = false, consoleFormat = true;
  int kept = 1;
  int threads = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
      continue;
    }
    if (startsWith(argv[i], "--threads=")) {
      threads = std::atoi(argv[i] + std::strlen("--threads="));
      if (threads < 1) {
        std::fprintf(stderr, "rux_bench: --threads needs a count of at least 1\n");
        return 1;
      }
      continue;
    }
    userRepetitions |= startsWith(argv[i], "--benchmark_repetitions");
    userMinTime |= startsWith(argv[i], "--benchmark_min_time");
    if (startsWith(argv[i], "--benchmark_format=")) {
      consoleFormat = std::strcmp(argv[i], "--benchmark_format=console") == 0;
    }
    argv[kept++] = argv[i];
  }
  argc = kept;
  argv[argc] = nullptr;

  benchmark::Initialize(&argc, argv, printHelp);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  if (ruxSetNumThreads(threads) != ruxStatusOk) {
    std::fprintf(stderr, "rux_bench: ruxSetNumThreads(%d) failed\n", threads);
    return 1;
  }
  const RuxVersionInfo* version = ruxiGetLibVersion();
  benchmark::AddCustomContext("ruxIP", version->versionText);
  benchmark::AddCustomContext("threads", std::to_string(threads));
#ifdef RUX_HAVE_OPENCV
  cv::setNumThreads(threads);
  benchmark::AddCustomContext("OpenCV", CV_VERSION);
#else
  benchmark::AddCustomContext("OpenCV", "not found at configure time: no cv cases");
#endif

  ruxbench::RunSettings settings;
  settings.repetitions = userRepetitions ? 0 : (quick ? 1 : 5);
  settings.minTimeSeconds = (quick && !userMinTime) ? 0.05 : 0;
  settings.threads = threads;
  ruxbench::registerFamilies(settings);

  SummaryReporter reporter(benchmark::CreateDefaultDisplayReporter());
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::cout << std::flush;
  // Machine-readable formats on stdout stay parseable: the summary then goes to stderr.
  reporter.printSummary(consoleFormat ? stdout : stderr);
  benchmark::Shutdown();
  return 0;
}
