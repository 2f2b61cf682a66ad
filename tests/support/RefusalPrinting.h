#pragma once

// Refusals in a failed expectation print as their message, so that a test can compare kinds
// and values and still say what went wrong in words.

#include <ostream>

#include "studio/io/DecodeRefusal.h"

namespace vantrel::studio {

template <typename Kind, const char* (*Table)(Kind)>
void PrintTo(const studio::io::CDecodeRefusal<Kind, Table>& refusal, std::ostream* out)
{
    *out << (refusal.Refused() ? '"' + refusal.Text() + '"' : std::string("no refusal"));
}

}  // namespace vantrel::studio
