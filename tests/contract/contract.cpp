// Contract checker and argument fuzzer of every export.
//
// Each export's arguments come from its prototype (generated call table) and its family's
// contract description (catalog/contracts/*.contract). The checker derives, per export: a valid
// call (documented status, writes only inside the destination regions and result cells, never
// into the border a filter reads around its source region), each pointer null on its own,
// region and mask sizes 0 and -1, bad steps where the family checks them, the documented invalid
// parameter values, damaged or foreign state identifiers, and the order of these checks. The
// fuzzer drives the same descriptions with random arguments: sizes 1..300, padded and
// misaligned steps and bases, bottom-up images where steps are not checked, parameters inside,
// at and beyond their ranges, NaN and infinities, 1..3 threads and every SIMD target; every call
// must return a documented status and write nothing outside its regions (and nothing at all on
// an error).
//
//   rux_contract                          check every export
//   rux_contract --fuzz --calls N [--seed S] [--first K] [--filter GLOB] [--verbose]
#include <fnmatch.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "contract/model.h"
#include "contract/states.h"
#include "hwy/targets.h"
#include "ruxcore.h"

namespace ruxcontract {
namespace {

constexpr int kNoStep = std::numeric_limits<int>::min();
int gDefaultThreads = 1;

std::string statusList(const std::set<int>& s) {
  std::string out;
  for (int v : s) out += (out.empty() ? "" : ",") + std::to_string(v);
  return out;
}

class Checker {
 public:
  Checker(const Model& m, std::vector<std::string>* failures) : m_(m), failures_(failures) {}

  void run() {
    if (m_.hook == "malloc") return checkMalloc();
    if (m_.hook == "free" || m_.hook == "version") return checkSimple();
    const Trial base = defaultTrial(m_);
    expect("valid call", base, m_.ok);
    checkNulls(base);
    checkSizes(base);
    checkSteps(base);
    checkParams(base);
    checkStates(base);
    checkOrder(base);
  }

 private:
  void fail(const std::string& what) { failures_->push_back(std::string(m_.info->name) + ": " + what); }

  void expect(const std::string& what, const Trial& t, const std::set<int>& statuses) {
    Call c(m_, t, seed_++);
    if (!c.ready()) return fail(what + ": " + c.setupError());
    const long long st = c.run();
    if (statuses.count(static_cast<int>(st)) == 0)
      fail(what + ": status " + std::to_string(st) + ", expected " + statusList(statuses));
    std::string why;
    const bool mustBeUnchanged = st < 0 && m_.writes.count(static_cast<int>(st)) == 0;
    if (mustBeUnchanged ? !c.unchanged(&why) : !c.contained(&why)) fail(what + ": " + why);
  }

  int override(const std::string& key, int def) const {
    auto it = m_.desc.find(key);
    return it == m_.desc.end() ? def : std::atoi(it->second.c_str());
  }

  void checkNulls(const Trial& base) {
    auto one = [&](int arg, int plane, const std::string& name) {
      Trial t = base;
      t.nullArg = arg;
      t.nullPlane = plane;
      expect("null " + name + (plane >= 0 ? "[" + std::to_string(plane) + "]" : ""), t,
             {override("null." + name, m_.nullStatus)});
    };
    for (const auto& im : m_.images) {
      one(im.ptrArg, -1, im.name);
      for (int p = 0; p < im.planes; ++p) one(im.ptrArg, p, im.name);
    }
    for (const auto& c : m_.cells) {
      one(c.arg, -1, c.name);
      for (int p = 0; p < std::max(c.pointers, c.countExpr.empty() ? 0 : 1); ++p) one(c.arg, p, c.name);
    }
    for (const auto& s : m_.states) one(s.arg, -1, s.name);
  }

