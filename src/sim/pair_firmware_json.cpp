// Saving and restoring a simulated pair, so the command line can keep one
// unit between calls as a receiver stays plugged in between commands.
#include "sim/pair_firmware.h"

#include <nlohmann/json.hpp>

namespace kestrelon::sim {

namespace {
template <size_t N>
nlohmann::json bytes(const std::array<uint8_t, N>& a) {
    return nlohmann::json(std::vector<int>(a.begin(), a.end()));
}
template <typename T, size_t N>
void readArray(const nlohmann::json& j, std::array<T, N>& out, int max) {
    if (!j.is_array() || j.size() != N) throw std::runtime_error("array of " + std::to_string(N) + " expected");
    for (size_t i = 0; i < N; ++i) {
        const int v = j[i].get<int>();
        if (v < 0 || v > max) throw std::runtime_error("value out of range");
        out[i] = static_cast<T>(v);
    }
}
} // namespace

nlohmann::json PairFirmware::toJson() const {
    nlohmann::json j;
    j["model"] = config_.model;
    j["product_id"] = config_.productId;
    j["seed"] = config_.seed;
    j["keyboard_present"] = config_.keyboardPresent;
    j["mouse_powered"] = config_.mousePowered;
    j["sensor_code"] = config_.sensorCode;
    j["dongle_eeprom"] = std::vector<int>(dongleEeprom_.begin(), dongleEeprom_.end());
    j["mouse_eeprom"] = bytes(mouseEeprom_);
    j["dongle_rfic"] = bytes(dongleRfic_);
    j["dongle_direct"] = bytes(dongleDirect_);
    j["mouse_rfic"] = bytes(mouseRfic_);
    j["mouse_direct"] = bytes(mouseDirect_);
    j["mouse_index"] = bytes(mouseIndex_);
    j["mouse_sensor"] = bytes(mouseSensor_);
    j["ids"] = {{"dongle_rx", bytes(dongleRx_)}, {"dongle_tx", bytes(dongleTx_)}, {"mouse_rx", bytes(mouseRx_)},
                {"mouse_tx", bytes(mouseTx_)},   {"keyboard", bytes(kbd_)}};
    j["rx_type"] = rxType_;
    j["mouse_cpi"] = mouseCpi_;
    j["mouse_access"] = mouseAccess_;
    j["mouse_sequence"] = mouseSeq_;
    return j;
}

bool PairFirmware::loadJson(const nlohmann::json& j, std::string* error) {
    try {
        PairConfig c;
        c.model = j.at("model").get<int>();
        c.productId = j.at("product_id").get<uint16_t>();
        c.seed = j.at("seed").get<uint64_t>();
        c.keyboardPresent = j.at("keyboard_present").get<bool>();
        c.mousePowered = j.at("mouse_powered").get<bool>();
        c.sensorCode = j.at("sensor_code").get<uint8_t>();
        if (c.model < 0 || c.model > 2) throw std::runtime_error("model must be 0, 1 or 2");
        // Factory IDs follow from the seed, as in a fresh pair.
        PairFirmware next(c, now_);
        readArray(j.at("dongle_eeprom"), next.dongleEeprom_, 0xFFFF);
        readArray(j.at("mouse_eeprom"), next.mouseEeprom_, 0xFF);
        readArray(j.at("dongle_rfic"), next.dongleRfic_, 0xFF);
        readArray(j.at("dongle_direct"), next.dongleDirect_, 0xFF);
        readArray(j.at("mouse_rfic"), next.mouseRfic_, 0xFF);
        readArray(j.at("mouse_direct"), next.mouseDirect_, 0xFF);
        readArray(j.at("mouse_index"), next.mouseIndex_, 0xFF);
        readArray(j.at("mouse_sensor"), next.mouseSensor_, 0xFF);
        const auto& ids = j.at("ids");
        readArray(ids.at("dongle_rx"), next.dongleRx_, 0xFF);
        readArray(ids.at("dongle_tx"), next.dongleTx_, 0xFF);
        readArray(ids.at("mouse_rx"), next.mouseRx_, 0xFF);
        readArray(ids.at("mouse_tx"), next.mouseTx_, 0xFF);
        readArray(ids.at("keyboard"), next.kbd_, 0xFF);
        next.rxType_ = j.at("rx_type").get<uint8_t>();
        next.mouseCpi_ = j.at("mouse_cpi").get<uint8_t>();
        next.mouseAccess_ = j.at("mouse_access").get<bool>();
        next.mouseSeq_ = j.at("mouse_sequence").get<uint8_t>();
        next.mouseReloaded_ = false;
        *this = std::move(next);
        return true;
    } catch (const std::exception& e) {
        if (error) *error = std::string("simulated pair state: ") + e.what();
        return false;
    }
}

} // namespace kestrelon::sim
