// The window's language: Japanese (the texts as written, with Qt's own Japanese
// translation so that its dialogs say 「はい」 and 「キャンセル」) or English (the
// window's English translation built into the program). The program's core texts
// (panes, messages, title) are translated only on their way into the widgets.
//
// Threads: window thread only (translators belong to the application).
#pragma once

#include <QLocale>
#include <QString>
#include <string>

namespace qv::desktop {

enum class Language { Japanese, English };

// Japanese for a Japanese locale and for the neutral "C" locale; English otherwise.
Language languageForLocale(const QLocale& locale);

// Installs the translators of `language`, replacing those of the previous call.
// False when a translation file could not be loaded (the texts then stay Japanese).
bool useLanguage(Language language);
Language currentLanguage();

// The language chosen in the window's menu last time, or the locale's.
Language savedLanguage();
void saveLanguage(Language language);

// A window text: `source` (UTF-8 Japanese) in the current language.
QString uiText(const char* context, const char* source);

// A text of the program's core (cp932, "\r\n" line ends) as the window shows it: in
// English, each line goes through the core's table (model/CoreText.h); the
// core's own text (what the wire, the INI file and the peer see) never changes.
QString coreText(const std::string& cp932);

}  // namespace qv::desktop
