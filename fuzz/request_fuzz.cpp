// Feeds arbitrary bytes to everything the listener does with a decoded block before
// a handler acts: recognition, the transfer-error test, field splitting and the
// field rule of every kind, the PortN identity; and reads the same bytes as a Pack
// payload and as an LST list. It also checks that fields composed from the input
// come back unchanged from the receiver's split whenever they are fit to travel.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "peer/protocol/FieldRule.h"
#include "peer/protocol/LstList.h"
#include "peer/protocol/PackRecords.h"
#include "peer/protocol/RequestKind.h"
#include "peer/protocol/RequestLine.h"

namespace {

using namespace qv;

constexpr RequestKind kKinds[] = {
    RequestKind::Unknown,    RequestKind::Test,    RequestKind::Chat, RequestKind::Pub1,
    RequestKind::Recv,       RequestKind::RecvAns, RequestKind::Data, RequestKind::Send,
    RequestKind::SendResume, RequestKind::PortN,
};

constexpr std::string_view kRules[] = {
    kPeerRule, kRecvRequestRule, kSendRule, kSendWithSenderRule, kSendResumeRule, kPackRecordRule,
};

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool inside(std::string_view part, std::string_view whole) {
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

void dispatchBlock(std::string_view block) {
    RequestKind kind = recogniseRequest(block);
    require(kind == RequestKind::Unknown || block.starts_with(requestPrefix(kind)));
    (void)isTransferError(block);
    (void)isConnectPreamble(block);
    (void)expectedReply(block);
    require(bytesAfterTerminator(block).size() <= block.size());
    for (RequestKind each : kKinds) {
        RequestFields fields = RequestFields::of(block, each);
        for (int i = -1; i <= fields.count(); ++i)
            require(fields[i].find('\0') == std::string_view::npos);
        (void)checkFields(fields, fieldRuleFor(each, fields));
    }
    RequestFields fields(requestLineOf(block));
    for (std::string_view rule : kRules)
        (void)checkFields(fields, rule);
    // The block's own first line as a rule: any text must be a harmless rule.
    (void)checkFields(fields, requestLineOf(block).substr(0, 64));
    require(portnIdentity(block).size() <= 20);
}

void readPayloads(std::string_view payload) {
    for (const PackRecord& record : readPackRecords(payload)) {
        require(inside(record.data, payload));
        require(record.size >= 0 && static_cast<std::uint64_t>(record.size) == record.data.size());
        require(record.name.size() <= 900);
    }
    std::optional<std::vector<LstEntry>> entries = parseLstList(payload);
    std::optional<std::string> answer =
        answerLstList(payload, [](const LstEntry& entry) { return entry.size % 2 == 0; });
    require(entries.has_value() == answer.has_value());
    if (answer) require(answer->size() == entries->size());
}

// Fields cut from the input and composed into requests must come back whole.
void roundTrip(std::string_view text) {
    std::size_t cut = text.size() / 2;
    std::string name(text.substr(0, cut));
    std::string identity(text.substr(cut));
    FileStamp file{name, "", "2009/07/19 16:42:38", "2009/07/19 16:42:38"};
    if (fitsRequestField(name)) {
        RequestFields fields = RequestFields::of(sendRequest(file, text), RequestKind::Send);
        require(fields[0] == name && fields[1] == std::to_string(text.size()));
        std::string pack;
        appendPackRecord(pack, name, file.created, file.written, text);
        std::vector<PackRecord> records = readPackRecords(pack);
        require(records.size() == (name.size() <= 900 ? 1u : 0u));
        if (!records.empty()) require(records[0].name == name && records[0].data == text);
    }
    if (fitsRequestField(identity)) {
        RequestFields fields = RequestFields::of(testRequest(9001, identity), RequestKind::Test);
        require(fields[0] == "9001" && fields[1] == identity);
        require(checkFields(fields, kPeerRule) == (identity.size() <= 20));
    }
    if (fitsLstField(name)) {
        std::optional<std::vector<LstEntry>> entries =
            parseLstList(lstLine(name, 7, file.created, file.written));
        require(entries.has_value());
        require(entries->size() == 1u && (*entries)[0].name == name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    dispatchBlock(bytes);
    readPayloads(bytes);
    roundTrip(bytes);
    return 0;
}
