// The nickname dialog, from the settings menu and before a request that carries this
// PC's identity (relay/Identity.h) while no nickname is set.
//
// Threads: window thread only (the dialog is modal and pumps).
#pragma once

namespace qv {

class Program;

// The nickname dialog: on OK stores the value, cut to 12 bytes, as NICNAME. The
// current-settings text follows either way.
void runNicknameDialog(Program& program);

// Opens the nickname dialog when NICNAME is empty (before a request that carries the
// identity).
void askNicknameIfMissing(Program& program);

}  // namespace qv
