// The chat of the main window: the line formats of sent and received chat lines and
// the two chat sounds. The sending command is in ui/CheckAndChatCommands.h; the receiving
// side is the listener's CHAT-REQ handler.
//
// Threads: formatChatLine is pure; playChatSound may be called from any thread (the
// sound plays on the window thread at the next refresh).
#pragma once

#include <string>
#include <string_view>

namespace qv {

struct Services;

// One chat line of the lower pane: sent ("→" as `direction`):
// "[hhmmss]→name◇...(message)\r\n" with the peer's name cut to 10 bytes (or its
// address cut to 6); received (empty `direction`): "[hhmmss]%-12s◆message\r\n" with
// the name (or the address) cut to 12 bytes. `hhmmss` is the local time.
std::string formatChatLine(std::string_view direction, std::string_view message,
                           std::string_view peerText, std::string_view hhmmss);

// The time part of the program's local time as six digits.
std::string chatTime(Services& services);

// Plays the first-line sound (the pane does not show the chat yet) or the next-line
// sound unless SOUND is 0.
void playChatSound(Services& services, bool chatShown);

// Shows a chat line in the lower pane: the first line of a chat (flag 0) replaces the
// pane with `opening` and sets the flag; then the line is put in front.
void showChatLine(Services& services, const std::string& opening, const std::string& line);

}  // namespace qv
