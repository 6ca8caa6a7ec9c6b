#include "frontends/qt/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QStringList>
#include <QTranslator>
#include <memory>

#include "frontends/qt/CoreText.h"
#include "frontends/qt/QtText.h"

namespace qv::desktop {
namespace {

struct Installed {
    std::unique_ptr<QTranslator> translator;
    std::unique_ptr<QTranslator> coreTable;  // the core's texts, in English only
    Language language = Language::Japanese;
};

Installed& installed() {
    static Installed state;
    return state;
}

// The window's own choice lives apart from the program's INI file, which stays as
// the peer-compatible settings file.
QSettings windowSettings() {
    return QSettings(QStringLiteral("Quorvane"), QStringLiteral("desktop"));
}

const QString kLanguageKey = QStringLiteral("language");

}  // namespace

Language languageForLocale(const QLocale& locale) {
    if (locale.language() == QLocale::Japanese || locale.language() == QLocale::C)
        return Language::Japanese;
    return Language::English;
}

bool useLanguage(Language language) {
    Installed& state = installed();
    if (state.translator) QCoreApplication::removeTranslator(state.translator.get());
    if (state.coreTable) QCoreApplication::removeTranslator(state.coreTable.get());
    state.coreTable.reset();
    state.translator = std::make_unique<QTranslator>();
    state.language = language;
    bool loaded = language == Language::Japanese
                      ? state.translator->load(QStringLiteral("qtbase_ja"),
                                               QLibraryInfo::path(QLibraryInfo::TranslationsPath))
                      : state.translator->load(QStringLiteral(":/i18n/quorvane_en.qm"));
    if (loaded) QCoreApplication::installTranslator(state.translator.get());
    if (loaded && language == Language::English) {
        state.coreTable = makeCoreTranslator();
        QCoreApplication::installTranslator(state.coreTable.get());
    }
    return loaded;
}

Language currentLanguage() {
    return installed().language;
}

Language savedLanguage() {
    QString saved = windowSettings().value(kLanguageKey).toString();
    if (saved == QLatin1String("en")) return Language::English;
    if (saved == QLatin1String("ja")) return Language::Japanese;
    return languageForLocale(QLocale::system());
}

void saveLanguage(Language language) {
    windowSettings().setValue(
        kLanguageKey, language == Language::English ? QStringLiteral("en") : QStringLiteral("ja"));
}

QString uiText(const char* context, const char* source) {
    return QCoreApplication::translate(context, source);
}

QString coreText(const std::string& cp932) {
    QString text = displayText(cp932);
    if (currentLanguage() == Language::Japanese) return text;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = translateCoreLine(line);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace qv::desktop
