#include "peer/client/ClientError.h"

#include <iterator>

#include "base/ConfigStore.h"
#include "platform/TextCodec.h"

namespace qv {

void fillClientErrorTable(ConfigStore& table) {
    static const char* const kTexts[] = {
        "OK",
        "sockバージョンエラー",
        "ホスト解決エラー",
        "ソケットオープンエラー",
        "接続エラー",
        "タイムアウト",
        "切断されました",
        "データがありません",
        "停止ボタンが押されました",
        "Proxy接続エラー",
        "応答がありません",
        "送信サイズが相違します",
        "暗号化の鍵が一致しません",
        "相手は暗号化通信を使っていないか、古いプログラムです",
        "暗号化通信にはセキュリティーKeyが必要です",
    };
    static_assert(std::size(kTexts) == 1 - client::kLowestCode);
    for (int i = 0; i < static_cast<int>(std::size(kTexts)); ++i)
        table.setStringByNumber(-i, J(kTexts[i]));
}

std::string clientErrorText(const ConfigStore& table, int code) {
    return table.getStringByNumber(code);
}

const char* clientResultName(int code) {
    static const char* const kNames[] = {
        "ok",
        "socket_version",
        "host_not_found",
        "socket_error",
        "connect_failed",
        "timeout",
        "disconnected",
        "no_data",
        "stopped",
        "proxy_error",
        "no_reply",
        "size_mismatch",
        "keys_differ",
        "peer_not_encrypted",
        "no_security_key",
    };
    static_assert(std::size(kNames) == 1 - client::kLowestCode);
    return code <= 0 && code >= client::kLowestCode ? kNames[-code] : "";
}

}  // namespace qv
