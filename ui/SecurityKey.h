// The security key of a running program: the effective sub key (the SEC_SUB_KEY
// template with the date placeholders filled in), the connection keys derived from
// it, and the logic of the two settings commands "セキュリティーKeyの設定" and
// "セキュリティーSubKeyの設定".
//
// Templates that begin with "[起動時のみ]" keep the sub key computed at start-up or
// after the last OK in a dialog; any other template follows the clock, and the sub
// key is computed again before each connection key.
//
// Threads: SecurityKey may be used from any thread (the window thread computes the
// sub key, the listener and the client derive connection keys); it guards its own
// state. The command functions run on the window thread; their callbacks are the
// window's dialogs and may not call back into the SecurityKey.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "peer/protocol/ConnectionKey.h"

namespace qv {

// The settings behind the key, as read from the store.
struct SecuritySettings {
    std::string key;                         // SEC_KEY; empty: nothing is scrambled
    std::string subKeyTemplate;              // SEC_SUB_KEY
    std::int64_t keySize = kDefaultKeySize;  // SEC_KEY_SIZE as read (atol)
    bool encrypted = false;                  // SECURE: TLS instead of the scrambling
};

// The longest effective sub key, in bytes; a longer template is cut on a character
// boundary.
inline constexpr std::size_t kMaxSubKey = 999;

// The template with "YYYY", "MM", "DD", "hh", "mm" and "ss" replaced, in that order,
// at every occurrence (case-sensitive) by the parts of `now`; empty when `key` is
// empty.
std::string effectiveSubKey(std::string_view key, std::string_view subKeyTemplate,
                            const std::tm& now);

// False when the template begins with "[起動時のみ]" (computed at start-up only).
bool subKeyFollowsClock(std::string_view subKeyTemplate);

class SecurityKey {
  public:
    // Computes the effective sub key now (start-up, and after OK in either dialog).
    void computeSubKey(const SecuritySettings& settings, const std::tm& now);
    std::string subKey() const;

    // The key of a new connection; a sub key that follows the clock is computed
    // again first. Deriving a large key costs much (see ConnectionKey.h), so the key
    // last derived is kept and copied while its key, sub key and size stay the same.
    ConnectionKey deriveConnectionKey(const SecuritySettings& settings, const std::tm& now);
    // How many keys were derived so far; every other connection got a copy.
    std::uint64_t derivations() const;

  private:
    struct DerivedKey {
        std::string key, subKey;
        std::int64_t size = 0;
        ConnectionKey derived;
    };

    mutable std::mutex mutex_;
    std::string subKey_;
    mutable std::mutex derivedMutex_;
    DerivedKey lastDerived_;
    std::uint64_t derivations_ = 0;
};

// The window's input dialog: caption, explanation, value in and out; true on OK.
using InputDialog = std::function<bool(const std::string& caption, const std::string& explanation,
                                       std::string& value)>;
// A message to the user.
using ShowMessage = std::function<void(const std::string& text)>;

// The security key command: asks for SEC_KEY (offering a new pairing code while none
// is set, and saying what the key protects in the mode that is set); on OK stores it in `settings`
// and computes the sub key again. True when OK was pressed (the caller then writes SEC_KEY to the
// store). The current-settings text that follows is the caller's. Both commands refuse, with a
// message and nothing changed, a value that begins with a blank: the settings file would give it
// back without it.
bool runSecurityKeyCommand(SecurityKey& security, SecuritySettings& settings, const std::tm& now,
                           const InputDialog& ask, const ShowMessage& show);

// The SubKey command: refuses with "最初にKey1を設定してください" while SEC_KEY is
// empty; otherwise asks for SEC_SUB_KEY and on OK stores it in `settings` and
// computes the sub key again. True when a new template was stored.
bool runSubKeyCommand(SecurityKey& security, SecuritySettings& settings, const std::tm& now,
                      const InputDialog& ask, const ShowMessage& show);

}  // namespace qv
