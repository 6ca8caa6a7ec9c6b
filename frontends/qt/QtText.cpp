#include "frontends/qt/QtText.h"

#include "base/Format.h"
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
    return QString::fromStdString(byteSizeText(bytes));
}

}  // namespace qv::desktop
