#include "platform/ValueStore.h"

#include <gtest/gtest.h>

#include "net/SystemProxy.h"
#include "platform/TextCodec.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

constexpr const char* kMachine = "HKEY_LOCAL_MACHINE";
constexpr const char* kWindow =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\TcpWindowSize";

class ValueStoreTest : public ::testing::Test {
  protected:
    test::SandboxFolder folder;
    std::string file = folder.dir() + "program.values";
    EnvironmentReader variables = fixedEnvironment({});
    std::unique_ptr<ValueStore> store = open();

    std::unique_ptr<ValueStore> open() {
        return std::make_unique<ValueStore>(file, [this] { return systemProxy(variables); });
    }
    void reopen() { store = open(); }
    std::string text(const char* root, const std::string& path) {
        std::string value = "stale";
        store->read(root, path, &value, nullptr);
        return value;
    }
    std::int32_t number(const char* root, const std::string& path) {
        std::int32_t value = 77;
        store->read(root, path, nullptr, &value);
        return value;
    }
};

TEST_F(ValueStoreTest, NumbersStringsAndBinaryKeepTheirKindAcrossRestarts) {
    store->write(kMachine, kWindow, "(I)65535");
    store->write(kMachine, "SOFTWARE\\Q\\Name", "plain text");
    store->write(kMachine, "SOFTWARE\\Q\\Blob", "(B)0a 1b 2c 3d 4e");
    store->write(kMachine, "SOFTWARE\\Q\\Wrap", "(I)4294967295");
    reopen();
    EXPECT_EQ(number(kMachine, kWindow), 65535);
    EXPECT_EQ(text(kMachine, kWindow), "65535");
    EXPECT_EQ(text(kMachine, "software\\q\\NAME"), "plain text");
    EXPECT_EQ(number(kMachine, "SOFTWARE\\Q\\Name"), 0x69616C70);  // "plai", little-endian
    EXPECT_EQ(number(kMachine, "SOFTWARE\\Q\\Blob"), 0x3D2C1B0A);
    EXPECT_EQ(text(kMachine, "SOFTWARE\\Q\\Blob"), "\x0a\x1b\x2c\x3d\x4e");
    EXPECT_EQ(number(kMachine, "SOFTWARE\\Q\\Wrap"), -1);
    EXPECT_NE(folder.read("program.values").find("[HKEY_LOCAL_MACHINE]\r\n"), std::string::npos);
}

TEST_F(ValueStoreTest, MissingValuesAndUnknownRootsReadEmpty) {
    EXPECT_EQ(text(kMachine, kWindow), "");
    EXPECT_EQ(number(kMachine, kWindow), 0);
    store->write("HKEY_NOWHERE", "A\\B", "x");
    EXPECT_EQ(text("HKEY_NOWHERE", "A\\B"), "");
    EXPECT_EQ(text("hkey_local_machine", "A\\B"), "");
    store->write(kMachine, "A\\B", "x");
    EXPECT_EQ(text("HKEY_CURRENT_USER", "A\\B"), "");
}

TEST_F(ValueStoreTest, StringsWithLineBreaksAndPercentSurviveTheFile) {
    std::string awkward = "50%\r\nline two%0A\n";
    store->write(kMachine, "A\\Text", awkward);
    store->write(kMachine, "A\\Cut", std::string("before\0after", 12));
    reopen();
    EXPECT_EQ(text(kMachine, "A\\Text"), awkward);
    EXPECT_EQ(text(kMachine, "A\\Cut"), "before");
}

TEST_F(ValueStoreTest, ValuesTheFileCannotCarryAreRefused) {
    store->write(kMachine, "A\\Bad", "(B)0a zz");
    store->write(kMachine, "A\\Odd", "(B)0a 1");
    store->write(kMachine, "A=B\\C", "x");
    store->write(kMachine, "[A\\C", "x");
    store->write(kMachine, "A\\C ", "x");
    store->write(kMachine, "A\r\nB", "x");
    store->write(kMachine, "A\\Long", std::string(4000, 'v'));
    reopen();
    for (const char* path : {"A\\Bad", "A\\Odd", "A=B\\C", "[A\\C", "A\\C ", "A\r\nB", "A\\Long"})
        EXPECT_EQ(text(kMachine, path), "") << path;
}

TEST_F(ValueStoreTest, DeleteRemovesAValueOrAWholeKey) {
    store->write(kMachine, "K\\Sub\\One", "1");
    store->write(kMachine, "K\\Sub\\Deeper\\Two", "2");
    store->write(kMachine, "K\\Subway\\Three", "3");
    store->write(kMachine, "K\\Four", "4");
    store->remove(kMachine, "K\\Four");
    store->remove(kMachine, "K\\Sub\\");
    reopen();
    EXPECT_EQ(text(kMachine, "K\\Four"), "");
    EXPECT_EQ(text(kMachine, "K\\Sub\\One"), "");
    EXPECT_EQ(text(kMachine, "K\\Sub\\Deeper\\Two"), "");
    EXPECT_EQ(text(kMachine, "K\\Subway\\Three"), "3");
}

TEST_F(ValueStoreTest, TrailByteBackslashIsNoSeparator) {
    // "表" is 0x95 0x5C in cp932: its second byte looks like "\".
    std::string path = "K\\" + J("表");
    store->write(kMachine, path, "value");
    store->write(kMachine, path + "\\Below", "below");
    store->remove(kMachine, path);  // names the value, not the key
    EXPECT_EQ(text(kMachine, path), "");
    EXPECT_EQ(text(kMachine, path + "\\Below"), "below");
}

TEST_F(ValueStoreTest, ProxyValuesAreAnsweredFromTheEnvironment) {
    EXPECT_EQ(number(kRootCurrentUser, kProxyEnablePath), 0);
    EXPECT_EQ(text(kRootCurrentUser, kProxyServerPath), "");

    variables = fixedEnvironment({{"http_proxy", "http://proxy.test:3128/"}});
    reopen();
    store->write(kRootCurrentUser, kProxyServerPath, "ignored.test:1");
    std::int32_t enabled = 0;
    std::string server;
    store->read(kRootCurrentUser, kProxyEnablePath, nullptr, &enabled);
    store->read(kRootCurrentUser, kProxyServerPath, &server, nullptr);
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(server, "proxy.test:3128");
    EXPECT_EQ(proxyFromServerList(enabled, server), "proxy.test:3128");
}

}  // namespace
}  // namespace qv
