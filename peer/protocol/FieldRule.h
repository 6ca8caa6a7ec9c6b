// Field rules: the short texts with which a receiver checks the fields of a request
// before it acts on them. A request whose fields fail its rule is refused silently.
//
// A rule is a list of entries separated by ","; entry i governs field i:
//
//   "n<5"   at most 5 bytes, all ASCII digits (an empty field passes)
//   "h=32"  exactly 32 bytes, each a hex digit (either case) or a space
//   "d=19"  exactly 19 bytes, a time "YYYY/MM/DD hh:mm:ss" with year 1900-2100, month
//           1-12, day 1-31, hour 0-24, minute and second 0-60
//   "s<20"  at most 20 bytes, any content (so is every other letter)
//   ""      an empty entry (after a trailing ","): only an empty field passes
//
// The letter sets the content check, the second character "=" asks for exactly the
// length that follows from the third character, anything else for at most that
// length. A request with fewer fields than the rule has entries fails; fields beyond
// the last entry are not checked. Bytes of 0x80 and above are never digits.
//
// Pure functions and constants; callable from any thread.
#pragma once

#include <string_view>

#include "peer/protocol/RequestKind.h"
#include "peer/protocol/RequestLine.h"

namespace qv {

// TEST-REQ, CHAT-REQ, PUB1-REQ: port and identity.
inline constexpr std::string_view kPeerRule = "n<5,s<20";
// RECV-REQ: port, buffer size, buffer list, five flags, resume size limit, identity.
inline constexpr std::string_view kRecvRequestRule = "n<5,n<6,s<100,n=1,n=1,n=1,n=1,n=1,n<10,s<20";
// SEND-REQ of five fields: the trailing empty entry asks for an empty sixth field.
inline constexpr std::string_view kSendRule = "s<900,n<10,h=32,d=19,d=19,";
// SEND-REQ of seven fields: also the sender's port and identity.
inline constexpr std::string_view kSendWithSenderRule = "s<900,n<10,h=32,d=19,d=19,n<5,s<20";
// SEND-R-REQ.
inline constexpr std::string_view kSendResumeRule = "s<900,n<10,h=32,d=19,d=19";
// The header of a Pack record: name, size, created, written.
inline constexpr std::string_view kPackRecordRule = "s<900,n<10,d=19,d=19";

// True when the fields pass the rule. An empty rule passes everything.
bool checkFields(const RequestFields& fields, std::string_view rule);

// The rule a receiver applies to a request of this kind: for SEND-REQ the 5-field
// rule when field 6 is empty, else the 7-field one. Empty for the kinds that have no
// rule (RECV-ANS, DATA-REQ, PORTN-REQ, Unknown).
std::string_view fieldRuleFor(RequestKind kind, const RequestFields& fields);

}  // namespace qv
