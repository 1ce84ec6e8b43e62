#pragma once
// The common base of the numbering generators: what lets the settings file
// store them as text and create them again by class name.

#include <string>

namespace kestrelon {

class TComponent {
public:
    virtual ~TComponent() = default;
    // The class name written on the "object" line of the stored text.
    virtual const char* ClassName() const = 0;
};

} // namespace kestrelon
