#include "frontends/console/ConsoleLanguage.h"

#include <cstdlib>

#include "model/CoreText.h"

namespace qv::console {
namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::optional<Language> languageNamed(std::string_view name) {
    if (name == "ja") return Language::Japanese;
    if (name == "en") return Language::English;
    return std::nullopt;
}

Language chooseLanguage(const LanguageSources& sources) {
    if (std::optional<Language> chosen = languageNamed(sources.option)) return *chosen;
    if (std::optional<Language> chosen = languageNamed(sources.variable)) return *chosen;
    for (const std::string* locale : {&sources.lcAll, &sources.lcMessages, &sources.lang}) {
        if (locale->empty()) continue;
        return locale->starts_with("ja") ? Language::Japanese : Language::English;
    }
    return Language::English;
}

Language languageFromEnvironment(const std::string& option) {
    return chooseLanguage({option, environmentValue("QUORVANE_LANG"), environmentValue("LC_ALL"),
                           environmentValue("LC_MESSAGES"), environmentValue("LANG")});
}

std::string shownLine(Language language, std::string_view utf8Line) {
    if (language == Language::Japanese) return std::string(utf8Line);
    return englishCoreLine(utf8Line, EnglishForm::Ascii);
}

}  // namespace qv::console
