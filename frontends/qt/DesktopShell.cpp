#include "frontends/qt/DesktopShell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>
#include <cstring>

#include "frontends/qt/QtText.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv::desktop {
namespace {

bool isWebAddress(const std::string& target) {
    return target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0;
}

}  // namespace

bool openWithDesktop(const std::string& target) {
    std::string systemForm;
    if (isWebAddress(target)) {
        systemForm = target;
    } else {
        std::optional<std::string> path = toSystemPath(target);
        if (!path) return false;
        systemForm = *path;
    }
    QUrl url = isWebAddress(target) ? QUrl(QString::fromStdString(systemForm))
                                    : QUrl::fromLocalFile(QString::fromStdString(systemForm));
    return QDesktopServices::openUrl(url);
}

SoundPlayer::SoundPlayer(std::function<void()> fallback) : fallback_(std::move(fallback)) {
    if (!fallback_) fallback_ = [] { QApplication::beep(); };
}
SoundPlayer::~SoundPlayer() = default;

void SoundPlayer::play(const std::string& cp932Path) {
    auto found = effects_.find(cp932Path);
    if (found == effects_.end()) {
        std::optional<std::string> path = toSystemPath(cp932Path);
        if (!path || !QFileInfo::exists(QString::fromStdString(*path))) {
            fallback_();
            return;
        }
        auto effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(QString::fromStdString(*path)));
        found = effects_.emplace(cp932Path, std::move(effect)).first;
    }
    found->second->play();
}

}  // namespace qv::desktop

extern "C" int GetOpenFolderName(void* owner, const char* initialFolder, char* out, int outSize,
                                 const char* prompt) {
    using namespace qv;
    if (!out || outSize < 1) return 2;
    QString caption = desktop::fromCp932(prompt ? prompt : J("フォルダを選択してください"));
    QString start;
    if (initialFolder && *initialFolder) {
        if (std::optional<std::string> path = toSystemPath(initialFolder))
            start = QString::fromStdString(*path);
    }
    QString chosen = QFileDialog::getExistingDirectory(static_cast<QWidget*>(owner), caption, start,
                                                       QFileDialog::ShowDirsOnly);
    std::string cp932;
    if (chosen.isEmpty() || !desktop::pathToCp932(chosen, cp932)) return 2;
    std::size_t length = std::min(cp932.size(), static_cast<std::size_t>(outSize) - 1);
    std::memcpy(out, cp932.data(), length);
    out[length] = '\0';
    return 1;
}
