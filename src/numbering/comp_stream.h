#pragma once
// The text form in which the settings file stores a generator object:
//
//   object TProdSN
//     IsSN = False
//     ...
//   end
//
// every line ending in CR LF. Properties are written in declaration order;
// 64-bit properties are left out when zero, and a serial number's IncPrevSN
// is written again after IncCurrentSN when the lines before would not give
// it back. Reading creates the class named on the first line with every
// field zero and applies the lines in order through the class's write
// rules, so their side effects happen exactly as when the values were
// first set.

#include "numbering/component.h"
#include "numbering/prod_rfid.h"
#include "platform/clock.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace kestrelon {

class ComponentTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a generator needs from outside when it is created by name.
struct ComponentContext {
    Clock& clock;
    std::shared_ptr<RFIDRandomSource> random;   // null: DefaultRFIDRandom()
};

// An object of the named class ("TProdSN", "TProdRFID") with every field
// zero or false; null for an unknown class.
std::unique_ptr<TComponent> CreateBlankComponent(const std::string& className, const ComponentContext& ctx);

// The stored text of a TProdSN or TProdRFID. Throws ComponentTextError for
// any other class.
std::string ComponentToText(const TComponent& object);

// The object a stored text describes. Throws ComponentTextError on anything
// malformed: unknown class, unknown property, a value that does not fit its
// type, a missing "end", text after it.
std::unique_ptr<TComponent> TextToComponent(const std::string& text, const ComponentContext& ctx);

} // namespace kestrelon
