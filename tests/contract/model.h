// Contract model of one export: its arguments classified from the prototype (image operands,
// steps, sizes, scalar parameters, value and result cells, state objects) and completed by the
// family's contract description in catalog/contracts/. A Trial is one set of concrete choices;
// a Call lays out guarded memory for a trial (with the border a filter reads around a source
// region), calls the export and checks what it wrote.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "contract/table.h"

namespace ruxcontract {

// Key/value description of one export: the family line and every matching rule, in file order.
using Desc = std::map<std::string, std::string>;

struct Rules {
  std::map<std::string, std::string> familyOf;  // export name -> catalog family
  struct Rule {
    std::string family, glob;
    std::vector<std::pair<std::string, std::string>> kv;
  };
  std::vector<Rule> rules;
  std::set<std::string> families;  // families with a description
  bool load(const std::string& catalogPath, const std::string& contractsDir, std::string* error);
  // False when the export's family has no description.
  bool describe(const std::string& name, Desc* out) const;
};

// Values a scalar parameter (or each element of a value cell) may take.
struct ParamSpec {
  bool given = false;
  bool range = false;  // lo..hi, else the list
  bool integer = true;
  double lo = 0, hi = 0, def = 0;
  std::vector<double> list;
  std::vector<std::pair<double, int>> bad;  // value -> status
  bool early = false;    // checked before pointers, size and steps
  bool prestep = false;  // checked after the size, before the steps
  bool tame = false;     // the fuzzer keeps to valid and listed invalid values (sizes memory)
  double pick(std::mt19937& rng) const;
};

enum class Role { kSrc, kDst, kSrcDst, kMask };
// kBetween: after the region size, before mask and kernel sizes.
enum class Steps { kNone, kAfterSize, kBeforeSize, kBetween };

struct ImageOp {
  std::string name;
  int ptrArg = -1, stepArg = -1, sizeArg = -1;
  int stepLeader = -1;  // an earlier operand with the same step argument (stepof.ARG)
  int elemSize = 1, channels = 1, planes = 0;  // planes > 0: array of plane pointers
  Role role = Role::kSrc;
  bool swapDims = false;
  int times = 1;  // the operand's region is the size argument times this (times.ARG)
  std::uint32_t writable = 0xffffffffu;  // channels a call may write
  // Embedded operand: memory of size embedSize, pointer at (embedX, embedY) in it.
  int embedSize = -1, embedX = -1, embedY = -1;
  // Readable pixels left and right of the region and rows above and below it: expressions,
  // empty for none.
  std::string border[4];
  bool writeBorder = false;  // the left and right border of the region's rows may be written (writeborder.ARG)
  // region.ARG=W:H: the operand's region from two expressions (empty for none); a value that
  // cannot be formed or is negative gives an empty region.
  std::string region[2];
};

struct CellOp {
  std::string name;
  int arg = -1, elem = 0, elemSize = 1;
  int pointers = 0;  // > 0: array of that many cell pointers; -1: counted by countExpr
  std::string countExpr;
  bool out = false;
  bool inout = false;   // a result cell that also carries input values
  std::string lenExpr;  // per pointer; empty: declared length or 1
  std::string fill;     // "ascending" or random
  std::vector<double> elems;  // elems.ARG=v0:v1:...: default of each element (else spec's default)
  ParamSpec spec;
};

struct ScalarOp {
  std::string name;
  int arg = -1;
  ArgKind kind = kInt;
  int elem = 0;
  ParamSpec spec;
};

// Rectangle argument: four expressions (x, y, width, height) evaluated per trial (rect.ARG).
struct RectOp {
  std::string name;
  int arg = -1;
  std::string expr[4];
};

struct StateKind;  // state factories, see states.cpp
struct Trial;

struct StateOp {
  std::string name;
  int arg = -1;
  const StateKind* kind = nullptr;
};

struct SizeOp {
  std::string name;
  int arg = -1;
  // Derived default: this size = base size + (extraY, extraX) from two scalar arguments.
  int growFrom = -1, growY = -1, growX = -1;
  bool square = false;
  // Mask or kernel size: drawn in lo..hi on both axes, def on a valid call; never an image's size.
  bool extent = false;
  int lo = 1, hi = 1;
  RuxImageSize def{1, 1};
};

// Pixels an operation reads around an operand's region (negative expressions count as 0).
struct Border {
  int left = 0, right = 0, top = 0, bottom = 0;
};

struct Model {
  const ExportInfo* info = nullptr;
  std::string family;
  Desc desc;
  std::vector<ImageOp> images;
  std::vector<CellOp> cells;
  std::vector<ScalarOp> scalars;
  std::vector<StateOp> states;
  std::vector<SizeOp> sizes;
  std::vector<RectOp> rects;
  int lenArg = -1;  // a plain length argument that plays the region width
  int region = -1;  // the region size: the first size argument that is not an extent
  Steps steps = Steps::kAfterSize;
  int nullStatus = -8, sizeStatus = -6, stepStatus = -14;
  std::set<int> ok{0}, errors;
  std::set<int> tolerated;  // statuses a fuzzed call with valid arguments may also give
  std::set<int> writes;     // error statuses that still deliver their results
  int shortStepStatus = 0;  // status for a positive step shorter than the row (0: not checked)
  // Minimum region size for values of a scalar parameter: scalar -> value -> (width, height).
  struct MinSize {
    int scalar;
    double value;
    int width, height;
  };
  std::vector<MinSize> minSizes;
  // False when sizes break a square or minimum-size rule.
  bool sizesValid(const Trial& t) const;
  RuxImageSize imageSize(const Trial& t, std::size_t image) const;
  Border borderOf(const Trial& t, std::size_t image) const;
  // Bytes of one row of the operand, its border included.
  long long rowBytes(const Trial& t, std::size_t image) const;
  std::string hook;
  int roiW = 7, roiH = 5;
  // Region of image operands that have no size argument (block=WxH: fixed-size blocks).
  int blockW = 0, blockH = 0;
  // Every status the family documents.
  std::set<int> documented() const;
  bool build(const ExportInfo& e, const Rules& rules, std::string* error);
};

// One concrete choice of everything a call needs.
struct Trial {
  std::vector<RuxImageSize> sizes;       // per SizeOp
  std::vector<double> scalars;           // per ScalarOp
  std::vector<std::vector<double>> cellValues;  // per CellOp (input cells; optional)
  std::vector<int> padBytes, misalign;   // per ImageOp
  std::vector<bool> bottomUp;            // per ImageOp (negative step)
  std::vector<int> stepOverride;         // per ImageOp, INT32_MIN for none
  int nullArg = -1, nullPlane = -1;      // argument made null (plane: one plane pointer of it)
  int corruptState = -1;                 // state argument given a damaged identifier
  int foreignState = -1;                 // state argument given a state of another kind
  int len = 0;                           // value of the plain length argument
  int threads = 1;
};

Trial defaultTrial(const Model& m);

// Guarded memory for one trial and the checks after the call.
class Call {
 public:
  Call(const Model& m, const Trial& t, std::uint32_t seed);
  ~Call();
  long long run();
  // Nothing changed anywhere.
  bool unchanged(std::string* why) const;
  // Only the writable bytes of destination images and result cells changed.
  bool contained(std::string* why) const;
  bool ready() const { return ready_; }
  const std::string& setupError() const { return setupError_; }

