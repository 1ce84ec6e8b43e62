#include "uhid/dongle_options.h"

#include <charconv>
#include <string_view>

namespace kestrelon::uhid {

namespace {

bool number(std::string_view text, uint64_t max, uint64_t& out) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    uint64_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (ec != std::errc() || ptr != text.data() + text.size() || v > max) return false;
    out = v;
    return true;
}

} // namespace

const char* DongleUsage() {
    return "Usage: kestrelon-uhid-dongle [options]\n"
           "\n"
           "Plugs a simulated 2.4 GHz receiver and its mouse into this Linux kernel\n"
           "through /dev/uhid: a mouse interface and the vendor interface that carries\n"
           "the 9-byte feature reports, both with the receiver's vendor and product IDs.\n"
           "Prints a line starting with 'ready' once both exist; runs until SIGTERM or\n"
           "SIGINT (unplug and exit) or SIGUSR1 (unplug as if pulled out, then exit).\n"
           "'plugged at T ms' and 'unplugged at T ms' give the moments on the monotonic\n"
           "clock (CLOCK_MONOTONIC).\n"
           "\n"
           "Options:\n"
           "  --model N             receiver model 0 (\"01\"), 1 (\"02\") or 2 (\"03\"); default 0\n"
           "  --product PID         USB product ID; default 0x053A\n"
           "  --seed N              seed of the pair's factory IDs; default as --sim\n"
           "  --state FILE          load the pair from FILE if it exists, write it back on\n"
           "                        exit ({\"pair\": ...}, as the CLI's --sim-state)\n"
           "  --get-error-from N    answer every GET from the N-th report on with EIO\n"
           "  --vanish-after N      unplug once N reports were answered\n"
           "  --trace               print every report and its answer on stderr\n"
           "  --help                show this help\n";
}

bool ParseDongleOptions(const std::vector<std::string>& args, DongleOptions& out, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out.help = true;
            continue;
        }
        if (a == "--trace") {
            out.trace = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = a.rfind("--", 0) == 0 ? "option " + a + " needs a value" : "unexpected argument '" + a + "'";
            return false;
        }
        const std::string& v = args[++i];
        uint64_t n = 0;
        auto need = [&](uint64_t min, uint64_t max) {
            if (number(v, max, n) && n >= min) return true;
            error = "bad value '" + v + "' for " + a;
            return false;
        };
        if (a == "--model") {
            if (!need(0, 2)) return false;
            out.model = static_cast<int>(n);
        } else if (a == "--product") {
            if (!need(1, 0xFFFF)) return false;
            out.productId = static_cast<uint16_t>(n);
        } else if (a == "--seed") {
            if (!need(0, UINT64_MAX)) return false;
            out.seed = n;
        } else if (a == "--state") {
            out.statePath = v;
        } else if (a == "--get-error-from") {
            if (!need(1, UINT64_MAX)) return false;
            out.getErrorFrom = n;
        } else if (a == "--vanish-after") {
            if (!need(1, UINT64_MAX)) return false;
            out.vanishAfter = n;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    return true;
}

} // namespace kestrelon::uhid
