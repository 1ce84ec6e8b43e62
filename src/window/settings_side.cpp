#include "window/settings_side.h"

#include "window/captions.h"

#include "ui_main_form.h"

namespace kestrelon {

SettingsSide::SettingsSide(TForm1& form, Station& station) : form_(form), st_(station) {}

SettingsSide::~SettingsSide() = default;

void SettingsSide::LoadLanguage() {
    Language& language = st_.ui.language;
    const auto text = [&language](uint8_t id) { return language.text(id); };
    dialog_ = std::make_unique<TForm2>(form_.windowTitle());
    language.setCurLanguage(kestrelon::LoadLanguage(
        store_,
        [&](int preselected) {
            language.DialogShowing = true;
            const int chosen = dialog_->Ask(preselected);
            language.DialogShowing = false;
            return chosen;
        },
        SystemCodePage()));
    form_.ui().cbbLang->setCurrentIndex(language.CurLanguage());
    ApplyLanguage(form_, text, WindowTimers::on(st_.timers.tmrSoftBind),
                  language.CurLanguage());
    QObject::connect(&form_, &TForm1::languagePicked, &form_, [this, text](int index) {
        Language& language = st_.ui.language;
        language.setCurLanguage(static_cast<TLanguateKind>(index));
        ApplyLanguage(form_, text, WindowTimers::on(st_.timers.tmrSoftBind), language.CurLanguage());
        store_.Save(language.CurLanguage());
    });
}

void SettingsSide::Bind() {}

} // namespace kestrelon
