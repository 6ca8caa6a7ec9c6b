#include "base/IniFile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/ConfigStore.h"
#include "base/EnvironmentTable.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

const std::string kHiragana = "\x82\xA0";  // cp932 of U+3042

// UTF-16LE of an ASCII text in which "@" stands for U+3042.
std::string utf16le(std::string_view ascii) {
    std::string out;
    for (char c : ascii) {
        out += c == '@' ? '\x42' : c;
        out += c == '@' ? '\x30' : '\0';
    }
    return out;
}

std::string loadAndFormat(std::string_view bytes) {
    ConfigStore store;
    parseIni(store, bytes, 0);
    return formatIni(store, 0);
}

TEST(IniFile, KeyAndValueTrimming) {
    ConfigStore store;
    parseIni(store, "[Quorvane]\r\nPort = 9001\r\nTabs \t\t= x \r\n  Lead=1\nEmpty=\n", 0);
    EXPECT_EQ(store.getString("//ini/Quorvane/PORT"), "9001");
    EXPECT_EQ(store.keyAt(store.find("//ini/quorvane/port")), "//ini/Quorvane/Port");
    // One space and two tabs: the tabs go, the space stays; trailing value blanks stay.
    EXPECT_EQ(store.getString("//ini/Quorvane/Tabs "), "x ");
    EXPECT_EQ(store.getString("//ini/Quorvane/  Lead"), "1");
    EXPECT_GE(store.find("//ini/Quorvane/Empty"), 0);
    EXPECT_EQ(store.getString("//ini/Quorvane/Empty"), "");
    EXPECT_EQ(store.count(), 4);
}

TEST(IniFile, CommentsSectionsAndLineEnds) {
    ConfigStore store;
    int stored = parseIni(store,
                          "TOP=0\r;PORT=1\n#X=2\n PORT=3\nno equals sign\n[quorvane]\nA=4\n"
                          "[Quorvane] trailing\nA=5\n[broken\nB=6\n[x=y]\nC=7",
                          0);
    EXPECT_EQ(stored, 6);
    EXPECT_EQ(store.getString("//ini//TOP"), "0");
    EXPECT_EQ(store.find("//ini//PORT"), -1);
    EXPECT_EQ(store.getString("//ini// PORT"), "3");
    EXPECT_EQ(store.getString("//ini/QUORVANE/A"), "5");
    EXPECT_EQ(store.getString("//ini/quorvane/B"), "6");
    EXPECT_EQ(store.getString("//ini/x=y/C"), "7");
}

TEST(IniFile, SaveOrderHeadersAndLineEnds) {
    ConfigStore store;
    store.setString("//ini/quorvane/PORT", "9001");
    store.setString("//ini/Quorvane/BUF", "4000");
    store.setString("//ini/-early/K", "v");
    store.setString("//ini//TOP", "t");
    store.setString("RECV_DIR", "not saved");
    store.setStringByNumber(1, "1");
    store.setString("//ini/NoSlashAfterSection", "not saved");
    EXPECT_EQ(formatIni(store, 0),
              "TOP=t\r\n[-early]\r\nK=v\r\n[Quorvane]\r\nBUF=4000\r\nPORT=9001\r\n");
}

TEST(IniFile, SaveSkipsWhatTheFormatCannotCarry) {
    ConfigStore store;
    store.setString("//ini/S/GOOD", "1");
    store.setString("//ini/S/LINES", "a\r\nEVIL=1");
    store.setString("//ini/S/K=V", "x");
    store.setString("//ini/S/[HEAD]", "x");
    store.setString("//ini/S]x/K", "x");
    store.setString("//ini/S/LONG", std::string(kIniMaxValue + 1, 'v'));
    store.setString("//ini/" + std::string(kIniMaxSection + 1, 's') + "/K", "x");
    store.setString("//ini/S/MAX", std::string(kIniMaxValue, 'v'));
    std::string text = formatIni(store, 0);
    EXPECT_EQ(text, "[S]\r\nGOOD=1\r\nMAX=" + std::string(kIniMaxValue, 'v') + "\r\n");
}

TEST(IniFile, Utf16WithAndWithoutByteOrderMark) {
    std::string ansi = "[Quorvane]\r\nNICNAME=" + kHiragana + "\r\n";
    std::string expected = loadAndFormat(ansi);
    EXPECT_EQ(loadAndFormat("\xFF\xFE" + utf16le("[Quorvane]\r\nNICNAME=@\r\n")), expected);
    EXPECT_EQ(loadAndFormat(utf16le("[Quorvane]\r\nNICNAME=@\r\n")), expected);
    // Without a mark a leading "?" is a character of the file, not a mark.
    ConfigStore store;
    parseIni(store, utf16le("?A=1\r\n"), 0);
    EXPECT_EQ(store.getString("//ini//?A"), "1");
    // An odd last byte is dropped.
    EXPECT_EQ(loadAndFormat(utf16le("A=1") + "x"), "A=1\r\n");
}