  void checkSizes(const Trial& base) {
    for (std::size_t s = 0; s < m_.sizes.size(); ++s) {
      const int status = override("size." + m_.sizes[s].name, m_.sizeStatus);
      for (int bad : {0, -1}) {
        const int want = bad == 0 ? override("zero", status) : status;  // zero: an empty size's own status
        Trial t = base;
        t.sizes[s].width = bad;
        expect(m_.sizes[s].name + ".width " + std::to_string(bad), t, {want});
        t = base;
        t.sizes[s].height = bad;
        expect(m_.sizes[s].name + ".height " + std::to_string(bad), t, {want});
      }
    }
    for (std::size_t s = 0; s < m_.sizes.size(); ++s) {
      if (!m_.sizes[s].square) continue;
      Trial t = base;
      t.sizes[s].height = t.sizes[s].width + 1;
      expect(m_.sizes[s].name + " not square", t, {m_.sizeStatus});
    }
    for (const auto& ms : m_.minSizes) {
      if (m_.region < 0) break;
      for (int axis = 0; axis < 2; ++axis) {
        Trial t = base;
        t.scalars[static_cast<std::size_t>(ms.scalar)] = ms.value;
        RuxImageSize& region = t.sizes[static_cast<std::size_t>(m_.region)];
        int& extent = axis == 0 ? region.width : region.height;
        const int need = axis == 0 ? ms.width : ms.height;
        if (need <= 1) continue;
        extent = need - 1;
        expect(std::string("region below the minimum for ") + m_.scalars[static_cast<std::size_t>(ms.scalar)].name +
                   " " + std::to_string(ms.value),
               t, {m_.sizeStatus});
      }
    }
    if (m_.lenArg >= 0) {
      for (int bad : {0, -1}) {
        Trial t = base;
        t.len = bad;
        expect(std::string(m_.info->args[m_.lenArg].name) + " " + std::to_string(bad), t, {m_.sizeStatus});
      }
    }
  }

  void checkSteps(const Trial& base) {
    if (m_.steps == Steps::kNone) return;
    for (std::size_t i = 0; i < m_.images.size(); ++i) {
      if (m_.images[i].stepLeader >= 0) continue;  // its step is an earlier operand's
      const std::string stepName = m_.info->args[m_.images[i].stepArg].name;
      for (int bad : {0, -1, -4096}) {
        Trial t = base;
        t.stepOverride[i] = bad;
        expect(stepName + " " + std::to_string(bad), t, {override("step." + stepName, m_.stepStatus)});
      }
      const long long row = m_.rowBytes(base, i);
      if (m_.shortStepStatus != 0 && row > 1) {
        Trial t = base;
        t.stepOverride[i] = static_cast<int>(row - 1);
        expect(stepName + " shorter than the row", t, {m_.shortStepStatus});
      }
    }
  }

  void checkParams(const Trial& base) {
    for (std::size_t s = 0; s < m_.scalars.size(); ++s) {
      for (const auto& [v, status] : m_.scalars[s].spec.bad) {
        Trial t = base;
        t.scalars[s] = v;
        expect(m_.scalars[s].name + " " + std::to_string(v), t, {status});
      }
    }
    for (std::size_t c = 0; c < m_.cells.size(); ++c) {
      if (base.cellValues[c].empty()) continue;
      for (const auto& [v, status] : m_.cells[c].spec.bad) {
        for (std::size_t k = 0; k < base.cellValues[c].size(); ++k) {
          Trial t = base;
          t.cellValues[c][k] = v;
          expect(m_.cells[c].name + "[" + std::to_string(k) + "] " + std::to_string(v), t, {status});
        }
      }
    }
  }

  void checkStates(const Trial& base) {
    for (const auto& s : m_.states) {
      if (!s.kind->hasIdentifier || m_.info->args[s.arg].stars != 1 ||
          m_.desc.count("raw." + s.name))
        continue;
      Trial t = base;
      t.corruptState = s.arg;
      expect("damaged identifier of " + s.name, t, {ruxStatusBadContext});
      t = base;
      t.foreignState = s.arg;
      expect("state of another kind as " + s.name, t, {ruxStatusBadContext});
    }
  }

