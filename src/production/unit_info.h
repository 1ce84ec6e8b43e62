#pragma once
// The line the window shows about the last Go, below the verdict: why a
// unit failed (the failed step, in the words its record keeps), what a
// passing unit got (its serial numbers and RF IDs), or why Go did not start.

#include "production/production_run.h"

#include <string>

namespace kestrelon {

std::string UnitInfoText(const UnitRecord& unit);

} // namespace kestrelon
