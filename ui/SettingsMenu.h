// The settings menu of the "各種設定" button: every item in menu order, what it
// stores, and the input dialogs behind some of them. After any item the
// current-settings text is shown.
//
// Threads: window thread.
#pragma once

#include <string>
#include <vector>

namespace qv {

class Program;

// The items' texts in menu order (leaf items; submenu titles are not items).
std::vector<std::string> settingsMenuItems();

// Runs the item with the cp932 `text`, then shows the current-settings text. False
// when no item has that text.
bool runSettingsMenuItem(Program& program, const std::string& text);

// The security key dialog (also opened at first start when the user chooses WAN).
void runSecurityKeyDialog(Program& program);

// A typed setting that begins with blanks would lose them in the settings file: they
// are dropped at once, and a message box says so.
void dropLeadingBlanks(Program& program, const char* key);

}  // namespace qv
