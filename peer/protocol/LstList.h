// LST lists: the payload of a SEND-REQ named "** LST **", with which a sender asks
// the receiver which files it already holds, and the receiver's answer.
//
// Each line is "%s\t%d\t%s\t%s\t" (name, size, created, written and the empty text
// after the last tab: exactly five tab-separated fields). Lines end with "\r\n" or
// "\n"; empty lines are skipped. The answer holds one "1" (held) or "0" (needed) per
// non-empty line, with no separator and no terminator. The lines are read as the
// lists of ListPayload.h are.
//
// Pure functions; callable from any thread. The callback of answerLstList runs on the
// caller's thread, once per line in order; it may not keep the entry it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct LstEntry {
    std::string name;  // as sent: relative path or name with extension
    std::int64_t size = 0;
    std::string created;  // creation time text
    std::string written;  // last-write time text
};

// True when the text can travel as one field of a line: no 0 byte, no tab, "\r" or
// "\n" outside a two-byte character, and no lead byte without its second byte at the
// end. A name that does not fit would make the receiver refuse the whole list.
bool fitsLstField(std::string_view text);

// One line of a list, "\n" included.
std::string lstLine(std::string_view name, std::int64_t size, std::string_view created,
                    std::string_view written);

// The entries of a list, or nothing when a non-empty line has not exactly five
// fields. The list is a text: it ends at its first 0 byte.
std::optional<std::vector<LstEntry>> parseLstList(std::string_view payload);

// The answer to a list: for each entry in order "1" when `holds` says the receiver
// already has that file, else "0". Nothing (no answer at all) when the list is
// malformed; `holds` is then never called, so a refused list changes nothing. The
// payload is read in place, twice (checked whole, then answered): beside the answer,
// one byte a line, the walk keeps only the one entry it fills for every line.
std::optional<std::string> answerLstList(std::string_view payload,
                                         const std::function<bool(const LstEntry&)>& holds);

}  // namespace qv
