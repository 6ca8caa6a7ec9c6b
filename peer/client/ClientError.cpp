#include "peer/client/ClientError.h"

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
    };
    for (int i = 0; i < 12; ++i)
        table.setStringByNumber(-i, J(kTexts[i]));
}

std::string clientErrorText(const ConfigStore& table, int code) {
    return table.getStringByNumber(code);
}

const char* clientResultName(int code) {
    static const char* const kNames[] = {
        "ok",       "socket_version", "host_not_found", "socket_error", "connect_failed",
        "timeout",  "disconnected",   "no_data",        "stopped",      "proxy_error",
        "no_reply", "size_mismatch",
    };
    return code <= 0 && code > -12 ? kNames[-code] : "";
}

}  // namespace qv
