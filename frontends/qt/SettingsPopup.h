// The popup menu of the "各種設定" button: the items of the settings menu in menu
// order, grouped into the submenus of the dialog ("負荷モード選択", "MD5チェック選択",
// ...). The items and what they do belong to ui/SettingsMenu; this file only arranges
// them, marks the choice each submenu currently holds, and adds the window's language
// submenu.
//
// Threads: window thread only.
#pragma once

#include <QMenu>
#include <memory>
#include <optional>
#include <string>

#include "frontends/qt/Translations.h"

namespace qv {
class ConfigStore;
class Program;
}  // namespace qv

namespace qv::desktop {

// Builds the menu; every leaf action's data is its item text (cp932, as a QByteArray);
// the items that stand for the current value of `settings` are checked.
std::unique_ptr<QMenu> buildSettingsMenu(QWidget* parent, const ConfigStore& settings);

// The language an action of the language submenu chooses (nothing for other actions).
std::optional<Language> chosenLanguage(const QAction* action);

// What choosing `action` does (null: the menu was closed without a choice): the item
// runs, then the current-settings text is shown in either case.
void runSettingsChoice(Program& program, const QAction* action);

}  // namespace qv::desktop