  // The first failing check wins: pointers, then size and steps in the family's order, then
  // parameters (unless a parameter is checked first). Mask and kernel sizes are checked after
  // the region size, before any later step check (steps=between: after the steps).
  void checkOrder(const Trial& base) {
    if (m_.images.empty() || m_.region < 0) return;
    const std::size_t r = static_cast<std::size_t>(m_.region);
    const bool stepFirst = m_.steps == Steps::kBeforeSize;
    Trial t = base;
    t.nullArg = m_.images[0].ptrArg;
    t.sizes[r].width = 0;
    expect("order: null pointer and size 0", t, {m_.nullStatus});
    for (std::size_t s = 0; s < m_.sizes.size(); ++s) {
      if (!m_.sizes[s].extent) continue;
      const std::string& name = m_.sizes[s].name;
      const int status = override("size." + name, m_.sizeStatus);
      t = base;
      t.sizes[s].width = 0;
      t.sizes[r].height = 0;
      expect("order: size 0 and " + name + " 0", t, {m_.sizeStatus});
      t = base;
      t.sizes[s].height = 0;
      t.nullArg = m_.images[0].ptrArg;
      expect("order: null pointer and " + name + " 0", t, {m_.nullStatus});
      if (m_.steps != Steps::kNone) {
        t = base;
        t.sizes[s].width = 0;
        t.stepOverride[0] = 0;
        const bool stepBeforeExtent = stepFirst || m_.steps == Steps::kBetween;
        expect("order: step 0 and " + name + " 0", t, {stepBeforeExtent ? m_.stepStatus : status});
      }
    }
    if (m_.steps != Steps::kNone) {
      t = base;
      t.sizes[r].width = 0;
      t.stepOverride[0] = 0;
      expect("order: size 0 and step 0", t, {stepFirst ? m_.stepStatus : m_.sizeStatus});
      t = base;
      t.nullArg = m_.images[0].ptrArg;
      t.stepOverride[0] = -1;
      expect("order: null pointer and step -1", t, {m_.nullStatus});
    }
    const std::string lateList = "," + (m_.desc.count("late") ? m_.desc.at("late") : std::string()) + ",";
    for (const auto& c : m_.cells) {
      if (lateList.find("," + c.name + ",") == std::string::npos) continue;
      t = base;
      t.nullArg = c.arg;
      t.sizes[r].width = 0;
      expect("order: size 0 before null " + c.name, t, {override("zero", m_.sizeStatus)});
    }
    for (std::size_t s = 0; s < m_.scalars.size(); ++s) {
      const ParamSpec& spec = m_.scalars[s].spec;
      if (spec.bad.empty()) continue;
      t = base;
      t.scalars[s] = spec.bad[0].first;
      t.sizes[r].height = 0;
      expect("order: size 0 and bad " + m_.scalars[s].name, t,
             {spec.early ? spec.bad[0].second : override("zero", m_.sizeStatus)});
      t = base;
      t.scalars[s] = spec.bad[0].first;
      t.nullArg = m_.images[0].ptrArg;
      expect("order: null pointer and bad " + m_.scalars[s].name, t,
             {spec.early ? spec.bad[0].second : m_.nullStatus});
      if (m_.steps != Steps::kNone) {
        t = base;
        t.scalars[s] = spec.bad[0].first;
        t.stepOverride[0] = 0;
        const bool paramFirst = spec.early || (spec.prestep && !stepFirst);
        expect("order: step 0 and bad " + m_.scalars[s].name, t,
               {paramFirst ? spec.bad[0].second : m_.stepStatus});
      }
    }
  }

  // Image allocation: null on a bad size (step cell 0) or a null step cell, else a padded step.
  void checkMalloc() {
    CArg a[3];
    int step = -7;
    auto call = [&](int w, int h, int* cell) {
      a[0].i = w;
      a[1].i = h;
      a[2].p = cell;
      return reinterpret_cast<void*>(m_.info->call(a));
    };
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {5, -1}}) {
      step = -7;
      if (call(w, h, &step) != nullptr || step != 0) fail("bad size must give null and step 0");
    }
    if (call(5, 5, nullptr) != nullptr) fail("null step cell must give null");
    void* p = call(7, 3, &step);
    if (p == nullptr || step % 64 != 0 || step < 7) fail("valid allocation");
    ruxiFree(p);
  }

  void checkSimple() {
    CArg a[1];
    if (m_.hook == "version") {
      if (m_.info->call(a) == 0) fail("null version record");
    } else {
      m_.info->call(a);  // freeing null is a no-op
    }
  }

  const Model& m_;
  std::vector<std::string>* failures_;
  std::uint32_t seed_ = 1;
};

// ---------------------------------------------------------------------------------------------
// Fuzzer

struct FuzzStats {
  long long calls = 0, errors = 0, warnings = 0;
};

class Fuzzer {
 public:
  Fuzzer(const std::vector<Model>& models, std::uint32_t seed, bool verbose)
      : models_(models), seed_(seed), verbose_(verbose) {
    hwy::SetSupportedTargetsForTest(0);
    const std::int64_t supported = hwy::SupportedTargets();
    for (std::int64_t target : {HWY_AVX3, HWY_AVX2, HWY_SSE4, HWY_SCALAR})
      if (supported & target) targets_.push_back(target);
  }

