#include "window/language_store.h"

#include "app/language_choice.h"

#include <QLocale>
#include <QSettings>

#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrelon {

namespace {

const QString kKey = QStringLiteral("LngSection");

std::unique_ptr<QSettings> Open(const QString& file) {
    if (file.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KESTRELON"),
                                           QStringLiteral("RF_BIND"));
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

} // namespace

LanguageStore::LanguageStore()
    : report([](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); }) {}

LanguageStore::LanguageStore(const QString& iniFile) : LanguageStore() { file_ = iniFile; }

std::optional<TLanguateKind> LanguageStore::Load() const {
    const auto s = Open(file_);
    if (s->status() != QSettings::NoError) return std::nullopt;
    const QVariant v = s->value(kKey);
    if (v.typeId() != QMetaType::QString) return std::nullopt;
    return ParseStoredLanguage(v.toString().toStdString());
}

bool LanguageStore::Save(TLanguateKind language) {
    const auto s = Open(file_);
    s->setValue(kKey, QString::fromLatin1(LanguageName(language)));
    s->sync();
    const bool ok = s->status() == QSettings::NoError;
    if (!ok && !reported_) {
        reported_ = true;
        if (report)
            report(QStringLiteral("The language could not be stored in %1; it stays in effect until the program ends.")
                       .arg(s->fileName()));
    }
    return ok;
}

int SystemCodePage() {
#ifdef _WIN32
    return static_cast<int>(GetACP());
#else
    return CodePageFromLocale(QLocale::system().name().toStdString());
#endif
}

TLanguateKind LoadLanguage(LanguageStore& store, const std::function<int(int)>& ask, int codePage) {
    if (const auto stored = store.Load()) return *stored;
    const int item = ask(LanguageItemForCodePage(codePage));
    const TLanguateKind language = item == 1 ? lkCht : item == 2 ? lkChs : lkEng;
    store.Save(language);
    return language;
}

} // namespace kestrelon
