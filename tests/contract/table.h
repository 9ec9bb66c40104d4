// The call table of the contract checker: one record per prototype of ruxi.h, generated at
// build time (tools/gen_contract_table.py), with a thunk that calls the export from a generic
// argument array.
#pragma once

#include "ruxi.h"

namespace ruxcontract {

enum ArgKind { kInt, kFloat, kSize, kPoint, kRect, kPtr, kPtrArray, kValueStruct };

// Element types in the order of the generator's list.
enum Elem { eVoid, e8u, e8s, e16u, e16s, e32u, e32s, e64s, e32f, e64f, e16sc, e16uc, e32sc, e32fc,
            eInt, eUInt, eChar };

// One argument value; the thunk reads the member that matches the argument's kind.
struct CArg {
  void* p = nullptr;
  long long i = 0;
  double d = 0;
  RuxImageSize sz{0, 0};
  RuxImagePoint pt{0, 0};
  RuxImageRect rc{0, 0, 0, 0};
};

struct ArgInfo {
  const char* ctype;
  const char* name;
  ArgKind kind;
  int elem;     // Elem of the pointee or value
  int len;      // declared array length, 0 for none
  bool isConst; // pointee is const
  int stars;    // pointer depth
  const char* base;  // type name without qualifiers
};

using Thunk = long long (*)(const CArg*);

struct ExportInfo {
  const char* name;
  const char* ret;
  Thunk call;
  int nargs;
  const ArgInfo* args;
};

extern const ExportInfo kExports[];
extern const int kExportCount;

}  // namespace ruxcontract