  // Returns the number of failing calls.
  int run(long long first, long long calls, FuzzStats* stats) {
    int failures = 0;
    for (long long k = first; k < first + calls; ++k) {
      std::mt19937 rng(static_cast<std::uint32_t>(seed_ * 2654435761u + static_cast<std::uint32_t>(k) * 40503u));
      const Model& m = models_[std::uniform_int_distribution<std::size_t>(0, models_.size() - 1)(rng)];
      if (!m.hook.empty()) continue;
      hwy::SetSupportedTargetsForTest(targets_[static_cast<std::size_t>(k) % targets_.size()]);
      Validity v;
      Trial t = randomTrial(m, rng, &v);
      // A pointer that may be null (null.ARG=0, e.g. an optional work buffer) is a valid choice.
      if (v.nullName && override(m, std::string("null.") + v.nullName, m.nullStatus) == 0) v.nullName = nullptr;
      Call c(m, t, static_cast<std::uint32_t>(rng()));
      if (!c.ready()) continue;
      const long long st = c.run();
      ++stats->calls;
      if (st < 0) ++stats->errors;
      if (st > 0) ++stats->warnings;
      std::string why;
      std::set<int> allowed = m.documented();
      const char* rule = "";
      if (v.valid()) {
        allowed = m.ok;
        allowed.insert(m.tolerated.begin(), m.tolerated.end());
        rule = " (all arguments valid)";
      } else if (!v.earlyBad && v.nullName != nullptr &&
                 !(late(m, v.nullName) && (v.sizeBad || v.stepBad || v.paramBad || v.relationBad))) {
        allowed = {override(m, std::string("null.") + v.nullName, m.nullStatus)};
        rule = " (null pointer)";
      } else if (!v.earlyBad && (v.sizeBad || v.stepBad)) {
        for (auto it = allowed.begin(); it != allowed.end();) it = *it >= 0 ? allowed.erase(it) : std::next(it);
        if (v.sizeBad) allowed.insert(m.sizeStatus);  // a family may accept an empty region
        if (v.sizeBad) allowed.insert(override(m, "zero", m.sizeStatus));  // an empty size's own status
        rule = " (bad size or step)";
      }
      const bool mustBeUnchanged = st < 0 && m.writes.count(static_cast<int>(st)) == 0;
      if (allowed.count(static_cast<int>(st)) == 0) {
        why = "status " + std::to_string(st) + " not in " + statusList(allowed) + rule;
      } else if (mustBeUnchanged ? !c.unchanged(&why) : !c.contained(&why)) {
      } else {
        why.clear();
      }
      if (!why.empty() || verbose_) {
        std::printf("%s call %lld (--seed %u --first %lld): %s [%s] %s\n", why.empty() ? "ok" : "FAIL", k,
                    seed_, k, m.info->name, describe(m, t).c_str(), why.c_str());
        if (!why.empty()) ++failures;
      }
    }
    hwy::SetSupportedTargetsForTest(0);
    ruxSetNumThreads(gDefaultThreads);
    return failures;
  }

 private:
  static int randomExtent(std::mt19937& rng, int maxLarge) {
    const int pick = static_cast<int>(rng() % 100);
    if (pick < 35) return 1 + static_cast<int>(rng() % 8);
    if (pick < 85) return 1 + static_cast<int>(rng() % 70);
    return 1 + static_cast<int>(rng() % static_cast<unsigned>(maxLarge));
  }

  static double wild(const ParamSpec& spec, std::mt19937& rng) {
    if (spec.integer) {
      const double v[] = {-2147483648.0, -1, 0, 1, 255, 256, 65535, 65536, 2147483647.0,
                          spec.lo - 1, spec.hi + 1, spec.range ? spec.hi : spec.list.back() + 1};
      return v[rng() % (sizeof(v) / sizeof(v[0]))];
    }
    const double v[] = {std::nan(""), INFINITY, -INFINITY, -1e30, 1e30, 0, -0.0, spec.lo - 1, spec.hi + 1};
    return v[rng() % (sizeof(v) / sizeof(v[0]))];
  }

  struct Validity {
    bool paramBad = false, earlyBad = false, sizeBad = false, stepBad = false, relationBad = false;
    const char* nullName = nullptr;
    bool valid() const { return !paramBad && !earlyBad && !sizeBad && !stepBad && !relationBad && nullName == nullptr; }
  };

  // Pointers checked for null after the size and steps.
  static bool late(const Model& m, const std::string& name) {
    auto it = m.desc.find("late");
    if (it == m.desc.end()) return false;
    const std::string list = "," + it->second + ",";
    return list.find("," + name + ",") != std::string::npos;
  }

