#include "frontends/qt/SettingsPopup.h"

#include <vector>

#include "frontends/qt/QtText.h"
#include "platform/TextCodec.h"
#include "ui/CurrentSettings.h"
#include "ui/SettingsMenu.h"

namespace qv::desktop {
namespace {

// The menu's shape: items before the first submenu stand alone; then each submenu
// takes the given number of the following items.
constexpr int kTopLevelItems = 8;
struct Submenu {
    const char* utf8Title;
    int items;
};
constexpr Submenu kSubmenus[] = {
    {"負荷モード選択", 3}, {"MD5チェック選択", 3},     {"ファイル書き込み選択", 5},
    {"転送モード選択", 3}, {"WAN/LANモードの選択", 2}, {"チャット機能設定", 4},
};

void addItem(QMenu& menu, const std::string& text) {
    QAction* action = menu.addAction(fromCp932(text));
    action->setData(QByteArray::fromStdString(text));
}

}  // namespace

std::unique_ptr<QMenu> buildSettingsMenu(QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    std::vector<std::string> items = settingsMenuItems();
    std::size_t next = 0;
    for (; next < items.size() && next < kTopLevelItems; ++next)
        addItem(*menu, items[next]);
    for (const Submenu& submenu : kSubmenus) {
        QMenu* sub = menu->addMenu(fromCp932(J(submenu.utf8Title)));
        for (int i = 0; i < submenu.items && next < items.size(); ++i, ++next)
            addItem(*sub, items[next]);
    }
    // Items that a later version adds beyond the known shape still show.
    for (; next < items.size(); ++next)
        addItem(*menu, items[next]);
    return menu;
}

void runSettingsChoice(Program& program, const QAction* action) {
    if (action && !action->data().isNull()) {
        runSettingsMenuItem(program, action->data().toByteArray().toStdString());
        return;
    }
    showCurrentSettings(program);
}

}  // namespace qv::desktop
