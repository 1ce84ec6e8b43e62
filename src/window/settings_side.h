#pragma once
// The settings side of the main window: the language (load, store, the
// captions), the settings lock, the model and every setting control, the
// numbering panel and the engineering pages, each bound to the Station's
// presentation model and handlers. The window's start-up calls
// LoadLanguage at its language step and Bind before the model is applied.

#include "model/observed.h"
#include "window/engineering_binding.h"
#include "window/language_store.h"
#include "window/numbering_binding.h"

#include <memory>
#include <vector>

namespace kestrelon {

class Station;
class TForm1;
class TForm2;

class SettingsSide {
public:
    SettingsSide(TForm1& form, Station& station);
    ~SettingsSide();
    SettingsSide(const SettingsSide&) = delete;
    SettingsSide& operator=(const SettingsSide&) = delete;

    // The stored language, or the language dialog (TForm2, carrying the
    // window's title) when none is stored; then the language box and the
    // captions.
    void LoadLanguage();
    // Connects every control of the settings side and draws them from the
    // presentation model.
    void Bind();

    // The captions of the current language (the pairing button keeps its
    // "Connecting" text while a pairing runs).
    void ApplyLanguage();
    // Stores the current language; a failure is reported once.
    void SaveLanguage();
    // The operator picked a language.
    void cbbLangChange(int itemIndex);

private:
    void connectOptions();
    void drawOptions();
    void drawModel();
    void drawLock();

    TForm1& form_;
    Station& st_;
    LanguageStore store_;
    std::unique_ptr<TForm2> dialog_;
    NumberingBinding numbering_;
    EngineeringBinding engineering_;
    int modelShown_ = -1;
    int sleepShown_, wakeupShown_;   // the spin values the period labels were made for
    std::vector<Notifier::Connection> listeners_;
};

} // namespace kestrelon