  static int override(const Model& m, const std::string& key, int def) {
    auto it = m.desc.find(key);
    return it == m.desc.end() ? def : std::atoi(it->second.c_str());
  }

  double param(const ParamSpec& spec, std::mt19937& rng, Validity* v) {
    const int pick = static_cast<int>(rng() % 100);
    if (pick < 8 && !spec.bad.empty()) {
      (spec.early ? v->earlyBad : v->paramBad) = true;
      return spec.bad[rng() % spec.bad.size()].first;
    }
    if (pick >= 92 && !spec.tame) {
      const double w = wild(spec, rng);
      const bool inside = spec.range ? (w >= spec.lo && w <= spec.hi)
                                     : std::find(spec.list.begin(), spec.list.end(), w) != spec.list.end();
      if (!inside) (spec.early ? v->earlyBad : v->paramBad) = true;
      return w;
    }
    return spec.pick(rng);
  }

  Trial randomTrial(const Model& m, std::mt19937& rng, Validity* valid) {
    Trial t = defaultTrial(m);
    for (std::size_t s = 0; s < m.scalars.size(); ++s) t.scalars[s] = param(m.scalars[s].spec, rng, valid);
    for (std::size_t c = 0; c < m.cells.size(); ++c)
      for (auto& v : t.cellValues[c]) v = param(m.cells[c].spec, rng, valid);
    for (std::size_t s = 0; s < m.sizes.size(); ++s) {
      const SizeOp& op = m.sizes[s];
      if (op.extent) {
        std::uniform_int_distribution<int> d(op.lo, op.hi);
        t.sizes[s].width = d(rng);
        t.sizes[s].height = d(rng);
      } else {
        t.sizes[s] = {randomExtent(rng, 300), randomExtent(rng, 120)};
      }
      if (op.square && rng() % 8 != 0) t.sizes[s].height = t.sizes[s].width;
      if (op.growFrom >= 0 && rng() % 8 != 0) {
        auto extra = [&](std::size_t scalar) {
          const double v = t.scalars[scalar];
          return (std::isfinite(v) && std::fabs(v) < 1000 ? static_cast<int>(v) : 0) +
                 static_cast<int>(rng() % 4);
        };
        t.sizes[s].width = t.sizes[static_cast<std::size_t>(op.growFrom)].width + extra(static_cast<std::size_t>(op.growX));
        t.sizes[s].height = t.sizes[static_cast<std::size_t>(op.growFrom)].height + extra(static_cast<std::size_t>(op.growY));
      } else if (op.growFrom >= 0) {
        valid->relationBad = true;  // a random pair of sizes may not leave room for the borders
      }
      if (rng() % 40 == 0) {
        (rng() % 2 ? t.sizes[s].width : t.sizes[s].height) = (rng() % 2) ? 0 : -1;
        valid->sizeBad = true;
      }
    }
    if (m.lenArg >= 0) {
      t.len = randomExtent(rng, 300);
      if (rng() % 40 == 0) t.len = 0, valid->sizeBad = true;
    }
    for (std::size_t i = 0; i < m.images.size(); ++i) {
      const ImageOp& im = m.images[i];
      t.padBytes[i] = static_cast<int>(rng() % static_cast<unsigned>(2 * im.elemSize * im.channels + 9));
      t.misalign[i] = static_cast<int>(rng() % 8);
      if (m.steps == Steps::kNone) t.bottomUp[i] = rng() % 4 == 0;
      if (m.steps != Steps::kNone && im.stepLeader < 0 && rng() % 50 == 0) {
        t.stepOverride[i] = (rng() % 2) ? 0 : -static_cast<int>(rng() % 500);
        valid->stepBad = true;
      }
    }
    if (rng() % 30 == 0) {
      std::vector<std::pair<int, int>> ptrs;
      for (const auto& im : m.images) {
        ptrs.push_back({im.ptrArg, -1});
        for (int p = 0; p < im.planes; ++p) ptrs.push_back({im.ptrArg, p});
      }
      for (const auto& c : m.cells) ptrs.push_back({c.arg, -1});
      for (const auto& s : m.states) ptrs.push_back({s.arg, -1});
      if (!ptrs.empty()) {
        const auto& p = ptrs[rng() % ptrs.size()];
        t.nullArg = p.first;
        t.nullPlane = p.second;
        valid->nullName = m.info->args[p.first].name;
      }
    }
    if (!m.sizesValid(t)) valid->relationBad = true;
    t.threads = 1 + static_cast<int>(rng() % 3);
    return t;
  }

