#include "contract/model.h"

#include <dirent.h>
#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "contract/states.h"
#include "ruxcore.h"

namespace ruxcontract {
namespace {

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == sep) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

bool parseNumber(const std::string& s, double* v) {
  if (s.empty()) return false;
  char* end = nullptr;
  *v = std::strtod(s.c_str(), &end);
  return end != nullptr && *end == '\0';
}

bool isIntegerElem(int elem) { return elem != e32f && elem != e64f && elem != e32fc; }

std::string get(const Desc& d, const std::string& key, const std::string& def = "") {
  auto it = d.find(key);
  return it == d.end() ? def : it->second;
}

// "lo..hi[@default]" or "a,b,c"; bad values "v:status,v:status".
bool parseSpec(const Desc& d, const std::string& name, bool integer, ParamSpec* spec,
               std::string* error) {
  spec->integer = integer;
  const std::string v = get(d, name);
  if (!v.empty()) {
    spec->given = true;
    std::string body = v, def;
    if (auto at = v.find('@'); at != std::string::npos) {
      body = v.substr(0, at);
      def = v.substr(at + 1);
    }
    if (auto dots = body.find(".."); dots != std::string::npos) {
      spec->range = true;
      if (!parseNumber(body.substr(0, dots), &spec->lo) ||
          !parseNumber(body.substr(dots + 2), &spec->hi) || spec->lo > spec->hi) {
        *error = "bad range for " + name + ": " + v;
        return false;
      }
      spec->def = spec->lo;
    } else {
      for (const auto& item : split(body, ',')) {
        double x;
        if (!parseNumber(item, &x)) {
          *error = "bad value list for " + name + ": " + v;
          return false;
        }
        spec->list.push_back(x);
      }
      spec->def = spec->list.front();
    }
    if (!def.empty() && !parseNumber(def, &spec->def)) {
      *error = "bad default for " + name + ": " + v;
      return false;
    }
  }
  const std::string bad = get(d, name + "!");
  if (!bad.empty()) {
    for (const auto& item : split(bad, ',')) {
      const auto colon = item.rfind(':');
      double x, s;
      if (colon == std::string::npos || !parseNumber(item.substr(0, colon), &x) ||
          !parseNumber(item.substr(colon + 1), &s)) {
        *error = "bad invalid-value list for " + name + ": " + bad;
        return false;
      }
      spec->bad.push_back({x, static_cast<int>(s)});
    }
  }
  for (const auto& e : split(get(d, "early"), ','))
    if (e == name) spec->early = true;
  for (const auto& e : split(get(d, "prestep"), ','))
    if (e == name) spec->prestep = true;
  for (const auto& e : split(get(d, "tame"), ','))
    if (e == name) spec->tame = true;
  return true;
}

bool parseStatusList(const std::string& s, std::set<int>* out) {
  if (s.empty()) return true;
  for (const auto& item : split(s, ',')) {
    double x;
    if (!parseNumber(item, &x)) return false;
    out->insert(static_cast<int>(x));
  }
  return true;
}

bool endsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Layout tokens of an export name: "C3P3R" -> {C3, P3}; "AC4IRSfs" -> {AC4}.
std::vector<std::string> layoutTokens(const std::string& name, bool* channelOfInterest) {
  const std::string seg = name.substr(name.rfind('_') + 1);
  static const char* const kTokens[] = {"C3A0C4", "AC4", "AP4", "AC1", "C1", "C2", "C3", "C4", "P2", "P3", "P4"};
  std::vector<std::string> out;
  std::string rest = seg;
  for (bool found = true; found;) {
    found = false;
    for (const char* t : kTokens) {
      if (rest.rfind(t, 0) == 0) {
        out.push_back(t);
        rest = rest.substr(std::strlen(t));
        found = true;
        break;
      }
    }
  }
  *channelOfInterest = rest.rfind("CR", 0) == 0;
  return out;
}

int channelsOf(const std::string& token) {
  if (token == "C3A0C4" || token == "AC4" || token == "AP4" || token == "C4") return 4;
  if (token == "AC1") return 1;  // alpha values only
  if (token.size() == 2 && (token[0] == 'C' || token[0] == 'P')) return token[0] == 'C' ? token[1] - '0' : 1;
  return 1;
}

}  // namespace

int elemSize(int elem) {
  switch (elem) {
    case e8u: case e8s: case eChar: return 1;
    case e16u: case e16s: return 2;
    case e32u: case e32s: case e32f: case eInt: case eUInt: case e16sc: case e16uc: return 4;
    case e64s: case e64f: case e32sc: case e32fc: return 8;
    default: return 1;
  }
}

bool Rules::load(const std::string& catalogPath, const std::string& contractsDir, std::string* error) {
  std::ifstream cat(catalogPath);
  if (!cat) {
    *error = "cannot read " + catalogPath;
    return false;
  }
  std::string line;
  std::getline(cat, line);
  while (std::getline(cat, line)) {
    const auto f = split(line, '\t');
    if (f.size() >= 2) familyOf[f[0]] = f[1];
  }
  DIR* dir = opendir(contractsDir.c_str());
  if (dir == nullptr) {
    *error = "cannot read " + contractsDir;
    return false;
  }
  std::vector<std::string> files;
  while (dirent* ent = readdir(dir)) {
    const std::string n = ent->d_name;
    if (endsWith(n, ".contract")) files.push_back(n);
  }
  closedir(dir);
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(contractsDir + "/" + file);
    std::string family;
    int lineNo = 0;
    while (std::getline(in, line)) {
      ++lineNo;
      if (auto hash = line.find('#'); hash != std::string::npos) line = line.substr(0, hash);
      std::istringstream words(line);
      std::string first;
      if (!(words >> first)) continue;
      Rule r;
      if (first == "family") {
        if (!(words >> family)) {
          *error = file + ":" + std::to_string(lineNo) + ": family without a name";
          return false;
        }
        families.insert(family);
        r.glob = "*";
      } else {
        r.glob = first;
      }
      if (family.empty()) {
        *error = file + ":" + std::to_string(lineNo) + ": rule before the family line";
        return false;
      }
      r.family = family;
      std::string kv;
      while (words >> kv) {
        const auto eq = kv.find('=');
        if (eq == std::string::npos || eq == 0) {
          *error = file + ":" + std::to_string(lineNo) + ": expected key=value, got " + kv;
          return false;
        }
        r.kv.push_back({kv.substr(0, eq), kv.substr(eq + 1)});
      }
      rules.push_back(std::move(r));
    }
  }
  return true;
}

