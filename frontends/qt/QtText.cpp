#include "frontends/qt/QtText.h"

#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv::desktop {

QString fromCp932(const std::string& cp932) {
    return QString::fromStdString(cp932ToUtf8Lossy(cp932));
}

QString displayText(const std::string& cp932) {
    QString text = fromCp932(cp932);
    text.remove(QLatin1Char('\r'));
    return text;
}

std::string toCp932(const QString& text) {
    return utf8ToCp932Lossy(text.toStdString());
}

bool pathToCp932(const QString& path, std::string& cp932) {
    std::optional<std::string> converted = fromSystemName(path.toStdString());
    if (!converted) return false;
    cp932 = *converted;
    return true;
}

QString sizeText(std::int64_t bytes) {
    constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1000) return QStringLiteral("%1 B").arg(bytes);
    double value = static_cast<double>(bytes) / 1000;
    int unit = 0;
    while (value >= 1000 && unit < 3) {
        value /= 1000;
        ++unit;
    }
    int decimals = value < 10 ? 2 : value < 100 ? 1 : 0;
    return QStringLiteral("%1 %2").arg(value, 0, 'f', decimals).arg(QLatin1String(kUnits[unit]));
}

}  // namespace qv::desktop
