// Request lines of the peer protocol: composing each kind for the sending side, and
// splitting the fields of a received line.
//
// A request is the kind's prefix, its fields joined by "|" (some kinds end with a
// "|", some do not), one 0 byte and, for SEND-REQ only, the payload. The composers
// return exactly those bytes, terminator included, ready to be scrambled and sent.
// Numbers are decimal without sign or padding; times are the 19-character local
// time texts "%Y/%m/%d %H:%M:%S" (timeTextFromFileTime gives them).
//
// Field texts are cp932 and must not hold a 0 byte or a single-byte "|", nor end
// with a lone lead byte (the receiver would end the line, split the field, or join
// it with the next); fitsRequestField() tells.
//
// Pure functions; callable from any thread. A RequestFields belongs to one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/TextList.h"
#include "peer/protocol/RequestKind.h"

namespace qv {

// True when the text can travel as one field: no 0 byte, no "|" outside a two-byte
// character (a trail byte 0x7C is part of its character, not a separator) and no
// lead byte without its second byte at the end.
bool fitsRequestField(std::string_view text);

// "TEST-REQ:%d|%s": own listening port and identity text.
std::string testRequest(int port, std::string_view identity);
// "CHAT-REQ:%d|%s|%s": port, identity and the chat line.
std::string chatRequest(int port, std::string_view identity, std::string_view text);
// "PUB1-REQ:%d|%s": port and identity.
std::string pub1Request(int port, std::string_view identity);
// "RECV-ANS:" and the free text of an auto-tune report.
std::string recvAnswer(std::string_view text);
// "PORTN-REQ:%s": own identity text.
std::string portnRequest(std::string_view identity);

// The fields of RECV-REQ: the requester's buffer and transfer settings.
struct RecvRequestFields {
    int port = 0;
    std::string bufferSize;  // the buffer-size text as typed
    std::string bufferList;  // the comma list of sizes for auto-tuning
    int autoTune = 0;
    int lowLoad = 0;
    int md5Check = 0;
    int overwriteMode = 0;
    int transferMode = 0;
    std::int64_t resumeSizeLimit = 0;
    std::string identity;
};
// "RECV-REQ:%d|%s|%s|%d|%d|%d|%d|%d|%d|%s|".
std::string recvRequest(const RecvRequestFields& fields);

// The description of a file that SEND-REQ and SEND-R-REQ carry.
struct FileStamp {
    std::string name;     // relative path with "\" between folders, or a special name
    std::string digest;   // 32 hex digits of the MD5; empty or " " for none (32 spaces)
    std::string created;  // creation time text
    std::string written;  // last-write time text
};

// "SEND-REQ:%s|%d|%32s|%s|%s|", 0 and the payload; the size field is the payload's.
std::string sendRequest(const FileStamp& file, std::string_view payload);
// The 7-field form "SEND-REQ:%s|%d|%32s|%s|%s|%d|%s|", 0 and the payload: the
// receiver learns where to send an answer (public lists).
std::string sendRequest(const FileStamp& file, std::string_view payload, int port,
                        std::string_view identity);
// "SEND-R-REQ:%s|%d|%32s|%s|%s|" and 0; the file's data follow after the offset reply.
std::string sendResumeHeader(const FileStamp& file, std::int64_t fileSize);

// The digest field: the digest right-aligned in 32 characters ("%32s").
std::string digestField(std::string_view digest);

// The fields of a received request line, numbered from 0.
//
// The text is split at every "|" as a cp932 text, so a two-byte character whose
// second byte is 0x7C stays whole. A trailing "|" gives one more, empty, field; a
// field beyond the end reads as "". An empty text has no fields.
class RequestFields {
  public:
    explicit RequestFields(std::string_view text);
    // The fields of a decoded block of the given kind: the text after the kind's
    // prefix up to the terminator.
    static RequestFields of(std::string_view block, RequestKind kind);

    int count() const { return list_.count(); }
    // Field `index`, or "" when there is no such field. The view lives as long as
    // this object.
    std::string_view operator[](int index) const;

  private:
    TextList list_;
};

// The identity text of a PORTN-REQ block: at most 20 bytes after the prefix, up to
// the terminator. No field rule applies to it.
std::string_view portnIdentity(std::string_view block);

}  // namespace qv
