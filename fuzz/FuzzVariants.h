#pragma once

#include <cstddef>
#include <deque>
#include <memory>

#include "FuzzInput.h"
#include "equipment/common/SafeArray.h"
#include "equipment/common/Variant.h"

namespace equ::fuzz {

// Automation values decoded from fuzz bytes: every kind the core models (integers of each
// width, reals, currency, dates, decimals, strings, Booleans, error codes, Empty, Null, opaque
// types, host objects), arrays of one to three dimensions with any lower bounds and nested
// arrays, by-reference chains to a variant and typed references. A reference points into the
// pool, which lives as long as the values made from it.
class VariantMaker {
 public:
  explicit VariantMaker(FuzzInput& in) : in_(in) {}

  Variant Make(int depth = 0);
  // A simple value (no array, no reference).
  Variant MakeSimple();
  // A settings array as SetSettings takes it: rows of [ID, value] with IDs of the driver's
  // table, some misspelt, some rows malformed.
  Variant MakeSettingsArray();

 private:
  Variant MakeArray(int depth);
  Variant MakeReference(int depth);
  WideString SettingId();

  FuzzInput& in_;
  std::deque<Variant> pool_;  // the referents of by-reference values; a deque keeps them in place
  std::size_t elements_ = 0;  // a bound on the elements of one tree
};

}  // namespace equ::fuzz
