#pragma once
// The four generator objects the program holds for its whole life. A
// settings load replaces them; everything else reads and advances them
// through this one holder, so a replacement is seen everywhere.

#include "numbering/comp_stream.h"
#include "numbering/prod_rfid.h"
#include "numbering/prod_sn.h"

#include <memory>

namespace kestrelon {

struct NumberingGenerators {
    std::unique_ptr<TProdSN> RxSN;
    std::unique_ptr<TProdSN> TxSN;
    std::unique_ptr<TProdRFID> RxRFID;
    std::unique_ptr<TProdRFID> TxRFID;

    // All four with their constructor defaults.
    void reset(const ComponentContext& ctx) {
        RxSN = std::make_unique<TProdSN>(ctx.clock);
        TxSN = std::make_unique<TProdSN>(ctx.clock);
        RxRFID = std::make_unique<TProdRFID>(ctx.random);
        TxRFID = std::make_unique<TProdRFID>(ctx.random);
    }
};

} // namespace kestrelon
