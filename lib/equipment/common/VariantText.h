#pragma once

#include "Variant.h"
#include "WideString.h"

namespace equ {

// The text in which the call trace shows a value: EMPTY, NULL, numbers, quoted strings with
// CR LF written as \n, $ and the reference of an interface, True/False, arrays as
// [(e1; e2)] groups over the last dimension outermost.
WideString VariantToText(const Variant& value);

}  // namespace equ
