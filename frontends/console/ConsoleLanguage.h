// The console's language: Japanese (the program's texts as written) or English (each
// shown line through the core's table, model/CoreText.h). `--lang ja|en` decides,
// else the variable QUORVANE_LANG (`ja` or `en`), else the locale named by the first
// non-empty of LC_ALL, LC_MESSAGES and LANG: Japanese for a name that begins with
// "ja", English for every other one, "C" and "POSIX" included, whether or not that
// locale is installed. Only what is shown changes: the wire, the INI file and the
// peer see the same bytes in both languages.
//
// Threads: pure functions, except languageFromEnvironment (reads the environment);
// any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv::console {

enum class Language { Japanese, English };

// "ja" or "en"; nothing for any other text.
std::optional<Language> languageNamed(std::string_view name);

// What the choice is made from; empty texts count as not set.
struct LanguageSources {
    std::string option;      // --lang
    std::string variable;    // QUORVANE_LANG
    std::string lcAll;       // LC_ALL
    std::string lcMessages;  // LC_MESSAGES
    std::string lang;        // LANG
};

Language chooseLanguage(const LanguageSources& sources);

// The sources from the process's environment, with `option` from the command line.
Language languageFromEnvironment(const std::string& option);

// A line of the program's core (UTF-8, without its line end) as the console shows it
// in `language`: the table's English in ASCII typography, or the line as it is.
std::string shownLine(Language language, std::string_view utf8Line);

}  // namespace qv::console
