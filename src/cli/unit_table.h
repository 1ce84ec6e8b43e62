#pragma once
// The next units' numbers as `numbers` and `numbering` print them: a table,
// or one JSON object per unit and line.

#include "numbering/preview.h"

#include <ostream>
#include <string>
#include <vector>

namespace kestrelon::cli {

void PrintUnitTable(std::ostream& out, const std::vector<PreviewUnit>& units, bool json);

} // namespace kestrelon::cli
