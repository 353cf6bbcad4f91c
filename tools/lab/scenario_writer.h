// Scenario lines written from what they stand for: the other direction of
// the parser, for a program that records what it asked of the driver (the
// force-feedback bridge's trace) so that the lab can play it again.
#pragma once

#include <string>

#include "tools/lab/scenario.h"

namespace torvex::lab {

// The fields of a download or update line, exactly those `fields.flags`
// names, in the parser's syntax; empty when none is flagged.
std::string FormatEffectFields(const EffectFields& fields);

} // namespace torvex::lab