bool Rules::describe(const std::string& name, Desc* out) const {
  auto fam = familyOf.find(name);
  if (fam == familyOf.end() || families.count(fam->second) == 0) return false;
  out->clear();
  (*out)["family"] = fam->second;
  for (const auto& r : rules) {
    if (r.family != fam->second || fnmatch(r.glob.c_str(), name.c_str(), 0) != 0) continue;
    for (const auto& [k, v] : r.kv) (*out)[k] = v;
  }
  return true;
}

double ParamSpec::pick(std::mt19937& rng) const {
  if (!range) return list[std::uniform_int_distribution<std::size_t>(0, list.size() - 1)(rng)];
  if (integer) {
    return static_cast<double>(std::uniform_int_distribution<long long>(
        static_cast<long long>(lo), static_cast<long long>(hi))(rng));
  }
  return std::uniform_real_distribution<double>(lo, hi)(rng);
}

std::set<int> Model::documented() const {
  std::set<int> s = ok;
  s.insert(errors.begin(), errors.end());
  s.insert(nullStatus);
  s.insert(sizeStatus);
  if (steps != Steps::kNone) s.insert(stepStatus);
  if (shortStepStatus != 0) s.insert(shortStepStatus);
  for (const auto& [k, v] : desc) {
    double x;
    if ((k.rfind("null.", 0) == 0 || k.rfind("size.", 0) == 0 || k.rfind("step.", 0) == 0) &&
        parseNumber(v, &x))
      s.insert(static_cast<int>(x));
  }
  for (const auto& p : scalars)
    for (const auto& b : p.spec.bad) s.insert(b.second);
  for (const auto& c : cells)
    for (const auto& b : c.spec.bad) s.insert(b.second);
  if (!states.empty()) s.insert(ruxStatusBadContext);
  return s;
}