 private:
  struct Buf {
    std::string what;
    std::vector<std::uint8_t> mem, saved, writable;
  };
  Buf& newBuf(const std::string& what, std::size_t bytes, std::mt19937& rng);
  const Model& m_;
  std::vector<CArg> args_;
  std::vector<std::unique_ptr<Buf>> bufs_;
  std::vector<std::vector<void*>> ptrArrays_;
  std::vector<std::vector<std::uint8_t>> values_;  // by-value structs
  struct LiveState {
    const StateKind* kind;
    void* ptr;
    int op;  // index into Model::states
  };
  std::vector<LiveState> states_;
  int corrupted_ = -1, threads_ = 1;
  long long lastStatus_ = -1;
  bool ran_ = false;
  bool ready_ = true;
  std::string setupError_;
};

int elemSize(int elem);

// Integer expressions of the descriptions: literals, + - * / (integer division), ^ (power),
// parentheses and the names of the trial's values (README). kNoValue: a name without a value in
// this trial, a division by zero, an overflow or a power out of range.
enum class ExprError { kNone, kSyntax, kUnknownName, kNoValue };
ExprError evalExpr(const std::string& expr, const Model& m, const Trial& t, int channel, long long* value);
// The expression's value, or -1 when it has none.
long long evalLen(const std::string& expr, const Model& m, const Trial& t, int channel);
// The base names an expression refers to ("anchor" for anchor.x).
std::vector<std::string> exprNames(const std::string& expr);

}  // namespace ruxcontract
