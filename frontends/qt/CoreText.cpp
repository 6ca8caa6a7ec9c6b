#include "frontends/qt/CoreText.h"

#include <cstring>

#include "model/CoreText.h"

namespace qv::desktop {
namespace {

class CoreTableTranslator final : public QTranslator {
  public:
    QString translate(const char* context, const char* source, const char* = nullptr,
                      int = -1) const override {
        if (context == nullptr || source == nullptr || std::strcmp(context, "Core") != 0) return {};
        const char* english = englishOfWholeText(source);
        return english != nullptr ? QString::fromUtf8(english) : QString();
    }
    bool isEmpty() const override { return false; }
};

}  // namespace

QString translateCoreLine(const QString& line) {
    return QString::fromStdString(englishCoreLine(line.toStdString()));
}

const std::vector<const char*>& coreLinePatterns() {
    static const std::vector<const char*> patterns = [] {
        std::vector<const char*> sources;
        for (const CoreTextEntry& entry : coreTextTable()) {
            if (isCoreTextPattern(entry.japanese)) sources.push_back(entry.japanese);
        }
        return sources;
    }();
    return patterns;
}

std::unique_ptr<QTranslator> makeCoreTranslator() {
    return std::make_unique<CoreTableTranslator>();
}

}  // namespace qv::desktop
