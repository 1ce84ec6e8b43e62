// Saving and restoring a simulated pair, so the command line can keep one
// unit between calls as a receiver stays plugged in between commands.
#include "sim/pair_firmware.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kestrelon::sim {

namespace {
template <size_t N>
nlohmann::json bytes(const std::array<uint8_t, N>& a) {
    return nlohmann::json(std::vector<int>(a.begin(), a.end()));
}

// A whole number from 0 to max. Anything else (a fraction, 1e30, a string,
// a negative number) is refused rather than converted, which could
// truncate or, for a float beyond an integer's range, be undefined.
uint64_t whole(const nlohmann::json& j, const std::string& what, uint64_t max) {
    if (!j.is_number_integer()) throw std::runtime_error(what + " must be a whole number, not " + j.dump());
    const bool negative = !j.is_number_unsigned() && j.get<int64_t>() < 0;
    if (negative || j.get<uint64_t>() > max)
        throw std::runtime_error(what + " " + j.dump() + " is out of range 0 to " + std::to_string(max));
    return j.get<uint64_t>();
}

template <typename T>
T field(const nlohmann::json& j, const char* key, uint64_t max) {
    return static_cast<T>(whole(j.at(key), key, max));
}

template <typename T, size_t N>
void readArray(const nlohmann::json& j, const std::string& what, std::array<T, N>& out, uint64_t max) {
    if (!j.is_array() || j.size() != N) throw std::runtime_error(what + ": array of " + std::to_string(N) + " expected");
    for (size_t i = 0; i < N; ++i) out[i] = static_cast<T>(whole(j[i], what + "[" + std::to_string(i) + "]", max));
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
        c.model = field<int>(j, "model", 2);
        c.productId = field<uint16_t>(j, "product_id", 0xFFFF);
        c.seed = field<uint64_t>(j, "seed", UINT64_MAX);
        c.keyboardPresent = j.at("keyboard_present").get<bool>();
        c.mousePowered = j.at("mouse_powered").get<bool>();
        c.sensorCode = field<uint8_t>(j, "sensor_code", 0xFF);
        // Factory IDs follow from the seed, as in a fresh pair.
        PairFirmware next(c, now_);
        readArray(j.at("dongle_eeprom"), "dongle_eeprom", next.dongleEeprom_, 0xFFFF);
        readArray(j.at("mouse_eeprom"), "mouse_eeprom", next.mouseEeprom_, 0xFF);
        readArray(j.at("dongle_rfic"), "dongle_rfic", next.dongleRfic_, 0xFF);
        readArray(j.at("dongle_direct"), "dongle_direct", next.dongleDirect_, 0xFF);
        readArray(j.at("mouse_rfic"), "mouse_rfic", next.mouseRfic_, 0xFF);
        readArray(j.at("mouse_direct"), "mouse_direct", next.mouseDirect_, 0xFF);
        readArray(j.at("mouse_index"), "mouse_index", next.mouseIndex_, 0xFF);
        readArray(j.at("mouse_sensor"), "mouse_sensor", next.mouseSensor_, 0xFF);
        const auto& ids = j.at("ids");
        readArray(ids.at("dongle_rx"), "dongle_rx", next.dongleRx_, 0xFF);
        readArray(ids.at("dongle_tx"), "dongle_tx", next.dongleTx_, 0xFF);
        readArray(ids.at("mouse_rx"), "mouse_rx", next.mouseRx_, 0xFF);
        readArray(ids.at("mouse_tx"), "mouse_tx", next.mouseTx_, 0xFF);
        readArray(ids.at("keyboard"), "keyboard", next.kbd_, 0xFF);
        next.rxType_ = field<uint8_t>(j, "rx_type", 0xFF);
        next.mouseCpi_ = field<uint8_t>(j, "mouse_cpi", 0xFF);
        next.mouseAccess_ = j.at("mouse_access").get<bool>();
        next.mouseSeq_ = field<uint8_t>(j, "mouse_sequence", 0xFF);
        next.mouseReloaded_ = false;
        *this = std::move(next);
        return true;
    } catch (const std::exception& e) {
        if (error) *error = std::string("simulated pair state: ") + e.what();
        return false;
    }
}

} // namespace kestrelon::sim
