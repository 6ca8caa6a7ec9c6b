// The request handlers of the file receive: SEND-REQ (a file, Pack, LST list or
// public list whose payload is collected in memory) and SEND-R-REQ (a file written
// straight into its ".tmp" resume file, continued where an earlier connection
// stopped).
//
// What the sending side sees:
//   SEND-REQ     no reply, except the LST answer for "** LST **" (one "0"/"1" per
//                listed file, sent before the close). A refused request is closed
//                silently; a skipped one too, but only once its payload has arrived
//                (it is dropped), so that the sender's send completes as for a stored
//                file. A list (LST or public list) over the bounds of ListPayload.h is
//                refused with a log line: announced as larger at once, with more lines
//                once complete.
//   SEND-R-REQ   first the offset reply: "%lld" and a 0 byte, the bytes of the file
//                that are already held (the length of the resume file "NAME.tmp"), or
//                the full size when the file is skipped or the resume file already
//                holds all of it (it is then verified and stored at once, and no "OK"
//                follows); then, after the data, "OK" when the file was stored. A
//                refusal (bad fields, a resume file that cannot be opened or that
//                another connection is writing) closes without any reply.
//
// Threads: the listener thread (see ServeContext.h).
#pragma once

#include <string>
#include <string_view>

#include "peer/server/ServeContext.h"

namespace qv {

// SEND-REQ: the slot goes on receiving into memory (or, for a file skipped at its
// request, into a buffer that drops what it takes).
void handleSendRequest(ServeContext& context);
// SEND-R-REQ: after the offset reply the slot goes on receiving into the resume file.
void handleSendResumeRequest(ServeContext& context);

// A payload block that could not be kept (no memory for the buffer, the resume file
// cannot be written: a full disk) of the file `fileName`: logs it and closes the slot.
// What the resume file held before stays, so the next attempt continues from there.
void refuseUnstorablePayload(ServeContext& context, const std::string& fileName);

// The log line of a list (named `name`) refused as larger than the bounds allow.
std::string oversizedListLine(std::string_view name);

}  // namespace qv
