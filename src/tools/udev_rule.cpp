// Writes the udev rule for the known receivers: the template with one line
// per built-in vendor/product ID pair in place of @RULE_LINES@.
//   kestrelon-udev-rule TEMPLATE OUTPUT
#include "device/known_devices.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kestrelon-udev-rule TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
        std::cerr << "kestrelon-udev-rule: cannot read " << argv[1] << "\n";
        return 1;
    }
    kestrelon::KnownDeviceTable table{};
    kestrelon::FillBuiltInDevices(table);
    std::string lines;
    for (const auto& d : table) {
        if (!d.used()) continue;
        char line[80];
        std::snprintf(line, sizeof line, "KERNELS==\"*:%04X:%04X.*\", TAG+=\"uaccess\"\n", d.vendorId, d.productId);
        lines += line;
    }
    std::string rule = text.str();
    const std::string mark = "@RULE_LINES@";
    const auto at = rule.find(mark);
    if (at == std::string::npos) {
        std::cerr << "kestrelon-udev-rule: " << argv[1] << " has no " << mark << "\n";
        return 1;
    }
    rule.replace(at, mark.size(), lines);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << rule;
    if (!out.flush()) {
        std::cerr << "kestrelon-udev-rule: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
