#include <gtest/gtest.h>

#include <stdexcept>

#include "net/SecurePsk.h"
#include "net/SecureTunnel.h"

namespace qv {
namespace {

TEST(TlsHandshakeStart, OnlyAHandshakeRecordOfTlsMayBegin) {
    const unsigned char hello[] = {0x16, 0x03, 0x01};
    const unsigned char otherVersion[] = {0x16, 0x04};
    const unsigned char plainRequest[] = {'D', 'A'};
    EXPECT_TRUE(mayBeginTlsHandshake(hello, 3));
    EXPECT_TRUE(mayBeginTlsHandshake(hello, 1));  // the second byte has not come yet
    EXPECT_FALSE(mayBeginTlsHandshake(otherVersion, 2));
    EXPECT_FALSE(mayBeginTlsHandshake(plainRequest, 2));
    EXPECT_FALSE(mayBeginTlsHandshake(hello, 0));
}

// A build without the TLS library must never fall back to a plain connection: each
// handshake fails and closes what it was given, and no key is derived.
TEST(EncryptedModeWithoutTls, HandshakesFailAndCloseTheirSocket) {
    if (secureModeAvailable()) GTEST_SKIP() << "this build runs the encrypted mode";
    const SecurePsk psk{};
    for (bool server : {false, true}) {
        SocketHandle ends[2];
        ASSERT_TRUE(localSocketPair(ends));
        SecureConnection connection = server ? secureServerHandshake(ends[0], psk, {})
                                             : secureClientHandshake(ends[0], psk, {});
        EXPECT_EQ(connection.outcome, HandshakeOutcome::Failed);
        EXPECT_FALSE(isValidSocket(connection.plain));
        // The other end sees the close (a generous bound: it is immediate).
        PollEntry entry{ends[1], POLLIN, 0};
        char byte = 0;
        EXPECT_TRUE(pollSockets(&entry, 1, 5000) == 1 && ::recv(ends[1], &byte, 1, 0) == 0)
            << "the handshake left its socket open";
        closeSocketHandle(ends[1]);
    }
    EXPECT_STREQ(lastClientCipher(), "");
    EXPECT_THROW(securePsk("key", "sub"), std::runtime_error);
}

}  // namespace
}  // namespace qv