bool Model::build(const ExportInfo& e, const Rules& rules, std::string* error) {
  info = &e;
  if (!rules.describe(e.name, &desc)) {
    *error = "no contract description for its family";
    return false;
  }
  family = desc["family"];
  const std::string st = get(desc, "steps", "after");
  if (st == "none") steps = Steps::kNone;
  else if (st == "before") steps = Steps::kBeforeSize;
  else if (st == "after") steps = Steps::kAfterSize;
  else if (st == "between") steps = Steps::kBetween;
  else {
    *error = "steps must be none, after, before or between";
    return false;
  }
  double x;
  if (parseNumber(get(desc, "null"), &x)) nullStatus = static_cast<int>(x);
  if (parseNumber(get(desc, "size"), &x)) sizeStatus = static_cast<int>(x);
  if (parseNumber(get(desc, "step"), &x)) stepStatus = static_cast<int>(x);
  if (parseNumber(get(desc, "shortstep"), &x)) shortStepStatus = static_cast<int>(x);
  if (desc.count("ok")) ok.clear();
  if (!parseStatusList(get(desc, "ok"), &ok) || !parseStatusList(get(desc, "errors"), &errors) ||
      !parseStatusList(get(desc, "tolerate"), &tolerated) ||
      !parseStatusList(get(desc, "writes"), &writes)) {
    *error = "bad status list";
    return false;
  }
  hook = get(desc, "hook");
  if (hook == "malloc" || hook == "free" || hook == "version") return true;
  if (auto block = get(desc, "block"); !block.empty()) {
    if (std::sscanf(block.c_str(), "%dx%d", &blockW, &blockH) != 2 || blockW < 1 || blockH < 1) {
      *error = "block must be WxH";
      return false;
    }
  }
  if (auto roi = get(desc, "roi"); !roi.empty()) {
    if (std::sscanf(roi.c_str(), "%dx%d", &roiW, &roiH) != 2) {
      *error = "roi must be WxH";
      return false;
    }
  }

  bool coi = false;
  const auto tokens = layoutTokens(e.name, &coi);
  const std::string srcTok = tokens.empty() ? "C1" : tokens.front();
  const std::string dstTok = tokens.empty() ? "C1" : tokens.back();
  const std::string lenName = get(desc, "len");

  for (int i = 0; i < e.nargs; ++i) {
    const ArgInfo& a = e.args[i];
    const std::string name = a.name;
    const bool followedByStep = i + 1 < e.nargs && e.args[i + 1].kind == kInt &&
                                endsWith(e.args[i + 1].name, "Step");
    // stepof.ARG=STEP: an image operand whose step is a later argument it shares with others.
    int sharedStep = -1;
    if (const std::string so = get(desc, "stepof." + name); !so.empty()) {
      for (int k = i + 1; k < e.nargs; ++k)
        if (e.args[k].kind == kInt && so == e.args[k].name) sharedStep = k;
      if (sharedStep < 0 || (a.kind != kPtr && a.kind != kPtrArray)) {
        *error = "stepof." + name + " names no later step argument";
        return false;
      }
    }
    if ((a.kind == kPtr || a.kind == kPtrArray) && (followedByStep || sharedStep >= 0) && a.stars == 1) {
      ImageOp im;
      im.name = name;
      im.ptrArg = i;
      im.stepArg = sharedStep >= 0 ? sharedStep : i + 1;
      im.elemSize = elemSize(a.elem);
      if (name.find("SrcDst") != std::string::npos) im.role = Role::kSrcDst;
      else if (name.rfind("pDst", 0) == 0 || (name.size() > 4 && endsWith(name, "Dst"))) im.role = Role::kDst;
      else if (name.rfind("pMask", 0) == 0) im.role = Role::kMask;
      else im.role = Role::kSrc;
      const std::string& tok = (im.role == Role::kDst) ? dstTok : srcTok;
      if (a.kind == kPtrArray) {
        im.planes = a.len;
        im.channels = 1;
      } else {
        im.channels = im.role == Role::kMask ? 1 : channelsOf(tok);
      }
      if (im.role == Role::kDst || im.role == Role::kSrcDst) {
        im.writable = 0xffffffffu;
        if (tok == "AC4" && im.planes == 0) im.writable = 0x7u;
        if (coi) im.writable = 0x1u;
      } else {
        im.writable = 0;
      }
      if (auto c = get(desc, "chan." + name); !c.empty()) im.channels = std::atoi(c.c_str());
      if (auto w = get(desc, "writable." + name); !w.empty())
        im.writable = static_cast<std::uint32_t>(std::strtoul(w.c_str(), nullptr, 0));
      for (std::size_t k = 0; k < images.size(); ++k)
        if (images[k].stepArg == im.stepArg && im.stepLeader < 0) im.stepLeader = static_cast<int>(k);
      images.push_back(im);
      if (sharedStep < 0) ++i;  // the step
      continue;
    }
    // A step named by an earlier operand's stepof belongs to that operand.
    if (std::any_of(images.begin(), images.end(), [&](const ImageOp& im) { return im.stepArg == i; })) continue;
    switch (a.kind) {
      case kSize: {
        SizeOp s;
        s.name = name;
        s.arg = i;
        if (const std::string ext = get(desc, "extent." + name); !ext.empty()) {
          s.extent = true;
          if (std::sscanf(ext.c_str(), "%d..%d@%dx%d", &s.lo, &s.hi, &s.def.width, &s.def.height) != 4 ||
              s.lo > s.hi) {
            *error = "extent." + name + " must be lo..hi@WxH";
            return false;
          }
        } else if (region < 0) {
          region = static_cast<int>(sizes.size());
        }
        sizes.push_back(s);
        break;
      }
      case kInt:
      case kFloat:
      case kValueStruct:
      case kPoint: {
        if (name == lenName) {
          lenArg = i;
          break;
        }
        ScalarOp s;
        s.name = name;
        s.arg = i;
        s.kind = a.kind;
        s.elem = a.elem;
        if (!parseSpec(desc, name, a.kind == kInt || a.kind == kPoint ||
                                       (a.kind == kValueStruct && isIntegerElem(a.elem)),
                       &s.spec, error))
          return false;
        if (!s.spec.given) {
          *error = "no values for parameter " + name;
          return false;
        }
        scalars.push_back(s);
        break;
      }
      case kRect: {
        RectOp r;
        r.name = name;
        r.arg = i;
        const auto f = split(get(desc, "rect." + name), ':');
        if (f.size() != 4) {
          *error = "rect." + name + " must be X:Y:W:H";
          return false;
        }
        for (int k = 0; k < 4; ++k) r.expr[k] = f[static_cast<std::size_t>(k)];
        rects.push_back(r);
        break;
      }
      case kPtr:
      case kPtrArray: {
        const std::string named = get(desc, "state." + name);  // a kind other than the type's own
        if (const StateKind* k = stateKind(named.empty() ? a.base : named)) {
          StateOp s;
          s.name = name;
          s.arg = i;
          s.kind = k;
          states.push_back(s);
          break;
        }
        CellOp c;
        c.name = name;
        c.arg = i;
        c.elem = a.elem;
        c.elemSize = elemSize(a.elem);
        c.out = !a.isConst;
        for (const auto& e : split(get(desc, "inout"), ','))
          if (e == name) c.inout = c.out;
        if (a.kind == kPtrArray) c.pointers = a.len;
        c.countExpr = get(desc, "count." + name);
        if (!c.countExpr.empty()) c.pointers = -1;
        c.lenExpr = get(desc, "len." + name);
        if (c.lenExpr.empty() && a.kind == kPtr && a.len > 0) c.lenExpr = std::to_string(a.len);
        c.fill = get(desc, "fill." + name);
        if (const std::string el = get(desc, "elems." + name); !el.empty()) {
          for (const auto& e : split(el, ':')) {
            double x;
            if (!parseNumber(e, &x)) {
              *error = "bad element list for " + name + ": " + el;
              return false;
            }
            c.elems.push_back(x);
          }
        }
        if (!parseSpec(desc, name, isIntegerElem(a.elem), &c.spec, error)) return false;
        if ((!c.out || c.inout) && !c.spec.given) {
          *error = "no values for input array " + name;
          return false;
        }
        if (c.pointers == 0 && a.kind == kPtrArray && c.countExpr.empty()) {
          *error = "pointer array " + name + " without a length";
          return false;
        }
        cells.push_back(c);
        break;
      }
    }
  }
  for (auto& im : images) {
    // Operands whose name starts like a size argument use it (pSrc -> srcRoiSize).
    for (std::size_t s = 0; s < sizes.size(); ++s) {
      const std::string& sn = sizes[s].name;
      if (sizes[s].extent) continue;
      if (im.sizeArg < 0) im.sizeArg = static_cast<int>(s);
      if (sn.size() > 7 && im.name.size() > 1 &&
          std::equal(sn.begin(), sn.begin() + 3, im.name.begin() + 1, [](char a, char b) {
            return std::tolower(a) == std::tolower(b);
          }) && im.role != Role::kSrcDst)
        im.sizeArg = static_cast<int>(s);
    }
    if (const std::string n = get(desc, "times." + im.name); !n.empty()) im.times = std::max(1, std::atoi(n.c_str()));
    im.writeBorder = get(desc, "writeborder." + im.name) == "1";
    const std::string dims = get(desc, "dims." + im.name);
    if (dims == "swap") im.swapDims = true;
    if (const std::string rg = get(desc, "region." + im.name); !rg.empty()) {
      const auto f = split(rg, ':');
      if (f.size() != 2) {
        *error = "region." + im.name + " must be W:H";
        return false;
      }
      im.region[0] = f[0];
      im.region[1] = f[1];
    }
    const std::string embed = get(desc, "embed." + im.name);
    if (!embed.empty()) {
      const auto f = split(embed, ':');
      auto findSize = [&](const std::string& n) {
        for (std::size_t s = 0; s < sizes.size(); ++s)
          if (sizes[s].name == n) return static_cast<int>(s);
        return -1;
      };
      auto findScalar = [&](const std::string& n) {
        for (std::size_t s = 0; s < scalars.size(); ++s)
          if (scalars[s].name == n) return static_cast<int>(s);
        return -1;
      };
      if (f.size() != 3 || findSize(f[0]) < 0 || findScalar(f[1]) < 0 || findScalar(f[2]) < 0) {
        *error = "embed needs size:rowsScalar:columnsScalar";
        return false;
      }
      im.embedSize = findSize(f[0]);
      im.embedY = findScalar(f[1]);
      im.embedX = findScalar(f[2]);
    }
    if (const std::string b = get(desc, "border." + im.name); !b.empty()) {
      const auto f = split(b, ':');
      if (f.size() != 4 || im.role == Role::kDst || im.role == Role::kMask || im.embedSize >= 0) {
        *error = "border." + im.name + " needs L:R:T:B on a source operand that is not embedded";
        return false;
      }
      for (int k = 0; k < 4; ++k) im.border[k] = f[static_cast<std::size_t>(k)];
    }
  }
  for (auto& s : sizes) {
    s.square = get(desc, "square") == "1";
    const std::string grow = get(desc, "grow." + s.name);
    if (grow.empty()) continue;
    const auto f = split(grow, ':');
    int base = -1, gy = -1, gx = -1;
    for (std::size_t k = 0; k < sizes.size(); ++k)
      if (f.size() == 3 && sizes[k].name == f[0]) base = static_cast<int>(k);
    for (std::size_t k = 0; k < scalars.size(); ++k) {
      if (f.size() == 3 && scalars[k].name == f[1]) gy = static_cast<int>(k);
      if (f.size() == 3 && scalars[k].name == f[2]) gx = static_cast<int>(k);
    }
    if (base < 0 || gy < 0 || gx < 0) {
      *error = "grow needs baseSize:rowsScalar:columnsScalar";
      return false;
    }
    s.growFrom = base;
    s.growY = gy;
    s.growX = gx;
  }
  if (!lenName.empty() && lenArg < 0) {
    *error = "len names no argument";
    return false;
  }
  // Parameters that size arrays stay tame in the fuzzer: a huge valid count is the caller's
  // promise of a huge array.
  // So do parameters that place a border: they decide how much memory the call reads.
  std::vector<const std::string*> exprs;
  for (const auto& c : cells) exprs.insert(exprs.end(), {&c.lenExpr, &c.countExpr});
  for (const auto& im : images) {
    for (const auto& b : im.border) exprs.push_back(&b);
    for (const auto& r : im.region) exprs.push_back(&r);
  }
  for (const std::string* expr : exprs) {
    for (const auto& n : exprNames(*expr)) {
      for (auto& sc : scalars)
        if (sc.name == n) sc.spec.tame = true;
      for (auto& other : cells)
        if (other.name == n) other.spec.tame = true;
    }
  }
  const Trial probe = defaultTrial(*this);
  for (const std::string* expr : exprs) {
    if (expr->empty()) continue;
    const ExprError err = evalExpr(*expr, *this, probe, 0, nullptr);
    if (err == ExprError::kSyntax || err == ExprError::kUnknownName) {
      *error = (err == ExprError::kSyntax ? "bad expression " : "unknown name in ") + *expr;
      return false;
    }
  }
  // minsize.ARG=v:WxH,...: regions smaller than WxH are a bad size for that parameter value.
  for (std::size_t k = 0; k < scalars.size(); ++k) {
    const std::string ms = get(desc, "minsize." + scalars[k].name);
    if (ms.empty()) continue;
    for (const auto& item : split(ms, ',')) {
      MinSize m{static_cast<int>(k), 0, 0, 0};
      const auto colon = item.find(':');
      if (colon == std::string::npos || !parseNumber(item.substr(0, colon), &m.value) ||
          std::sscanf(item.c_str() + colon + 1, "%dx%d", &m.width, &m.height) != 2) {
        *error = "minsize needs value:WxH,...";
        return false;
      }
      minSizes.push_back(m);
    }
  }
  return true;
}

