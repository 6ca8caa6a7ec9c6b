// The end of a file receive, reached once the payload is complete: the memory payload of a
// SEND-REQ, or the resume file of a SEND-R-REQ. Each checks the length and, with MD5 on, the
// digest, then stores what arrived (memory) or renames the resume file to its name (file), logs the
// outcome and closes the slot; only a stored resumable file is answered "OK".
//
// Threads: the listener thread (see ServeContext.h). A Pack is stored, and a resume
// file whose digest is checked is verified and renamed, by the store beside the
// listener (StoreAside.h); the other digests and writes run inside the call and hold
// up the other connections meanwhile.
#pragma once

#include <string_view>

#include "peer/server/ReceiveSettings.h"
#include "peer/server/ServeContext.h"

namespace qv {

// Finishes the payload once it holds at least the expected size; until then the slot
// goes on receiving.
void finishIfComplete(ServeContext& context, ReceivingIntoMemory& memory);
void finishIfComplete(ServeContext& context, ReceivingIntoFile& receiving);

// The memory receive buffer holds at least the expected size (a discarding one, of a
// file skipped at its request, only closes the connection).
void finishMemoryTransfer(ServeContext& context, ReceivingIntoMemory& memory);

// The resume file holds at least the expected size. With `digestVerified` the digest
// was already compared (a resume file found complete when the request came).
void finishFileTransfer(ServeContext& context, ReceivingIntoFile& receiving,
                        bool digestVerified = false);

// Renames the complete resume file to the prepared name: the name itself; with
// OVERWRITE 1 or more, or `replaceOutdated` (an LST check marked the file there to be
// replaced), replacing a file there; else the first free of "(0)name" to "(99)name".
// False, with the resume file kept, when no name could be used.
bool commitResumeFile(const ReceiveSettings& settings, std::string_view resumePath,
                      std::string_view preparedName, bool replaceOutdated = false);

}  // namespace qv