  static std::string describe(const Model& m, const Trial& t) {
    std::string s;
    for (std::size_t i = 0; i < m.sizes.size(); ++i)
      s += m.sizes[i].name + "=" + std::to_string(t.sizes[i].width) + "x" + std::to_string(t.sizes[i].height) + " ";
    for (std::size_t i = 0; i < m.scalars.size(); ++i) s += m.scalars[i].name + "=" + std::to_string(t.scalars[i]) + " ";
    for (std::size_t i = 0; i < m.images.size(); ++i)
      s += m.images[i].name + "(pad " + std::to_string(t.padBytes[i]) + ", +" + std::to_string(t.misalign[i]) +
           (t.bottomUp[i] ? ", bottom-up" : "") +
           (t.stepOverride[i] != kNoStep ? ", step " + std::to_string(t.stepOverride[i]) : "") + ") ";
    for (std::size_t i = 0; i < m.cells.size(); ++i) {
      if (t.cellValues[i].empty()) continue;
      s += m.cells[i].name + "={";
      for (double v : t.cellValues[i]) s += std::to_string(v) + ",";
      s.back() = '}';
      s += " ";
    }
    if (m.lenArg >= 0) s += "len=" + std::to_string(t.len) + " ";
    if (t.nullArg >= 0) s += "null arg " + std::to_string(t.nullArg) + " ";
    s += "threads " + std::to_string(t.threads);
    return s;
  }

  const std::vector<Model>& models_;
  std::uint32_t seed_;
  bool verbose_;
  std::vector<std::int64_t> targets_;
};

}  // namespace
}  // namespace ruxcontract

int main(int argc, char** argv) {
  using namespace ruxcontract;
  std::string catalog = RUX_CATALOG_PATH, contracts = RUX_CONTRACTS_DIR, filter = "*";
  bool fuzz = false, verbose = false;
  long long calls = 20000, first = 0;
  std::uint32_t seed = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (a == "--fuzz") fuzz = true;
    else if (a == "--verbose") verbose = true;
    else if (a == "--calls") calls = std::atoll(next().c_str());
    else if (a == "--first") first = std::atoll(next().c_str());
    else if (a == "--seed") seed = static_cast<std::uint32_t>(std::strtoul(next().c_str(), nullptr, 10));
    else if (a == "--filter") filter = next();
    else if (a == "--catalog") catalog = next();
    else if (a == "--contracts") contracts = next();
    else {
      std::fprintf(stderr, "unknown option %s\n", a.c_str());
      return 2;
    }
  }
  gDefaultThreads = ownGetNumThreads();
  Rules rules;
  std::string error;
  if (!rules.load(catalog, contracts, &error)) {
    std::fprintf(stderr, "contract: %s\n", error.c_str());
    return 2;
  }
  std::vector<Model> models;
  std::vector<std::string> undescribed;
  int selected = 0;
  for (int k = 0; k < kExportCount; ++k) {
    if (fnmatch(filter.c_str(), kExports[k].name, 0) != 0) continue;
    ++selected;
    Model m;
    if (m.build(kExports[k], rules, &error)) models.push_back(std::move(m));
    else undescribed.push_back(std::string(kExports[k].name) + ": " + error);
  }
  for (const auto& u : undescribed) std::printf("not described: %s\n", u.c_str());
  if (models.empty()) {
    std::printf("contract: 0 of %d exports checked\n", selected);
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  int failed = 0;
  if (fuzz) {
    FuzzStats stats;
    Fuzzer fz(models, seed, verbose);
    failed = fz.run(first, calls, &stats);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("fuzz: %lld calls of %zu exports (seed %u) in %.1f s: %lld errors, %lld warnings, %d failing\n",
                stats.calls, models.size(), seed, secs, stats.errors, stats.warnings, failed);
  } else {
    std::vector<std::string> failures;
    for (const auto& m : models) Checker(m, &failures).run();
    ruxSetNumThreads(gDefaultThreads);
    for (const auto& f : failures) std::printf("FAIL %s\n", f.c_str());
    failed = static_cast<int>(failures.size());
    std::printf("contract: %zu of %d exports checked, %d failing checks\n", models.size(), selected, failed);
  }
  return (failed == 0 && undescribed.empty()) ? 0 : 1;
}