bool Model::sizesValid(const Trial& t) const {
  for (std::size_t s = 0; s < sizes.size(); ++s)
    if (sizes[s].square && t.sizes[s].width != t.sizes[s].height) return false;
  for (const auto& m : minSizes) {
    if (t.scalars[static_cast<std::size_t>(m.scalar)] != m.value || region < 0) continue;
    const RuxImageSize& r = t.sizes[static_cast<std::size_t>(region)];
    if (r.width < m.width || r.height < m.height) return false;
  }
  return true;
}

RuxImageSize Model::imageSize(const Trial& t, std::size_t image) const {
  const ImageOp& op = images[image];
  RuxImageSize sz = op.embedSize >= 0 ? t.sizes[static_cast<std::size_t>(op.embedSize)]
                                      : (op.sizeArg >= 0 ? t.sizes[static_cast<std::size_t>(op.sizeArg)]
                                                         : RuxImageSize{t.len, 1});
  // No size argument and no length: the size the call's state was made for.
  if (op.embedSize < 0 && op.sizeArg < 0 && lenArg < 0)
    for (const StateOp& s : states)
      if (s.kind && s.kind->width > 0) sz = {s.kind->width, s.kind->height};
  if (op.embedSize < 0 && op.sizeArg < 0 && blockW > 0) sz = {blockW, blockH};
  if (!op.region[0].empty()) {
    long long v[2];
    for (int k = 0; k < 2; ++k)
      if (evalExpr(op.region[k], *this, t, 0, &v[k]) != ExprError::kNone || v[k] < 0 || v[k] > (1 << 20)) v[k] = 0;
    sz = {static_cast<int>(v[0]), static_cast<int>(v[1])};
  }
  sz = {sz.width * op.times, sz.height * op.times};
  if (op.swapDims) std::swap(sz.width, sz.height);
  return sz;
}

