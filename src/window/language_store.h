#pragma once
// The operator's language, kept per user in Qt's settings under organisation
// "KESTRELON", application "RF_BIND", value "LngSection": the registry key
// Software\KESTRELON\RF_BIND on Windows, $XDG_CONFIG_HOME/KESTRELON/RF_BIND.conf
// (group General) on Linux.

#include "model/lang.h"

#include <QString>

#include <functional>
#include <optional>

namespace kestrelon {

class LanguageStore {
public:
    LanguageStore();
    // The same value kept in an INI file of one's own choosing.
    explicit LanguageStore(const QString& iniFile);

    // The stored choice. Nothing stored, a value that is no language name or
    // not text, and a file that cannot be read all give no choice.
    std::optional<TLanguateKind> Load() const;
    // Stores the exact name ("lkEng", "lkCht", "lkChs"). A failure is
    // reported once per store, through `report`; the language chosen stays
    // in effect either way.
    bool Save(TLanguateKind language);

    // Where failures are told (standard error unless replaced).
    std::function<void(const QString&)> report;

private:
    QString file_;   // empty: the per-user settings
    bool reported_ = false;
};

// The system's ANSI code page: GetACP on Windows, elsewhere a guess from the
// locale.
int SystemCodePage();

// LoadLanguage without the window: the stored choice, or else the one made
// with `ask` (given the item to start with, it returns the item chosen),
// which is then stored.
TLanguateKind LoadLanguage(LanguageStore& store, const std::function<int(int preselected)>& ask, int codePage);

} // namespace kestrelon
