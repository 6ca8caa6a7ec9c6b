#include "ui/NicknameDialog.h"

#include "app/Program.h"
#include "base/SettingKeys.h"
#include "base/TextUtil.h"
#include "platform/TextCodec.h"
#include "ui/CurrentSettings.h"
#include "ui/SettingsMenu.h"

namespace qv {

void runNicknameDialog(Program& program) {
    program.window().readBack();
    std::string value = program.settings().getString(setting::kNicname);
    if (program.window().view()->inputDialog(
            J("PortN接続用ニックネーム設定"),
            J("PortN接続では、ニックネームの設定が必要です\r\n任意の文字列を入力してください"),
            value)) {
        program.settings().setString(setting::kNicname, safeCopy(value, 13));
        dropLeadingBlanks(program, setting::kNicname);
    }
    showCurrentSettings(program);
}

void askNicknameIfMissing(Program& program) {
    if (program.settings().getString(setting::kNicname).empty()) runNicknameDialog(program);
}

}  // namespace qv
