#include "peer/client/FileSender.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/Md5.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "net/Waits.h"
#include "peer/client/OutgoingFile.h"
#include "peer/client/RequestExchange.h"
#include "peer/client/ResumeExchange.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/RequestLine.h"
#include "peer/protocol/SendWay.h"
#include "platform/TextCodec.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

// Bytes read per step while a digest is computed; the window is pumped between steps.
constexpr std::size_t kDigestBlock = 1 << 20;

bool md5On(Services& services) {
    return services.settings.getNumber(setting::kMd5) != 0;
}

ClientResult sendOpenedResumable(Services& services, std::string_view peerText, OutgoingFile& out) {
    std::string heading = sendHeading(peerText, out.name, out.size);
    if (md5On(services)) heading += J("・MD5ﾊｯｼｭ値取得中..\r\n");
    replaceLog(services, heading);
    FileStamp stamp{out.name, "", out.created, out.written};
    if (md5On(services)) {
        stamp.digest = digestOfOpenFile(services, out);
        if (services.flags.clientStop == 1) return ClientResult::kStopped;
        if (stamp.digest.empty()) {
            reportSendError(services, "ファイルを読めません", out.path);
            return ClientResult::kSocketVersion;
        }
    }
    std::string header = sendResumeHeader(stamp, out.size);
    appendLog(services, J("・送信中..\r\n"));
    ClientResult result =
        exchangeResumeSend(services, peerText, std::move(header), out.file, out.size);
    if (result == ClientResult::kSizeMismatch) {
        reportSendError(services, "送信中にファイルが変わりました", out.path);
    } else if (result != ClientResult::kOk) {
        reportExchangeError(services, result, out.path);
    }
    return result;
}

ClientResult sendOpenedWhole(Services& services, ClientSide& client, std::string_view peerText,
                             OutgoingFile& out) {
    replaceLog(services,
               sendHeading(peerText, out.name, out.size) + J("・ファイル読み込み中..\r\n"));
    pumpAfterLog(services);  // the line shows before the whole file is read
    FileStamp stamp{out.name, "", out.created, out.written};
    std::string request = sendRequestHeader(stamp, out.size);
    const std::size_t headerSize = request.size();
    request.resize(headerSize + static_cast<std::size_t>(out.size));
    if (!readExactly(out.file, request.data() + headerSize, out.size)) {
        reportSendError(services, "送信中にファイルが変わりました", out.path);
        return ClientResult::kSocketVersion;
    }
    out.file.close();
    if (md5On(services)) {
        appendLog(services, J("・MD5ﾊｯｼｭ値取得中..\r\n"));
        pumpAfterLog(services);  // the line shows before the digest is computed
        stamp.digest = md5TextOf(std::string_view(request).substr(headerSize));
        // The digest field has a fixed width, so the header keeps its length.
        std::string header = sendRequestHeader(stamp, out.size);
        std::memcpy(request.data(), header.data(), headerSize);
    }
    appendLog(services, J("・送信中..\r\n"));
    ClientResult result = exchangeRequest(services, client, peerText, std::move(request));
    if (result != ClientResult::kOk) reportExchangeError(services, result, out.path);
    return result;
}

}  // namespace

std::string sendRequestHeader(const FileStamp& stamp, std::int64_t payloadSize) {
    // The line has the fields of the SEND-R-REQ header: that composer is used with the
    // prefix swapped, so the payload need not be copied behind a composed line.
    std::string header = sendResumeHeader(stamp, payloadSize);
    header.replace(0, requestPrefix(RequestKind::SendResume).size(),
                   requestPrefix(RequestKind::Send));
    return header;
}

std::string sendHeading(std::string_view peerText, std::string_view name, std::int64_t size) {
    return formatText(J("【%s へ ファイル送信】\r\n「%s(%lld Bytes)」 \r\n"),
                      std::string(peerText).c_str(), std::string(name).c_str(),
                      static_cast<long long>(size));
}

ClientResult sendWholeFile(Services& services, ClientSide& client, std::string_view peerText,
                           const std::string& path, std::size_t baseLength) {
    std::optional<OutgoingFile> out = openOutgoing(services, path, baseLength);
    if (!out) return ClientResult::kSocketVersion;
    // A file this large is never read into memory: it goes resumable instead.
    if (out->size >= effectiveNoResumeSize(services.settings)) {
        return sendOpenedResumable(services, peerText, *out);
    }
    return sendOpenedWhole(services, client, peerText, *out);
}

ClientResult sendFileResumable(Services& services, std::string_view peerText,
                               const std::string& path, std::size_t baseLength) {
    std::optional<OutgoingFile> out = openOutgoing(services, path, baseLength);
    if (!out) return ClientResult::kSocketVersion;
    return sendOpenedResumable(services, peerText, *out);
}

std::string digestOfOpenFile(Services& services, OutgoingFile& out) {
    if (out.file.seek(0) != 0) return {};
    Md5 md5;
    std::vector<char> block(kDigestBlock);
    std::int64_t done = 0;
    while (done < out.size) {
        std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(out.size - done, static_cast<std::int64_t>(block.size())));
        if (!readExactly(out.file, block.data(), static_cast<std::int64_t>(want))) return {};
        md5.update(block.data(), want);
        done += static_cast<std::int64_t>(want);
        services.waits.pump(10);
        if (services.flags.clientStop == 1) return {};
    }
    return md5Text(md5.finish());
}

}  // namespace qv
