// The encrypted mode in the settings menu and in the texts that describe the
// security settings: the menu item that turns SECURE on and off, the line of the
// current-settings text, and the pairing code that the key dialog offers.
//
// Threads: window thread (newPairingCode: any thread).
#pragma once

#include <functional>
#include <string>

namespace qv {

class ConfigStore;

// The menu item's text (cp932).
const std::string& secureModeItemText();

// Turns SECURE on (only while a security key is set and this build can run the mode;
// otherwise a message says why and nothing changes) or off. `show` tells the user what
// changed. True when SECURE was changed.
bool toggleSecureMode(ConfigStore& settings, const std::function<void(const std::string&)>& show);

// The current-settings text's line about protection (cp932); empty while neither a
// key nor the encrypted mode is set, so that the text stays as it was for them.
std::string protectionLine(const ConfigStore& settings);

// 140 random bits from the system's generator, written as 28 letters and digits in
// groups of four that are easy to read out and type ("7KQ2-M9XD-..."), for a
// security key that cannot be guessed.
std::string newPairingCode();

}  // namespace qv
