#include "ui/PortChange.h"

#include "app/Program.h"
#include "base/Format.h"
#include "base/SettingKeys.h"
#include "base/TextUtil.h"
#include "platform/TextCodec.h"

namespace qv {

void runPortChange(Program& program) {
    program.window().readBack();
    WindowView& view = *program.window().view();
    std::string value = strprintf("%d", program.listeningPort());
    if (!view.inputDialog(
            J("ポート番号の変更"),
            J("ポート番号の範囲は1～65535の値\r\n10001ポート以降を推奨\r\n0を指定するとPo"
              "rtN接続専用(クライアント専用)となります"),
            value)) {
        return;
    }
    std::int64_t port = parseLong(value);
    if (port == program.listeningPort()) return;
    if (port < 0 || port >= 65535) {
        view.messageBox(J("ポート番号の範囲は 1 ～ 65535です"), kMessageCaption, kStyleOk);
        return;
    }
    program.settings().setString(setting::kPort, value);
    program.setListeningPort(static_cast<int>(port));
    program.closeWithoutEnding();
    view.messageBox(formatText(J("%s を終了します。\r\n再度プログラムを実行してください\r\n"),
                               Program::defaultTitle().c_str()),
                    kMessageCaption, kStyleOk);
    program.end(0);
}

}  // namespace qv