Border Model::borderOf(const Trial& t, std::size_t image) const {
  const ImageOp& op = images[image];
  int v[4] = {0, 0, 0, 0};
  for (int k = 0; k < 4; ++k) {
    if (op.border[k].empty()) continue;
    // No value or a huge one: the layout refuses the image as too large.
    long long n;
    if (evalExpr(op.border[k], *this, t, 0, &n) != ExprError::kNone) n = 1 << 20;
    v[k] = static_cast<int>(std::clamp<long long>(n, 0, 1 << 20));
  }
  return {v[0], v[1], v[2], v[3]};
}

long long Model::rowBytes(const Trial& t, std::size_t image) const {
  const ImageOp& op = images[image];
  const Border b = borderOf(t, image);
  return (static_cast<long long>(std::max(imageSize(t, image).width, 0)) + b.left + b.right) * op.channels *
         op.elemSize;
}

namespace {

// Recursive descent over sum := product {(+|-) product}, product := unary {(*|/) unary},
// unary := - unary | power, power := primary [^ unary], primary := number | name | ( sum ).
class ExprParser {
 public:
  ExprParser(const std::string& s, const Model& m, const Trial& t, int channel)
      : s_(s), m_(m), t_(t), channel_(channel) {}

  ExprError run(long long* v) {
    if (!sum(v)) return error_;
    skip();
    return pos_ == s_.size() ? ExprError::kNone : ExprError::kSyntax;
  }

 private:
  bool fail(ExprError e) {
    // A syntax or naming error outranks a missing value found earlier.
    if (error_ == ExprError::kNone || e != ExprError::kNoValue) error_ = e;
    return false;
  }
  void skip() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }
  char peek() {
    skip();
    return pos_ < s_.size() ? s_[pos_] : '\0';
  }

  bool sum(long long* v) {
    if (!product(v)) return false;
    for (char c = peek(); c == '+' || c == '-'; c = peek()) {
      ++pos_;
      long long r;
      if (!product(&r)) return false;
      if (c == '+' ? __builtin_add_overflow(*v, r, v) : __builtin_sub_overflow(*v, r, v))
        return fail(ExprError::kNoValue);
    }
    return true;
  }

  bool product(long long* v) {
    if (!unary(v)) return false;
    for (char c = peek(); c == '*' || c == '/'; c = peek()) {
      ++pos_;
      long long r;
      if (!unary(&r)) return false;
      if (c == '*') {
        if (__builtin_mul_overflow(*v, r, v)) return fail(ExprError::kNoValue);
      } else {
        if (r == 0 || (r == -1 && *v == std::numeric_limits<long long>::min())) return fail(ExprError::kNoValue);
        *v /= r;
      }
    }
    return true;
  }

  bool unary(long long* v) {
    if (peek() == '-') {
      ++pos_;
      if (!unary(v)) return false;
      if (*v == std::numeric_limits<long long>::min()) return fail(ExprError::kNoValue);
      *v = -*v;
      return true;
    }
    return power(v);
  }

  bool power(long long* v) {
    if (!primary(v)) return false;
    if (peek() != '^') return true;
    ++pos_;
    long long e;
    if (!unary(&e)) return false;
    if (e < 0 || e > 62) return fail(ExprError::kNoValue);
    long long r = 1;
    for (long long k = 0; k < e; ++k)
      if (__builtin_mul_overflow(r, *v, &r) || r > (1ll << 30) || r < -(1ll << 30)) return fail(ExprError::kNoValue);
    *v = r;
    return true;
  }

  bool primary(long long* v) {
    const char c = peek();
    if (c == '(') {
      ++pos_;
      if (!sum(v)) return false;
      if (peek() != ')') return fail(ExprError::kSyntax);
      ++pos_;
      return true;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      *v = 0;
      while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) {
        if (__builtin_mul_overflow(*v, 10, v) || __builtin_add_overflow(*v, s_[pos_] - '0', v))
          return fail(ExprError::kSyntax);
        ++pos_;
      }
      return true;
    }
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') return fail(ExprError::kSyntax);
    std::string name, member;
    while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) name += s_[pos_++];
    if (pos_ < s_.size() && s_[pos_] == '.') {
      ++pos_;
      while (pos_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[pos_]))) member += s_[pos_++];
    }
    return lookup(name, member, v);
  }

  bool number(double d, long long* v) {
    if (!std::isfinite(d) || std::fabs(d) > 9e15) return fail(ExprError::kNoValue);
    *v = static_cast<long long>(d);
    return true;
  }

  bool lookup(const std::string& name, const std::string& member, long long* v) {
    const auto& sizes = m_.sizes;
    if (member.empty()) {
      if (name == "width" || name == "height") {
        const int r = m_.region >= 0 ? m_.region : (sizes.empty() ? -1 : 0);
        if (r < 0) return fail(ExprError::kUnknownName);
        const RuxImageSize& sz = t_.sizes[static_cast<std::size_t>(r)];
        *v = name == "width" ? sz.width : sz.height;
        return true;
      }
      if (name == "threads") {
        *v = t_.threads;
        return true;
      }
      if (m_.lenArg >= 0 && name == m_.info->args[m_.lenArg].name) {
        *v = t_.len;
        return true;
      }
      for (std::size_t s = 0; s < m_.scalars.size(); ++s)
        if (m_.scalars[s].name == name) return number(t_.scalars[s], v);
      for (std::size_t c = 0; c < m_.cells.size(); ++c) {
        if (m_.cells[c].name != name) continue;
        if (t_.cellValues.size() <= c || t_.cellValues[c].empty()) return fail(ExprError::kNoValue);
        const auto& vals = t_.cellValues[c];
        return number(vals[std::min<std::size_t>(static_cast<std::size_t>(std::max(channel_, 0)), vals.size() - 1)], v);
      }
      return fail(ExprError::kUnknownName);
    }
    if (member == "width" || member == "height") {
      for (std::size_t s = 0; s < sizes.size(); ++s) {
        if (sizes[s].name != name) continue;
        *v = member == "width" ? t_.sizes[s].width : t_.sizes[s].height;
        return true;
      }
    }
    if (member == "x" || member == "y") {
      for (std::size_t s = 0; s < m_.scalars.size(); ++s)
        if (m_.scalars[s].name == name && m_.scalars[s].kind == kPoint) return number(t_.scalars[s], v);
    }
    return fail(ExprError::kUnknownName);
  }

  const std::string& s_;
  const Model& m_;
  const Trial& t_;
  int channel_;
  std::size_t pos_ = 0;
  ExprError error_ = ExprError::kNone;
};

}  // namespace

