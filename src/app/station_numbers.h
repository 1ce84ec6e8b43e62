#pragma once
// Where a station's units take their numbers: the settings file's counters,
// or a number store that several stations share, chosen once the settings
// are loaded. The production run holds this object throughout; a store that
// cannot be used refuses every unit, and the numbers then never come from
// the settings file instead.

#include "model/product_settings.h"
#include "numbering/settings_file.h"
#include "numbering/unit_numbers.h"
#include "store/pg_unit_numbers.h"

#include <memory>
#include <string>

namespace kestrelon {

constexpr const char* kNumberStoreVariable = "KESTRELON_STORE";

struct NumberStoreChoice {
    std::string uri;       // empty: the settings file's counters
    std::string product;
    bool fromSettingsFile = false;
};
// The command line's URI wins over KESTRELON_STORE, which wins over the
// settings' NumberStore; the product is the command line's, else the
// settings', else the default one.
NumberStoreChoice ChooseNumberStore(const std::string& uriOption, const std::string& productOption,
                                    const ProductSettings& settings);

// The same for a station started with this settings file, which is only
// read.
NumberStoreChoice ChooseNumberStore(const std::string& settingsPath, const std::string& uriOption,
                                    const std::string& productOption, Clock& clock);
// Where such a station would take its numbers, as info names it: "the
// settings file PATH" or the store's name.
std::string NumbersSource(const std::string& settingsPath, const std::string& uriOption,
                          const std::string& productOption, Clock& clock);

class StationNumbers final : public UnitNumbers {
public:
    StationNumbers(FileUnitNumbers& file, const SettingsFile& settings) : file_(file), settings_(settings) {}

    // Numbers from the settings file again.
    void useFile();
    // Numbers from store from now on.
    void useStore(std::unique_ptr<PostgresUnitNumbers> store);
    // No numbers at all, for the reason given (a store that was asked for
    // cannot be used).
    void refuse(std::string why);
    PostgresUnitNumbers* store() const { return store_.get(); }

    std::string storeName() const override;
    SettingsStatus readyForUnit() override;
    SettingsStatus reserve(const std::string& unitId, ReservedNumbers& out) override;
    SettingsStatus settlePass(const ReservedNumbers& unit, const UnitOutcome& outcome) override;
    SettingsStatus settleFail(const ReservedNumbers& unit, const UnitOutcome& outcome) override;

private:
    UnitNumbers& current() { return store_ ? static_cast<UnitNumbers&>(*store_) : file_; }

    FileUnitNumbers& file_;
    const SettingsFile& settings_;
    std::unique_ptr<PostgresUnitNumbers> store_;
    std::string refused_;
};

} // namespace kestrelon
