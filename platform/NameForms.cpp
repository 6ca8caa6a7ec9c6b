#include "platform/NameForms.h"

#include <array>
#include <utility>

namespace qv {
namespace {

struct FormPair {
    std::string_view other;
    std::string_view windows;
};

constexpr std::array<FormPair, 7> kForms = {{
    {"\u301C", "\uFF5E"},  // wave dash, full-width tilde
    {"\u2212", "\uFF0D"},  // minus sign, full-width hyphen-minus
    {"\u2016", "\u2225"},  // double vertical line, parallel to
    {"\u2014", "\u2015"},  // em dash, horizontal bar
    {"\u00A2", "\uFFE0"},  // cent sign
    {"\u00A3", "\uFFE1"},  // pound sign
    {"\u00AC", "\uFFE2"},  // not sign
}};

// `text` with every `from` replaced by `to`.
std::string replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

std::string windowsForms(std::string_view utf8) {
    std::string text(utf8);
    for (const FormPair& form : kForms)
        text = replaced(std::move(text), form.other, form.windows);
    return text;
}

std::string otherForms(std::string_view utf8) {
    std::string text(utf8);
    for (const FormPair& form : kForms)
        text = replaced(std::move(text), form.windows, form.other);
    return text;
}

bool hasWindowsForms(std::string_view utf8) {
    for (const FormPair& form : kForms)
        if (utf8.find(form.windows) != std::string_view::npos) return true;
    return false;
}

}  // namespace qv
