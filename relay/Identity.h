// Who this installation is to its peers: the identity text (nickname, "@" and six
// characters derived from the nickname and PUBLIC_KEY) carried by the test, chat,
// public-list, receive and PortN requests, and the scrambler it is derived with.
//
// Threads: any thread (the store serialises itself).
#pragma once

#include <string>
#include <string_view>

namespace qv {

struct Services;

// The text scrambler: each byte of `text` gets the next byte of the (doubled) MD5
// digest text of the product word and `text` added; every 32 bytes the key bytes are
// doubled again; the result is Base64-encoded.
std::string scrambleText(std::string_view text);

// "%s@%s" of NICNAME and the first six characters of the scrambled
// "NICNAME#PUBLIC_KEY"; creates PUBLIC_KEY first when it is empty.
std::string ownIdentity(Services& services);

}  // namespace qv
