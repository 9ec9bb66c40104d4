// State objects the contract checker can make: each kind knows how to create a ready state
// (through the library's own life cycle), free it, and where its identifier sits.
#pragma once

#include <string>

namespace ruxcontract {

struct StateKind {
  const char* base;     // C type name of the state
  int size;             // bytes of caller memory an Init form needs
  bool hasIdentifier;   // a use checks an identifier in the first 4 bytes
  void* (*create)();    // a state ready for every use (data already accumulated)
  void (*destroy)(void*);
  // The image size every use of the state works on (transform specifications), 0 x 0 for none:
  // the operands of an export without a size argument take it.
  int width = 0, height = 0;
};

// Null when the checker knows no state of that type.
const StateKind* stateKind(const std::string& base);
// A state of another kind with an identifier, for the wrong-kind checks.
const StateKind* otherStateKind(const StateKind* kind);

}  // namespace ruxcontract
