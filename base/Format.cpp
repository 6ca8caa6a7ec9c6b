#include "base/Format.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace qv {
std::string vstrprintf(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return std::string();
    std::string out(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string strprintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = vstrprintf(format, args);
    va_end(args);
    return out;
}

namespace {

// `value` with three figures (at least none after the point).
std::string threeFigures(double value) {
    int decimals = value < 9.995 ? 2 : value < 99.95 ? 1 : 0;
    return strprintf("%.*f", decimals, value);
}

}  // namespace

std::string byteSizeText(std::int64_t bytes) {
    constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1000)
        return strprintf("%lld B", static_cast<long long>(std::max<std::int64_t>(bytes, 0)));
    double value = static_cast<double>(bytes) / 1000;
    int unit = 0;
    while (value >= 999.5 && unit < 3) {
        value /= 1000;
        ++unit;
    }
    return threeFigures(value) + " " + kUnits[unit];
}

std::string rateText(std::int64_t bytesPerSecond) {
    double megabits = static_cast<double>(std::max<std::int64_t>(bytesPerSecond, 0)) * 8 / 1e6;
    return byteSizeText(bytesPerSecond) + "/s (" + threeFigures(megabits) + " Mbit/s)";
}

}  // namespace qv
