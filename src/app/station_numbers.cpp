#include "app/station_numbers.h"

#include <cstdlib>

namespace kestrelon {

NumberStoreChoice ChooseNumberStore(const std::string& uriOption, const std::string& productOption,
                                    const ProductSettings& settings) {
    NumberStoreChoice c;
    const char* variable = std::getenv(kNumberStoreVariable);
    if (!uriOption.empty()) {
        c.uri = uriOption;
    } else if (variable && *variable) {
        c.uri = variable;
    } else {
        c.uri = settings.NumberStore;
        c.fromSettingsFile = !c.uri.empty();
    }
    c.product = !productOption.empty()              ? productOption
                : !settings.NumberStoreProduct.empty() ? settings.NumberStoreProduct
                                                       : store::kDefaultProduct;
    return c;
}

NumberStoreChoice ChooseNumberStore(const std::string& settingsPath, const std::string& uriOption,
                                    const std::string& productOption, Clock& clock) {
    SettingsFile file(settingsPath, ComponentContext{clock, nullptr});
    file.setKeepDamagedCopy(false);
    ProductSettings settings;
    RunState run;
    KnownDeviceTable devices{};
    NumberingGenerators generators;
    file.load(settings, run, devices, generators);
    return ChooseNumberStore(uriOption, productOption, settings);
}

std::string NumbersSource(const std::string& settingsPath, const std::string& uriOption,
                          const std::string& productOption, Clock& clock) {
    const NumberStoreChoice c = ChooseNumberStore(settingsPath, uriOption, productOption, clock);
    if (c.uri.empty()) return "the settings file " + FullPath(settingsPath);
    return store::ServerName(c.uri) + ", product " + c.product;
}

void StationNumbers::useFile() {
    store_.reset();
    refused_.clear();
}

void StationNumbers::useStore(std::unique_ptr<PostgresUnitNumbers> store) {
    store_ = std::move(store);
    refused_.clear();
}

void StationNumbers::refuse(std::string why) {
    store_.reset();
    refused_ = std::move(why);
}

std::string StationNumbers::storeName() const {
    if (!refused_.empty()) return "none";
    return store_ ? store_->storeName() : file_.storeName();
}

SettingsStatus StationNumbers::readyForUnit() {
    if (!refused_.empty()) return {false, refused_};
    if (!store_) return file_.readyForUnit();
    // The settings file still holds every other option, and its lock still
    // keeps a second copy of the program off this station's options.
    if (const SettingsStatus blocked = settings_.unitsBlocked(); !blocked.ok) return blocked;
    return store_->readyForUnit();
}

SettingsStatus StationNumbers::reserve(const std::string& unitId, ReservedNumbers& out) {
    if (!refused_.empty()) return {false, refused_};
    if (!store_) return file_.reserve(unitId, out);
    if (const SettingsStatus blocked = settings_.unitsBlocked(); !blocked.ok) return blocked;
    return store_->reserve(unitId, out);
}

SettingsStatus StationNumbers::settlePass(const ReservedNumbers& unit, const UnitOutcome& outcome) {
    return current().settlePass(unit, outcome);
}

SettingsStatus StationNumbers::settleFail(const ReservedNumbers& unit, const UnitOutcome& outcome) {
    return current().settleFail(unit, outcome);
}

} // namespace kestrelon
