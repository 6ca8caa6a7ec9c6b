#include "peer/client/PackSender.h"

#include <algorithm>
#include <cstring>

#include "base/ConfigStore.h"
#include "base/Md5.h"
#include "base/SettingKeys.h"
#include "base/TimeText.h"
#include "peer/client/FileSender.h"
#include "peer/client/OutgoingFile.h"
#include "peer/client/RequestExchange.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/PackRecords.h"
#include "peer/protocol/RequestKind.h"
#include "peer/protocol/SendWay.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {

void PackBuffer::clear() {
    data_.assign(kHeaderRoom, '\0');
    fileCount_ = 0;
}

void PackBuffer::release() {
    // Assigning an empty string would keep the heap buffer; swapping gives it back.
    std::string().swap(data_);
    clear();
}

char* PackBuffer::appendRecord(std::string_view recordHeader, std::int64_t dataSize) {
    const std::size_t need =
        data_.size() + recordHeader.size() + static_cast<std::size_t>(dataSize);
    // Growing to at least twice the capacity keeps the copies few, and never holds
    // more than twice what the records need.
    if (need > data_.capacity()) data_.reserve(std::max(need, 2 * data_.capacity()));
    data_.append(recordHeader);
    std::size_t dataStart = data_.size();
    data_.resize(need);
    return data_.data() + dataStart;
}

void PackBuffer::dropRecordsFrom(std::int64_t recordsSize) {
    data_.resize(kHeaderRoom + static_cast<std::size_t>(recordsSize));
}

std::span<char> PackBuffer::request(std::string_view requestHeader) {
    // The header goes right in front of the records; only a header longer than the
    // room (none is) moves them.
    if (requestHeader.size() > kHeaderRoom) {
        data_.replace(0, kHeaderRoom, requestHeader);
        return {data_.data(), data_.size()};
    }
    std::size_t start = kHeaderRoom - requestHeader.size();
    std::memcpy(data_.data() + start, requestHeader.data(), requestHeader.size());
    return {data_.data() + start, data_.size() - start};
}

namespace {

// Appends the open file as one record; false when its data could not be read whole.
bool appendFileRecord(Services& services, PackBuffer& pack, OutgoingFile& out) {
    std::int64_t before = pack.size();
    std::string header = packRecordHeader(out.name, out.size, out.created, out.written);
    char* data = pack.appendRecord(header, out.size);
    if (!readExactly(out.file, data, out.size)) {
        pack.dropRecordsFrom(before);
        reportSendError(services, "送信中にファイルが変わりました", out.path);
        return false;
    }
    pack.countFile();
    return true;
}

}  // namespace

int addToPack(Services& services, ClientSide& client, std::string_view peerText,
              const std::string& path, PackBuffer& pack, std::size_t baseLength) {
    const std::int64_t limit = effectiveNoResumeSize(services.settings);
    std::optional<OutgoingFile> out = openOutgoing(services, path, baseLength);
    if (!out) return 1;
    if (!packTakes(out->size, limit)) {
        out->file.close();
        return sendWholeFile(services, client, peerText, path, baseLength) != ClientResult::kOk ? 1
                                                                                                : 0;
    }
    int errors = 0;
    if (packMustFlushBefore(pack.size(), out->size, limit) && !pack.empty()) {
        errors += flushPack(services, client, peerText, pack);
    }
    if (!appendFileRecord(services, pack, *out)) ++errors;
    return errors;
}

int flushPack(Services& services, ClientSide& client, std::string_view peerText, PackBuffer& pack) {
    const std::int64_t size = pack.size();
    const int files = pack.fileCount();
    std::string now = timeText(services.clock);
    FileStamp stamp{std::string(kPackName), "", now, now};
    replaceLog(services, sendHeading(peerText, kPackName, size) + J("・ファイル読み込み中..\r\n"));
    if (services.settings.getNumber(setting::kMd5) != 0) {
        appendLog(services, J("・MD5ﾊｯｼｭ値取得中..\r\n"));
        pumpAfterLog(services);  // the line shows before the digest is computed
        stamp.digest = md5TextOf(pack.payload());
    }
    appendLog(services, J("・送信中..\r\n"));
    ClientResult result = exchangeRequestBytes(services, client, peerText,
                                               pack.request(sendRequestHeader(stamp, size)));
    pack.clear();
    if (result == ClientResult::kOk) return 0;
    reportExchangeError(services, result, kPackName);
    return files;
}

}  // namespace qv
