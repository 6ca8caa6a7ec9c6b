// Splits arbitrary bytes with the separator lists the program uses and a few flags,
// and runs the wildcard search with a pattern taken from the input.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/TextList.h"
#include "base/Wildcard.h"

namespace {

constexpr std::array<std::string_view, 8> kSeparatorLists = {
    "|", "/; ;\t;:", "://;:;/", "?;&", "\\\\;//;\\;/", "\t;:;-; ", "\r\n;\n", ";",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int choice = data[0];
    const int flags = (data[1] & 0x3C);  // 4, 8, 16 and 32 in any combination
    std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    qv::TextList list("seed|items", "|");
    int count = list.split(text, kSeparatorLists[choice % kSeparatorLists.size()], flags);
    if (count != list.count()) __builtin_trap();
    for (int i = -count - 1; i <= count; ++i)
        (void)list.item(i);
    // The text itself as a separators list with a chosen delimiter.
    qv::TextList own(text, text.substr(0, 4), flags, static_cast<char>(choice & 0x7F));

    // The first line is the pattern, the rest the text.
    std::size_t cut = text.find('\n');
    std::string_view pattern = text.substr(0, cut);
    std::string_view subject = cut == std::string_view::npos ? "" : text.substr(cut + 1);
    qv::WildcardMatch match = qv::wildcardMatch(subject, pattern, choice & 0x0E);
    if (match.found() && static_cast<std::size_t>(match.position) + match.length > subject.size()) {
        __builtin_trap();
    }
    return 0;
}
