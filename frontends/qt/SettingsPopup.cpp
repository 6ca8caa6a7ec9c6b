#include "frontends/qt/SettingsPopup.h"

#include <optional>
#include <utility>
#include <vector>

#include "app/SettingsCatalogue.h"
#include "base/ConfigStore.h"
#include "frontends/qt/QtText.h"
#include "platform/TextCodec.h"
#include "ui/CurrentSettings.h"
#include "ui/SecureModeCommand.h"
#include "ui/SettingsMenu.h"

namespace qv::desktop {
namespace {

// The menu's shape: items before the first submenu stand alone; then each submenu
// takes the given number of the following items.
constexpr int kTopLevelItems = 9;
struct Submenu {
    const char* utf8Title;
    int items;
};
constexpr Submenu kSubmenus[] = {
    {"負荷モード選択", 3}, {"MD5チェック選択", 3},     {"ファイル書き込み選択", 5},
    {"転送モード選択", 3}, {"WAN/LANモードの選択", 2}, {"チャット機能設定", 4},
};

// The choices that store one value: checked while the setting holds it.
struct Choice {
    const char* utf8Text;
    const char* key;
    long long value;
};
constexpr Choice kChoices[] = {
    {"負荷(Low)", setting::kLow, 1},
    {"負荷(High)", setting::kLow, 0},
    {"MD5Checkする", setting::kMd5, 1},
    {"MD5Checkしない", setting::kMd5, 0},
    {"FileMode(更新時上書き)", setting::kOverwrite, 2},
    {"FileMode(上書き)", setting::kOverwrite, 1},
    {"FileMode(改名)", setting::kOverwrite, 0},
    {"IP別にフォルダを作成する", setting::kMakeIpDir, 1},
    {"IP別にフォルダを作成しない", setting::kMakeIpDir, 0},
    {"Pack転送モード(小さいファイル向け)", setting::kNoResumeSend, 1},
    {"レジューム転送モード", setting::kNoResumeSend, 0},
    {"自動選択(Pack or レジューム)", setting::kNoResumeSend, 2},
    {"WAN（グローバルIP表示）", setting::kWan, 1},
    {"LAN （ローカルIP表示）", setting::kWan, 0},
    {"チャット機能を利用する", setting::kChat, 1},
    {"チャット機能を利用しない", setting::kChat, 0},
    {"音あり", setting::kSound, 1},
    {"音なし", setting::kSound, 0},
};
const char* const kCustomLoad = "負荷(任意設定)";
const char* const kLanguageProperty = "quorvaneLanguage";

// Checked, unchecked, or nothing for an item that is a command rather than a choice.
std::optional<bool> isCurrent(const ConfigStore& settings, const std::string& text) {
    for (const Choice& choice : kChoices) {
        if (text == J(choice.utf8Text)) return settings.getNumber(choice.key) == choice.value;
    }
    if (text == secureModeItemText()) return settings.getNumber(setting::kSecure) == 1;
    if (text == J(kCustomLoad)) {
        std::int64_t load = settings.getNumber(setting::kLow);
        return load != 0 && load != 1;
    }
    return std::nullopt;
}

void addItem(QMenu& menu, const std::string& text, const ConfigStore& settings) {
    QAction* action = menu.addAction(coreText(text));
    action->setData(QByteArray::fromStdString(text));
    if (std::optional<bool> current = isCurrent(settings, text)) {
        action->setCheckable(true);
        action->setChecked(*current);
    }
}

void addLanguageMenu(QMenu& menu) {
    QMenu* languages = menu.addMenu(uiText("SettingsMenu", "表示言語 (Language)"));
    const std::pair<Language, QString> kLanguages[] = {
        {Language::Japanese, QStringLiteral("日本語")},
        {Language::English, QStringLiteral("English")},
    };
    for (const auto& [language, name] : kLanguages) {
        QAction* action = languages->addAction(name);
        action->setCheckable(true);
        action->setChecked(currentLanguage() == language);
        action->setProperty(kLanguageProperty, static_cast<int>(language));
    }
}

}  // namespace

std::unique_ptr<QMenu> buildSettingsMenu(QWidget* parent, const ConfigStore& settings) {
    auto menu = std::make_unique<QMenu>(parent);
    std::vector<std::string> items = settingsMenuItems();
    std::size_t next = 0;
    for (; next < items.size() && next < kTopLevelItems; ++next)
        addItem(*menu, items[next], settings);
    for (const Submenu& submenu : kSubmenus) {
        QMenu* sub = menu->addMenu(uiText("SettingsMenu", submenu.utf8Title));
        for (int i = 0; i < submenu.items && next < items.size(); ++i, ++next)
            addItem(*sub, items[next], settings);
    }
    // Items that a later version adds beyond the known shape still show.
    for (; next < items.size(); ++next)
        addItem(*menu, items[next], settings);
    addLanguageMenu(*menu);
    return menu;
}

std::optional<Language> chosenLanguage(const QAction* action) {
    if (!action) return std::nullopt;
    QVariant language = action->property(kLanguageProperty);
    if (!language.isValid()) return std::nullopt;
    return static_cast<Language>(language.toInt());
}

void runSettingsChoice(Program& program, const QAction* action) {
    if (action && !action->data().isNull()) {
        runSettingsMenuItem(program, action->data().toByteArray().toStdString());
        return;
    }
    showCurrentSettings(program);
}

}  // namespace qv::desktop
