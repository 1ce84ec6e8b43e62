#pragma once
// The settings side of the main window: the language, the settings lock,
// the model and setting controls, the numbering panel and the hidden
// engineering pages, bound to the station.

#include "app/station.h"
#include "window/language_dialog.h"
#include "window/language_store.h"
#include "window/main_form.h"

#include <memory>

namespace kestrelon {

class SettingsSide {
public:
    SettingsSide(TForm1& form, Station& station);
    ~SettingsSide();

    // Start-up step 12: the stored language, or the choice made in the
    // language dialog; then the captions.
    void LoadLanguage();
    // Connects the settings-side controls and draws them from the station.
    void Bind();

private:
    TForm1& form_;
    Station& st_;
    LanguageStore store_;
    std::unique_ptr<TForm2> dialog_;
};

} // namespace kestrelon
