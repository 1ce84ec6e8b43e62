// The generators' stored text comes from a settings file anyone can edit:
// malformed text must end in ComponentTextError, and whatever loads must
// store a text that loads again.
#include "fuzz_support.h"
#include "numbering/comp_stream.h"
#include "platform/virtual_clock.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrelon;
    VirtualClock clock;
    ComponentContext ctx{clock, std::make_shared<fuzz::FixedRandom>()};
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<TComponent> object;
    try {
        object = TextToComponent(text, ctx);
    } catch (const ComponentTextError&) {
        return 0;
    }
    if (!object) fuzz::Finding("TextToComponent returned no object and threw nothing");
    const std::string stored = ComponentToText(*object);
    std::unique_ptr<TComponent> again;
    try {
        again = TextToComponent(stored, ctx);
    } catch (const ComponentTextError&) {
        fuzz::Finding("a stored text does not load again");
    }
    if (fuzz::CheckFixedPoint() && ComponentToText(*again) != stored) fuzz::Finding("store -> load -> store changed the text");
    return 0;
}