ExprError evalExpr(const std::string& expr, const Model& m, const Trial& t, int channel, long long* value) {
  long long v = 0;
  const ExprError e = ExprParser(expr, m, t, channel).run(&v);
  if (value != nullptr) *value = e == ExprError::kNone ? v : -1;
  return e;
}

long long evalLen(const std::string& expr, const Model& m, const Trial& t, int channel) {
  long long v;
  evalExpr(expr, m, t, channel, &v);
  return v;
}

std::vector<std::string> exprNames(const std::string& expr) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < expr.size();) {
    const char c = expr[i];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      std::string n;
      while (i < expr.size() && (std::isalnum(static_cast<unsigned char>(expr[i])) || expr[i] == '_')) n += expr[i++];
      out.push_back(n);
      if (i < expr.size() && expr[i] == '.') {  // skip the member
        ++i;
        while (i < expr.size() && std::isalpha(static_cast<unsigned char>(expr[i]))) ++i;
      }
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      while (i < expr.size() && std::isalnum(static_cast<unsigned char>(expr[i]))) ++i;
    } else {
      ++i;
    }
  }
  return out;
}

Trial defaultTrial(const Model& m) {
  Trial t;
  for (const auto& s : m.scalars) t.scalars.push_back(s.spec.def);
  for (const auto& s : m.sizes) {
    RuxImageSize sz{m.roiW, s.square ? m.roiW : m.roiH};
    t.sizes.push_back(s.extent ? s.def : sz);
  }
  for (std::size_t s = 0; s < m.sizes.size(); ++s) {
    const SizeOp& op = m.sizes[s];
    if (op.growFrom < 0) continue;
    t.sizes[s].width = t.sizes[op.growFrom].width + static_cast<int>(t.scalars[op.growX]) + 2;
    t.sizes[s].height = t.sizes[op.growFrom].height + static_cast<int>(t.scalars[op.growY]) + 1;
  }
  t.cellValues.resize(m.cells.size());
  for (std::size_t c = 0; c < m.cells.size(); ++c) {
    const CellOp& op = m.cells[c];
    // Value cells without a length (nLevels[3], value[3]) hold their default in every element.
    if ((!op.out || op.inout) && op.pointers == 0 && op.spec.given) {
      const long long n = op.lenExpr.empty() ? 1 : std::atoll(op.lenExpr.c_str());
      if (n > 0) t.cellValues[c].assign(static_cast<std::size_t>(n), op.spec.def);
      for (std::size_t k = 0; k < op.elems.size() && k < t.cellValues[c].size(); ++k) t.cellValues[c][k] = op.elems[k];
    }
  }
  for (const auto& im : m.images) {
    t.padBytes.push_back(3 * im.elemSize);
    t.misalign.push_back(0);
    t.bottomUp.push_back(false);
    t.stepOverride.push_back(std::numeric_limits<int>::min());
  }
  t.len = m.roiW;
  return t;
}

// ---------------------------------------------------------------------------------------------

Call::Buf& Call::newBuf(const std::string& what, std::size_t bytes, std::mt19937& rng) {
  auto b = std::make_unique<Buf>();
  b->what = what;
  b->mem.resize(bytes);
  for (auto& x : b->mem) x = static_cast<std::uint8_t>(rng());
  b->writable.assign(bytes, 0);
  bufs_.push_back(std::move(b));
  return *bufs_.back();
}

namespace {

void storeValue(std::uint8_t* p, int elem, double v) {
  auto put = [&](auto x) { std::memcpy(p, &x, sizeof(x)); };
  auto sat = [&](auto lo, auto hi) {
    using T = decltype(lo);
    if (std::isnan(v)) return T(0);
    return static_cast<T>(std::clamp(v, static_cast<double>(lo), static_cast<double>(hi)));
  };
  switch (elem) {
    case e8u: put(sat(std::uint8_t(0), std::uint8_t(255))); break;
    case e8s: case eChar: put(sat(std::int8_t(-128), std::int8_t(127))); break;
    case e16u: put(sat(std::uint16_t(0), std::uint16_t(65535))); break;
    case e16s: put(sat(std::int16_t(-32768), std::int16_t(32767))); break;
    case e32u: case eUInt: put(sat(std::uint32_t(0), std::uint32_t(4294967295u))); break;
    case e32s: case eInt: put(sat(std::int32_t(-2147483647 - 1), std::int32_t(2147483647))); break;
    case e64s: put(sat(std::int64_t(-9.2e18), std::int64_t(9.2e18))); break;
    case e32f: put(static_cast<float>(v)); break;
    case e64f: put(v); break;
    case e16sc: { std::int16_t c[2] = {sat(std::int16_t(-32768), std::int16_t(32767)), 0}; std::memcpy(p, c, 4); break; }
    case e16uc: { std::uint16_t c[2] = {sat(std::uint16_t(0), std::uint16_t(65535)), 0}; std::memcpy(p, c, 4); break; }
    case e32sc: { std::int32_t c[2] = {sat(std::int32_t(-2147483647 - 1), std::int32_t(2147483647)), 0}; std::memcpy(p, c, 8); break; }
    case e32fc: { float c[2] = {static_cast<float>(v), 0.0f}; std::memcpy(p, c, 8); break; }
    default: break;
  }
}

void randomSample(std::uint8_t* p, int elem, std::mt19937& rng) {
  if (elem == e32f || elem == e32fc) {
    for (int k = 0; k < (elem == e32fc ? 2 : 1); ++k) {
      const float f = std::uniform_real_distribution<float>(-1000.f, 1000.f)(rng);
      std::memcpy(p + 4 * k, &f, 4);
    }
  } else if (elem == e64f) {
    const double d = std::uniform_real_distribution<double>(-1000.0, 1000.0)(rng);
    std::memcpy(p, &d, 8);
  }
}

}  // namespace

