#include "cli/sim_fault.h"

#include "cli/cli.h"

namespace kestrelon::cli {

bool ParseFaultText(const std::string& text, FaultPlan& out, std::string& why) {
    out = FaultPlan{};
    std::string fault = text;
    const auto at = fault.find('@');
    if (at != std::string::npos) {
        unsigned long long unit = 0;
        if (!parseNumber(fault.substr(at + 1), 1000000, unit) || unit == 0) {
            why = "the unit after @ must be a number from 1";
            return false;
        }
        out.onlyUnit = static_cast<int>(unit);
        fault = fault.substr(0, at);
    }
    const auto colon = fault.find(':');
    const std::string kind = fault.substr(0, colon);
    const std::string arg = colon == std::string::npos ? "" : fault.substr(colon + 1);
    unsigned long long n = 0;
    auto needNumber = [&](unsigned long long max) {
        if (parseNumber(arg, max, n)) return true;
        why = "'" + kind + "' needs a number, as in " + kind + ":12";
        return false;
    };
    if (kind == "unplug") {
        if (!needNumber(~0ull)) return false;
        out.faults.unplugAfter = n;
    } else if (kind == "noanswer") {
        if (!needNumber(~0ull)) return false;
        out.faults.noAnswerFrom = n;
    } else if (kind == "xfer-error") {
        if (!needNumber(~0ull)) return false;
        out.faults.transferErrorFrom = n;
    } else if (kind == "mouse-silent" && arg.empty() && colon == std::string::npos) {
        out.faults.mouseSilentAfterReload = true;
    } else if (kind == "readback") {
        if (!needNumber(63)) return false;
        out.faults.readbackWord = static_cast<uint8_t>(n);
    } else {
        why = "unknown fault '" + text + "' (unplug:N, noanswer:N, xfer-error:N, mouse-silent, readback:W, optionally @K)";
        return false;
    }
    return true;
}

} // namespace kestrelon::cli
