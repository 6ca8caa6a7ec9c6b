// Who this installation is to its peers: the identity text (nickname, "@" and six
// characters derived from the nickname and PUBLIC_KEY) carried by the test, chat,
// public-list, receive and PortN requests, the scrambler it is derived with, and the
// nickname dialog.
//
// Threads: identity functions from any thread (the store serialises itself); the
// nickname dialog on the window thread.
#pragma once

#include <string>
#include <string_view>

namespace qv {

class Program;

// The text scrambler: each byte of `text` gets the next byte of the (doubled) MD5
// digest text of the product word and `text` added; every 32 bytes the key bytes are
// doubled again; the result is Base64-encoded.
std::string scrambleText(std::string_view text);

// "%s@%s" of NICNAME and the first six characters of the scrambled
// "NICNAME#PUBLIC_KEY"; creates PUBLIC_KEY first when it is empty.
std::string ownIdentity(Program& program);

// The nickname dialog: on OK stores the value, cut to 12 bytes, as NICNAME. The
// current-settings text follows either way.
void runNicknameDialog(Program& program);

// Opens the nickname dialog when NICNAME is empty (before a request that carries the
// identity).
void askNicknameIfMissing(Program& program);

}  // namespace qv