Call::Call(const Model& m, const Trial& t, std::uint32_t seed) : m_(m) {
  std::mt19937 rng(seed);
  const ExportInfo& e = *m.info;
  args_.resize(static_cast<std::size_t>(std::max(e.nargs, 1)));
  for (std::size_t s = 0; s < m.scalars.size(); ++s) {
    const ScalarOp& op = m.scalars[s];
    CArg& a = args_[static_cast<std::size_t>(op.arg)];
    const double v = t.scalars[s];
    if (op.kind == kFloat) a.d = v;
    else if (op.kind == kPoint) a.pt = {static_cast<int>(v), static_cast<int>(v)};
    else if (op.kind == kValueStruct) {
      values_.emplace_back(16, 0);
      storeValue(values_.back().data(), op.elem, v);
      a.p = values_.back().data();
    } else {
      a.i = std::isnan(v) ? 0 : static_cast<long long>(std::clamp(v, -9.2e18, 9.2e18));
    }
  }
  for (std::size_t s = 0; s < m.sizes.size(); ++s) args_[static_cast<std::size_t>(m.sizes[s].arg)].sz = t.sizes[s];
  for (const RectOp& r : m.rects) {
    int v[4];
    for (int k = 0; k < 4; ++k)
      v[k] = static_cast<int>(std::clamp<long long>(evalLen(r.expr[k], m, t, 0), INT_MIN, INT_MAX));
    args_[static_cast<std::size_t>(r.arg)].rc = {v[0], v[1], v[2], v[3]};
  }
  if (m.lenArg >= 0) args_[static_cast<std::size_t>(m.lenArg)].i = t.len;

  // Value and result cells, 32 guard bytes on each side of every array.
  constexpr int kGuard = 32;
  for (std::size_t c = 0; c < m.cells.size(); ++c) {
    const CellOp& op = m.cells[c];
    int pointers = std::max(op.pointers, 1);
    if (!op.countExpr.empty()) pointers = static_cast<int>(std::clamp<long long>(evalLen(op.countExpr, m, t, 0), 0, 4096));
    std::vector<void*> ptrs;
    for (int k = 0; k < pointers; ++k) {
      long long n = op.lenExpr.empty() ? 1 : evalLen(op.lenExpr, m, t, k);
      if (n < 0 || n > (1 << 20)) n = 0;  // an invalid length argument: the call must reject it
      Buf& b = newBuf(op.name, static_cast<std::size_t>(2 * kGuard + n * op.elemSize), rng);
      std::uint8_t* data = b.mem.data() + kGuard;
      if (op.out) std::fill(b.writable.begin() + kGuard, b.writable.end() - kGuard, 1);
      if (!op.out || op.inout) {
        std::vector<double> vals(static_cast<std::size_t>(n));
        const std::vector<double>* given = (c < t.cellValues.size()) ? &t.cellValues[c] : nullptr;
        for (long long i = 0; i < n; ++i) {
          const auto ui = static_cast<std::size_t>(i);
          if (op.pointers == 0 && given != nullptr && ui < given->size()) vals[ui] = (*given)[ui];
          else vals[ui] = op.spec.pick(rng);
        }
        if (op.fill == "ascending") {
          std::sort(vals.begin(), vals.end());
          if (op.spec.integer)
            for (std::size_t i = 1; i < vals.size(); ++i) vals[i] = std::max(vals[i], vals[i - 1] + 1);
        }
        for (long long i = 0; i < n; ++i) storeValue(data + i * op.elemSize, op.elem, vals[static_cast<std::size_t>(i)]);
      }
      ptrs.push_back(data);
    }
    CArg& a = args_[static_cast<std::size_t>(op.arg)];
    if (op.pointers != 0) {
      if (t.nullArg == op.arg && t.nullPlane >= 0 && t.nullPlane < static_cast<int>(ptrs.size()))
        ptrs[static_cast<std::size_t>(t.nullPlane)] = nullptr;
      ptrs.reserve(1);  // an empty array is still an array, not a null pointer
      ptrArrays_.push_back(std::move(ptrs));
      a.p = ptrArrays_.back().data();
    } else {
      a.p = ptrs[0];
    }
  }

  // Images: guard rows above and below, the gaps between rows and a misaligned base. Border
  // pixels around a source region are initialised like the region and never writable.
  std::vector<int> steps(m.images.size(), 0);
  for (std::size_t i = 0; i < m.images.size(); ++i) {
    const ImageOp& op = m.images[i];
    const RuxImageSize sz = m.imageSize(t, i);
    const int w = std::max(sz.width, 0), h = std::max(sz.height, 0);
    const Border bd = m.borderOf(t, i);
    const int pixelBytes = op.channels * op.elemSize;
    const long long extW = static_cast<long long>(bd.left) + w + bd.right;
    const long long extH = static_cast<long long>(bd.top) + h + bd.bottom;
    if (extW * std::max<long long>(extH, 1) * pixelBytes > (64 << 20)) {
      ready_ = false;
      setupError_ = "image too large";
      return;
    }
    const int rowBytes = static_cast<int>(extW * pixelBytes);
    int step = (rowBytes + t.padBytes[i]) * (t.bottomUp[i] ? -1 : 1);
    if (t.stepOverride[i] != std::numeric_limits<int>::min()) step = t.stepOverride[i];
    if (op.stepLeader >= 0) step = steps[static_cast<std::size_t>(op.stepLeader)];  // one step argument
    steps[i] = step;
    const long long alloc = (std::max<long long>(std::llabs(step), rowBytes) + 63) / 64 * 64;
    // Slots before the region's first row hold the rows that lie lower in memory.
    const long long rowsAbove = (step <= 0 ? h + bd.bottom : bd.top) + 2;
    const long long rows = rowsAbove + h + (step <= 0 ? bd.top : bd.bottom) + 2;
    const int planes = std::max(op.planes, 1);
    const int left = bd.left * pixelBytes, right = (w + bd.right) * pixelBytes;
    std::vector<void*> ptrs;
    for (int p = 0; p < planes; ++p) {
      Buf& b = newBuf(op.name, static_cast<std::size_t>(rows * alloc + 128), rng);
      std::uint8_t* origin = b.mem.data() + 64 + t.misalign[i] + rowsAbove * alloc + left;
      const bool writes = op.role == Role::kDst || op.role == Role::kSrcDst;
      for (int y = -bd.top; y < h + bd.bottom; ++y) {
        if (step == 0 && y != 0) continue;  // every row is row 0
        std::uint8_t* row = origin + static_cast<std::ptrdiff_t>(y) * step;
        const std::ptrdiff_t off = row - b.mem.data();
        const bool regionRow = y >= 0 && y < h;
        for (int xb = -left; xb < right; xb += op.elemSize) {
          randomSample(row + xb, m.info->args[op.ptrArg].elem, rng);
          if (op.role == Role::kMask) row[xb] = (rng() % 3 == 0) ? 0 : static_cast<std::uint8_t>(rng() | 1);
          // Planes: mask by plane. The left border is whole pixels, so channels line up.
          const int channel = op.planes > 0 ? p : ((xb + left) / op.elemSize) % op.channels;
          const bool inRow = (xb >= 0 && xb < w * pixelBytes) || op.writeBorder;
          if (writes && regionRow && inRow && ((op.writable >> channel) & 1u))
            std::fill_n(b.writable.begin() + off + xb, op.elemSize, 1);
        }
      }
      std::uint8_t* ptr = origin;
      if (op.embedSize >= 0) {
        ptr += static_cast<std::ptrdiff_t>(t.scalars[static_cast<std::size_t>(op.embedY)]) * step +
               static_cast<std::ptrdiff_t>(t.scalars[static_cast<std::size_t>(op.embedX)]) * pixelBytes;
      }
      ptrs.push_back(ptr);
    }
    CArg& a = args_[static_cast<std::size_t>(op.ptrArg)];
    args_[static_cast<std::size_t>(op.stepArg)].i = step;
    if (op.planes > 0) {
      if (t.nullArg == op.ptrArg && t.nullPlane >= 0) ptrs[static_cast<std::size_t>(t.nullPlane)] = nullptr;
      ptrArrays_.push_back(ptrs);
      a.p = ptrArrays_.back().data();
    } else {
      a.p = ptrs[0];
    }
  }

  // States: ready objects made through the library's own life cycle.
  for (std::size_t si = 0; si < m.states.size(); ++si) {
    const StateOp& s = m.states[si];
    const ArgInfo& ai = m.info->args[s.arg];
    CArg& a = args_[static_cast<std::size_t>(s.arg)];
    if (ai.stars == 2) {  // InitAlloc: a cell receiving the new state
      Buf& b = newBuf(s.name, 8 + 2 * kGuard, rng);
      std::fill(b.writable.begin() + kGuard, b.writable.end() - kGuard, 1);
      a.p = b.mem.data() + kGuard;
    } else if (get(m.desc, "raw." + s.name) == "1") {  // Init into caller memory
      Buf& b = newBuf(s.name, static_cast<std::size_t>(s.kind->size + 2 * kGuard), rng);
      std::fill(b.writable.begin() + kGuard, b.writable.end() - kGuard, 1);
      a.p = b.mem.data() + kGuard;
    } else {
      const StateKind* kind = t.foreignState == s.arg ? otherStateKind(s.kind) : s.kind;
      void* st = kind->create();
      if (st == nullptr) {
        ready_ = false;
        setupError_ = "state creation failed";
        return;
      }
      states_.push_back({kind, st, static_cast<int>(si)});
      if (t.corruptState == s.arg) {
        std::int32_t id;
        std::memcpy(&id, st, 4);
        id ^= 0x5a5a5a5a;
        std::memcpy(st, &id, 4);
      }
      a.p = st;
    }
  }
  if (t.nullArg >= 0 && t.nullPlane < 0) args_[static_cast<std::size_t>(t.nullArg)].p = nullptr;
  for (auto& b : bufs_) b->saved = b->mem;
  if (t.corruptState >= 0) corrupted_ = t.corruptState;
  threads_ = t.threads;
}

