#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>

namespace qv {
namespace {

// One conversion descriptor per direction and thread, opened on first use and reset
// before each conversion: opening one costs more than converting a file name.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (usable()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool usable() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t reset() {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

  private:
    iconv_t cd_;
};

enum class Direction { Cp932ToUtf8, Utf8ToCp932, Utf16leToCp932 };

Converter& converterFor(Direction direction) {
    thread_local Converter toUtf8("UTF-8", "CP932");
    thread_local Converter toCp932("CP932", "UTF-8");
    thread_local Converter fromUtf16("CP932", "UTF-16LE");
    switch (direction) {
        case Direction::Cp932ToUtf8:
            return toUtf8;
        case Direction::Utf8ToCp932:
            return toCp932;
        default:
            return fromUtf16;
    }
}

// ASCII reads the same in cp932 and UTF-8.
bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Converts with iconv. With `lossy`, an input sequence that cannot be converted is
// replaced by "?" (`unitSize` bytes skipped) instead of failing the conversion.
std::optional<std::string> convert(Direction direction, std::string_view in, bool lossy,
                                   std::size_t unitSize) {
    if (direction != Direction::Utf16leToCp932 && isAscii(in)) return std::string(in);
    Converter& converter = converterFor(direction);
    if (!converter.usable()) return std::nullopt;
    iconv_t cd = converter.reset();
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    std::size_t outUsed = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = out.data() + outUsed;
        std::size_t outLeft = out.size() - outUsed;
        std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        outUsed = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        if (!lossy) {
            ok = false;
            break;
        }
        // EILSEQ or EINVAL: skip one unit and put a question mark in its place.
        std::size_t skip = std::min(unitSize, inLeft);
        inPtr += skip;
        inLeft -= skip;
        if (outUsed + 1 > out.size()) out.resize(out.size() * 2);
        out[outUsed++] = '?';
    }
    if (!ok) return std::nullopt;
    out.resize(outUsed);
    return out;
}

}  // namespace

std::optional<std::string> cp932ToUtf8(std::string_view cp932) {
    return convert(Direction::Cp932ToUtf8, cp932, false, 1);
}

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
    return convert(Direction::Utf8ToCp932, utf8, false, 1);
}

std::string cp932ToUtf8Lossy(std::string_view cp932) {
    return convert(Direction::Cp932ToUtf8, cp932, true, 1).value_or(std::string());
}

std::string utf8ToCp932Lossy(std::string_view utf8) {
    return convert(Direction::Utf8ToCp932, utf8, true, 1).value_or(std::string());
}

std::string utf16leToCp932(std::string_view utf16le) {
    std::string_view even = utf16le.substr(0, utf16le.size() & ~std::size_t{1});
    return convert(Direction::Utf16leToCp932, even, true, 2).value_or(std::string());
}

}  // namespace qv