TEST(IniFile, OverlongInputIsRefusedAndTheRestKept) {
    std::string longKey(kIniMaxKey + 1, 'k');
    std::string longSection(kIniMaxSection + 1, 's');
    std::string text = "[Q]\nA=1\n" + longKey + "=x\nV=" + std::string(100000, 'v') + "\n" +
                       std::string(100000, 'z') + "\n[" + longSection + "]\nB=2\n[Q]\nC=3\n[" +
                       std::string(100000, 'u') + "\nD=4\n";
    ConfigStore store;
    EXPECT_EQ(parseIni(store, text, 0), 3);
    EXPECT_EQ(store.getString("//ini/Q/A"), "1");
    EXPECT_EQ(store.getString("//ini/Q/C"), "3");
    EXPECT_EQ(store.getString("//ini/Q/D"), "4");
    EXPECT_EQ(store.find("//ini/Q/B"), -1);
    EXPECT_EQ(store.count(), 3);
}

TEST(IniFile, BinaryBytesNeverBreakTheLoader) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<std::size_t>(random() % 3000), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() % 8 == 0 ? '=' : random());
        if (round % 2) std::erase(bytes, '\0');
        ConfigStore store;
        parseIni(store, bytes, 0);
        // What is saved is lines of the format and nothing else: every line break
        // is CR LF, and reading it back finds no more settings than were saved.
        std::string saved = formatIni(store, 0);
        for (std::size_t i = 0; i < saved.size(); ++i) {
            if (saved[i] == '\r') {
                EXPECT_EQ(saved[i + 1], '\n');
            }
            if (saved[i] == '\n') {
                EXPECT_EQ(saved[i - 1], '\r');
            }
        }
        ConfigStore again;
        parseIni(again, saved, 0);
        EXPECT_LE(again.count(), store.count());
    }
}

TEST(IniFile, PathVariablesRoundTrip) {
    EnvironmentTable env("C:\\Tools\\qv.exe", [](int code) {
        return code == 4099 ? std::string("C:\\WINDOWS") : std::string();
    });
    ConfigStore store(&env);
    store.setString("//ini/Quorvane/P", "C:\\Program Files\\x");
    store.setString("//ini/Quorvane/R", "C:\\Tools\\recv");
    std::string text = formatIni(store, 0);
    EXPECT_EQ(text, "[Quorvane]\r\nP=$WINDRIVE$\\Program Files\\x\r\nR=$ARGV0$\\recv\r\n");
    EXPECT_EQ(formatIni(store, ConfigStore::kRaw),
              "[Quorvane]\r\nP=C:\\Program Files\\x\r\nR=C:\\Tools\\recv\r\n");
    ConfigStore loaded(&env);
    parseIni(loaded, text, 0);
    EXPECT_EQ(loaded.getString("//ini/Quorvane/P"), "C:\\Program Files\\x");
    EXPECT_EQ(loaded.getString("//ini/Quorvane/R"), "C:\\Tools\\recv");
    ConfigStore raw(&env);
    parseIni(raw, text, ConfigStore::kRaw);
    EXPECT_EQ(raw.getString("//ini/Quorvane/R"), "$ARGV0$\\recv");
}

TEST(IniFile, ExpansionBeyondItsLimitIsRefused) {
    EnvironmentTable env("/a/very/long/program/folder/name/quorvane", [](int) { return ""; });
    ConfigStore store(&env);
    std::string many;
    for (int i = 0; i < 400; ++i)
        many += "$ARGV0$";
    EXPECT_EQ(parseIni(store, "[Q]\nMANY=" + many + "\nOK=$ARGV0$\n", 0), 1);
    EXPECT_EQ(store.getString("//ini/Q/OK"), "/a/very/long/program/folder/name");
}

TEST(IniFile, LoadAndSaveFiles) {
    test::SandboxFolder sandbox;
    std::string path = sandbox.dir() + "quorvane.ini";
    ConfigStore store;
    store.setString("//ini/Quorvane/PORT", "9001");
    EXPECT_EQ(loadIni(store, path, 0), 0);
    EXPECT_EQ(store.getString("//ini/Quorvane/PORT"), "9001");
    sandbox.write("quorvane.ini", "[Quorvane]\nPORT=9100\nWAN=1\n");
    loadIni(store, path, 0);
    EXPECT_EQ(store.getString("//ini/Quorvane/PORT"), "9100");
    ASSERT_EQ(saveIni(store, path, 0), 0);
    EXPECT_EQ(sandbox.read("quorvane.ini"), "[Quorvane]\r\nPORT=9100\r\nWAN=1\r\n");
    EXPECT_EQ(saveIni(store, sandbox.dir() + "no/such/folder/x.ini", 0), -1);
}

}  // namespace
}  // namespace qv