Call::~Call() {
  const bool consumed = lastStatus_ >= 0;
  for (const LiveState& live : states_) {
    const StateKind* kind = live.kind;
    void* st = live.ptr;
    const StateOp& op = m_.states[static_cast<std::size_t>(live.op)];
    if (corrupted_ == op.arg) {
      std::int32_t id;
      std::memcpy(&id, st, 4);
      id ^= 0x5a5a5a5a;
      std::memcpy(st, &id, 4);
    }
    if (consumed && get(m_.desc, "consumes") == op.name && ran_) continue;
    kind->destroy(st);
  }
  // States that an InitAlloc call handed out.
  if (ran_ && lastStatus_ >= 0) {
    for (const auto& s : m_.states) {
      if (m_.info->args[s.arg].stars != 2) continue;
      void* st = nullptr;
      std::memcpy(&st, args_[static_cast<std::size_t>(s.arg)].p, sizeof(st));
      if (args_[static_cast<std::size_t>(s.arg)].p != nullptr && st != nullptr) s.kind->destroy(st);
    }
  }
}

long long Call::run() {
  ruxSetNumThreads(threads_);
  lastStatus_ = m_.info->call(args_.data());
  ran_ = true;
  return lastStatus_;
}

bool Call::unchanged(std::string* why) const {
  for (const auto& b : bufs_) {
    for (std::size_t i = 0; i < b->mem.size(); ++i) {
      if (b->mem[i] != b->saved[i]) {
        *why = "wrote " + b->what + " (byte " + std::to_string(i) + ")";
        return false;
      }
    }
  }
  return true;
}

bool Call::contained(std::string* why) const {
  for (const auto& b : bufs_) {
    for (std::size_t i = 0; i < b->mem.size(); ++i) {
      if (b->mem[i] != b->saved[i] && !b->writable[i]) {
        *why = "wrote outside the writable part of " + b->what + " (byte " + std::to_string(i) + ")";
        return false;
      }
    }
  }
  return true;
}

}  // namespace ruxcontract
