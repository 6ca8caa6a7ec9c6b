#include "peer/protocol/ClientError.h"

#include <iterator>

#include "platform/TextCodec.h"

namespace qv {
namespace {

struct ResultWords {
    const char* text;  // UTF-8
    const char* name;
};

// Indexed by the negated result.
constexpr ResultWords kResultWords[] = {
    {"OK", "ok"},
    {"sockバージョンエラー", "socket_version"},
    {"ホスト解決エラー", "host_not_found"},
    {"ソケットオープンエラー", "socket_error"},
    {"接続エラー", "connect_failed"},
    {"タイムアウト", "timeout"},
    {"切断されました", "disconnected"},
    {"データがありません", "no_data"},
    {"停止ボタンが押されました", "stopped"},
    {"Proxy接続エラー", "proxy_error"},
    {"応答がありません", "no_reply"},
    {"送信サイズが相違します", "size_mismatch"},
    {"暗号化の鍵が一致しません", "keys_differ"},
    {"相手は暗号化通信を使っていないか、古いプログラムです", "peer_not_encrypted"},
    {"暗号化通信にはセキュリティーKeyが必要です", "no_security_key"},
};
static_assert(std::size(kResultWords) == 1 - resultCode(ClientResult::kNoSecurityKey));

const ResultWords* wordsOf(ClientResult result) {
    const int index = -resultCode(result);
    if (index < 0 || index >= static_cast<int>(std::size(kResultWords))) return nullptr;
    return &kResultWords[index];
}

}  // namespace

std::string clientResultText(ClientResult result) {
    const ResultWords* words = wordsOf(result);
    return words ? J(words->text) : std::string();
}

const char* clientResultName(ClientResult result) {
    const ResultWords* words = wordsOf(result);
    return words ? words->name : "";
}

}  // namespace qv
