#pragma once
// The product's models and the receivers it ships with. The models are in
// the order the settings file ("Model_Select"), the window's buttons and the
// records number them; a new model is a new row here (and, in the window,
// its button on the settings page).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrelon {

// The receivers: one USB vendor ID and the built-in product IDs, in the
// order detection tries them.
constexpr uint16_t kDongleVendorId = 0xF3D7;
constexpr std::array<uint16_t, 7> kBuiltInProductIds = {0x053A, 0x05CA, 0x05AA, 0x053F, 0x05CF, 0x053E, 0x05CE};

// What a model's mouse answers at its chip register: the first chip this
// byte, the later chips anything else.
constexpr uint8_t kFirstChipByte = 0x33;

struct ProductModel {
    const char* name;          // "01": the window's button, the records, the command line
    uint16_t dongleVersion;    // the version number its receiver reports
    bool firstChip;            // its mouse answers kFirstChipByte
    bool suspendAndLrm;        // offers the USB suspend periods and the L+R+M binding
    bool fnKeys;               // offers the Fn keys
};

inline constexpr std::array<ProductModel, 3> kProductModels = {{
    {"01", 0xA011, true, false, false},
    {"02", 0xA014, false, true, false},
    {"03", 0xA024, false, true, true},
}};
constexpr int kModelCount = static_cast<int>(kProductModels.size());

// The model at a settings index; null for no model.
constexpr const ProductModel* ModelAt(int index) {
    return index >= 0 && index < kModelCount ? &kProductModels[static_cast<size_t>(index)] : nullptr;
}

// The index of the model whose receiver reports this version, or named so;
// -1 for none.
constexpr int ModelOfDongleVersion(int version) {
    for (int m = 0; m < kModelCount; ++m)
        if (kProductModels[static_cast<size_t>(m)].dongleVersion == version) return m;
    return -1;
}
constexpr int ModelNamed(std::string_view name) {
    for (int m = 0; m < kModelCount; ++m)
        if (name == kProductModels[static_cast<size_t>(m)].name) return m;
    return -1;
}

// "01, 02 or 03", for messages.
inline std::string ModelNameList() {
    std::string list;
    for (int m = 0; m < kModelCount; ++m) {
        if (m > 0) list += m + 1 == kModelCount ? " or " : ", ";
        list += kProductModels[static_cast<size_t>(m)].name;
    }
    return list;
}

} // namespace kestrelon
