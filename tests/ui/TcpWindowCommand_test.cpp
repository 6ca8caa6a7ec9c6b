#include "ui/TcpWindowCommand.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"
#include "platform/ValueStore.h"
#include "support/ProgramWithSetup.h"

namespace qv {
namespace {

constexpr const char* kKernelDefaults = "4096\t131072\t6291456\n";

class TcpWindowCommandTest : public ::testing::Test {
  protected:
    test::SandboxFolder folder;
    std::string rmem = folder.write("tcp_rmem", kKernelDefaults).string();
    ValueStore values{folder.dir() + "program.values", ProxyQuery{}};

    TcpWindowOutcome change(std::int64_t size) {
        return changeKernelTcpWindow(rmem, values, size).outcome;
    }
    std::string recorded() {
        std::string text;
        values.read(kRootLocalMachine, kTcpDefaultsPath, &text, nullptr);
        return text;
    }
};

TEST_F(TcpWindowCommandTest, ChangesRecordTheKernelsSettingsOnceAndZeroRestoresThem) {
    EXPECT_EQ(change(65535), TcpWindowOutcome::Changed);
    EXPECT_EQ(folder.read("tcp_rmem"), "4096 65535 65535\n");
    EXPECT_EQ(recorded(), "4096 131072 6291456");

    EXPECT_EQ(change(1000), TcpWindowOutcome::Changed);
    EXPECT_EQ(folder.read("tcp_rmem"), "1000 1000 1000\n");
    EXPECT_EQ(recorded(), "4096 131072 6291456");  // still the settings from before

    TcpWindowChange restored = changeKernelTcpWindow(rmem, values, 0);
    EXPECT_EQ(restored.outcome, TcpWindowOutcome::Restored);
    EXPECT_EQ(folder.read("tcp_rmem"), "4096 131072 6291456\n");
    EXPECT_EQ(recorded(), "");
    EXPECT_EQ(tcpWindowLogLine(restored),
              J("・TCP受信バッファを変更前の値に戻しました(tcp_rmem=4096 131072 6291456)\r\n"));
}

TEST_F(TcpWindowCommandTest, NothingChangesWithoutARecordOrReadableSettings) {
    EXPECT_EQ(change(-5), TcpWindowOutcome::NothingRecorded);
    EXPECT_EQ(folder.read("tcp_rmem"), kKernelDefaults);

    EXPECT_EQ(change(2147483648LL), TcpWindowOutcome::Failed);
    EXPECT_EQ(folder.read("tcp_rmem"), kKernelDefaults);

    folder.write("tcp_rmem", "garbage");
    EXPECT_EQ(change(65535), TcpWindowOutcome::Unreadable);
    EXPECT_EQ(folder.read("tcp_rmem"), "garbage");
    EXPECT_EQ(recorded(), "");
}

// The button of a running program, on a settings file in the sandbox.
TEST(TcpWindowButton, ShowsTheSizeAtStartAndChangesOnThePress) {
    FakeClock clock;
    test::SandboxFolder kernel;
    std::string rmem = kernel.write("tcp_rmem", kKernelDefaults).string();
    test::ProgramWithSetup app(clock, "[Quorvane]\r\nWAN=0\r\n", [&](ProgramSetup& setup) {
        setup.args = {"0"};
        setup.tcpRmemPath = rmem;
    });
    WindowModel& window = app.program->window();
    EXPECT_EQ(app.view.shown[static_cast<int>(Field::TcpCurrent)], "131072");
    EXPECT_EQ(app.view.shown[static_cast<int>(Field::TcpNew)], "128000");

    app.view.typed[static_cast<int>(Field::TcpNew)] = "65535";
    runTcpWindowChange(*app.program);
    EXPECT_EQ(kernel.read("tcp_rmem"), "4096 65535 65535\n");
    // The change holds for new connections at once and until the next restart.
    ASSERT_EQ(app.view.messages.size(), 1u);
    EXPECT_EQ(app.view.messages[0].text,
              J("設定を変更しました。新しい接続から有効です(OSの再起動は不要です)。\r\nOSを再起動"
                "すると元の設定に戻ります。\r\nブラウザ等で接続できなくなった場合は、0 で更新"
                "して設定を元に戻してください"));
    EXPECT_NE(window.pane(Pane::Upper)
                  .find(J("・TCP受信バッファを変更しました(tcp_rmem=4096 65535 65535)。新しい接続"
                          "から有効です(OSの再起動は不要、再起動すると元の値に戻ります)\r\n")),
              std::string::npos);
    EXPECT_EQ(window.field(Field::TcpCurrent), "131072");  // kept until the next start
    EXPECT_NE(app.folder.read("quorvane-cli.values").find("tcp_rmem=(S)4096 131072 6291456"),
              std::string::npos);

    app.view.typed[static_cast<int>(Field::TcpNew)] = "abc";  // reads as 0: restore
    runTcpWindowChange(*app.program);
    EXPECT_EQ(kernel.read("tcp_rmem"), "4096 131072 6291456\n");
    ASSERT_EQ(app.view.messages.size(), 2u);
    EXPECT_EQ(app.view.messages[1].text, J("設定を変更前の値に戻しました。新しい接続から有効です"));

    // Nothing changed: the message says so rather than claiming a change.
    runTcpWindowChange(*app.program);
    ASSERT_EQ(app.view.messages.size(), 3u);
    EXPECT_EQ(app.view.messages[2].text,
              J("変更前の値の記録がないため、TCP受信バッファは何も変更していません"));
}

// Start-up shows what the kernel itself is set to (only read, never written here).
TEST(TcpWindowButton, StartUpShowsTheKernelsValue) {
    FakeClock clock;
    test::ProgramWithSetup app(clock, "[Quorvane]\r\nWAN=0\r\n",
                               [](ProgramSetup& setup) { setup.args = {"0"}; });
    EXPECT_EQ(app.program->window().field(Field::TcpCurrent),
              std::to_string(currentTcpWindowSize(kTcpRmemPath)));
}

}  // namespace
}  // namespace qv
