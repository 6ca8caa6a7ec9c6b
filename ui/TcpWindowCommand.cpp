#include "ui/TcpWindowCommand.h"

#include <climits>

#include "app/Program.h"
#include "base/Format.h"
#include "base/TextUtil.h"
#include "net/SystemProxy.h"
#include "platform/TextCodec.h"
#include "platform/ValueStore.h"
#include "services/Services.h"

namespace qv {
namespace {

TcpWindowOutcome outcomeOf(TcpWriteResult result) {
    return result == TcpWriteResult::NotPermitted ? TcpWindowOutcome::NotPermitted
                                                  : TcpWindowOutcome::Failed;
}

std::optional<TcpReceiveBuffers> recordedDefaults(ValueStore& values) {
    std::string text;
    values.read(kRootLocalMachine, kTcpDefaultsPath, &text, nullptr);
    return parseTcpReceiveBuffers(text);
}

// The first change records the kernel's settings; later ones keep that record, so a
// restore always returns to the settings from before the program changed anything.
void recordDefaultsOnce(ValueStore& values, const TcpReceiveBuffers& current) {
    if (recordedDefaults(values)) return;
    values.write(kRootLocalMachine, kTcpDefaultsPath, tcpReceiveBuffersText(current));
}

TcpWindowChange setWindow(const std::string& rmemPath, ValueStore& values, std::int64_t size) {
    if (size > INT_MAX) return {TcpWindowOutcome::Failed, {}};
    std::optional<TcpReceiveBuffers> current = readTcpReceiveBuffers(rmemPath);
    if (!current) return {TcpWindowOutcome::Unreadable, {}};
    recordDefaultsOnce(values, *current);
    TcpReceiveBuffers wanted = withWindowSize(*current, static_cast<long>(size));
    TcpWriteResult result = writeTcpReceiveBuffers(rmemPath, wanted);
    if (result != TcpWriteResult::Written) return {outcomeOf(result), {}};
    return {TcpWindowOutcome::Changed, wanted};
}

TcpWindowChange restoreDefaults(const std::string& rmemPath, ValueStore& values) {
    std::optional<TcpReceiveBuffers> defaults = recordedDefaults(values);
    if (!defaults) return {TcpWindowOutcome::NothingRecorded, {}};
    TcpWriteResult result = writeTcpReceiveBuffers(rmemPath, *defaults);
    if (result != TcpWriteResult::Written) return {outcomeOf(result), {}};
    values.remove(kRootLocalMachine, kTcpDefaultsPath);
    return {TcpWindowOutcome::Restored, *defaults};
}

std::string valueStorePathOf(const Program& program) {
    return program.environment().value(EnvironmentTable::kProgramStem) + kValueStoreExtension;
}

}  // namespace

std::string tcpWindowMessage(const TcpWindowChange& change, const std::string& logLine) {
    switch (change.outcome) {
        case TcpWindowOutcome::Changed:
            return J(
                "設定を変更しました。新しい接続から有効です(OSの再起動は不要です)。\r\n"
                "OSを再起動すると元の設定に戻ります。\r\nブラウザ等で接続できなくなった"
                "場合は、0 で更新して設定を元に戻してください");
        case TcpWindowOutcome::Restored:
            return J("設定を変更前の値に戻しました。新しい接続から有効です");
        default:
            // The log line without its bullet and line end.
            return logLine.substr(J("・").size(), logLine.size() - J("・").size() - 2);
    }
}

TcpWindowChange changeKernelTcpWindow(const std::string& rmemPath, ValueStore& values,
                                      std::int64_t size) {
    return size > 0 ? setWindow(rmemPath, values, size) : restoreDefaults(rmemPath, values);
}

std::string tcpWindowLogLine(const TcpWindowChange& change) {
    std::string written = tcpReceiveBuffersText(change.written);
    switch (change.outcome) {
        case TcpWindowOutcome::Changed:
            return formatText(J("・TCP受信バッファを変更しました(tcp_rmem=%s)。新しい接続から有効"
                                "です(OSの再起動は不要、再起動すると元の値に戻ります)\r\n"),
                              written.c_str());
        case TcpWindowOutcome::Restored:
            return formatText(J("・TCP受信バッファを変更前の値に戻しました(tcp_rmem=%s)\r\n"),
                              written.c_str());
        case TcpWindowOutcome::NothingRecorded:
            return J("・変更前の値の記録がないため、TCP受信バッファは何も変更していません\r\n");
        case TcpWindowOutcome::Unreadable:
            return J("・TCP受信バッファの設定を読めないため、何も変更していません\r\n");
        case TcpWindowOutcome::NotPermitted:
            return J(
                "・TCP受信バッファを変更する権限がないため(root権限が必要です)、何も変更"
                "していません\r\n");
        case TcpWindowOutcome::Failed:
            break;
    }
    return J("・TCP受信バッファを変更できなかったため、何も変更していません\r\n");
}

void runTcpWindowChange(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    std::int64_t size = parseLong(window.field(Field::TcpNew));
    ValueStore values(valueStorePathOf(program),
                      [variables = program.setup().variables] { return systemProxy(variables); });
    TcpWindowChange change = changeKernelTcpWindow(program.setup().tcpRmemPath, values, size);
    std::string line = tcpWindowLogLine(change);
    appendLog(program.services(), line);
    window.view()->messageBox(tcpWindowMessage(change, line), kMessageCaption, kStyleOk);
}

}  // namespace qv
