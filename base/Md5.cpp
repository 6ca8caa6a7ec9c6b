#include "base/Md5.h"

#include <algorithm>
#include <cstring>

#include "platform/FileSystem.h"

namespace qv {
namespace {

constexpr std::size_t kBlock = 64;
// The file digest reads in blocks of this size (a multiple of 64, so every full read
// is digested straight from the buffer).
constexpr std::size_t kFileBlock = 8000;

inline std::uint32_t rotl(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline std::uint32_t loadLe(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void storeLe(std::uint8_t* p, std::uint32_t v) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    std::memcpy(p, &v, 4);
}

// The four rounds of RFC 1321, arranged so that little waits for the previous step:
// message word and constant are added before the round function, F is written as
// d ^ (b & (c ^ d)), and G (whose two halves have no bit in common) as
// (c & ~d) + (b & d), the first half added before b is known.
#define QV_MD5_STEP(f, a, b, c, d, x, t, s) \
    a += (x) + (t);                         \
    a += f(b, c, d);                        \
    a = rotl(a, s) + (b)
#define QV_MD5_GSTEP(a, b, c, d, x, t, s) \
    a += (x) + (t) + ((c) & ~(d));        \
    a += (b) & (d);                       \
    a = rotl(a, s) + (b)
#define QV_F(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define QV_H(b, c, d) ((b) ^ (c) ^ (d))
#define QV_I(b, c, d) ((c) ^ ((b) | ~(d)))

// Digests `count` whole blocks starting at `p` into `state`.
void transform(std::uint32_t state[4], const std::uint8_t* p, std::size_t count) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; count > 0; --count, p += kBlock) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = loadLe(p + 4 * i);
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        QV_MD5_STEP(QV_F, a, b, c, d, x[0], 0xd76aa478, 7);
        QV_MD5_STEP(QV_F, d, a, b, c, x[1], 0xe8c7b756, 12);
        QV_MD5_STEP(QV_F, c, d, a, b, x[2], 0x242070db, 17);
        QV_MD5_STEP(QV_F, b, c, d, a, x[3], 0xc1bdceee, 22);
        QV_MD5_STEP(QV_F, a, b, c, d, x[4], 0xf57c0faf, 7);
        QV_MD5_STEP(QV_F, d, a, b, c, x[5], 0x4787c62a, 12);
        QV_MD5_STEP(QV_F, c, d, a, b, x[6], 0xa8304613, 17);
        QV_MD5_STEP(QV_F, b, c, d, a, x[7], 0xfd469501, 22);
        QV_MD5_STEP(QV_F, a, b, c, d, x[8], 0x698098d8, 7);
        QV_MD5_STEP(QV_F, d, a, b, c, x[9], 0x8b44f7af, 12);
        QV_MD5_STEP(QV_F, c, d, a, b, x[10], 0xffff5bb1, 17);
        QV_MD5_STEP(QV_F, b, c, d, a, x[11], 0x895cd7be, 22);
        QV_MD5_STEP(QV_F, a, b, c, d, x[12], 0x6b901122, 7);
        QV_MD5_STEP(QV_F, d, a, b, c, x[13], 0xfd987193, 12);
        QV_MD5_STEP(QV_F, c, d, a, b, x[14], 0xa679438e, 17);
        QV_MD5_STEP(QV_F, b, c, d, a, x[15], 0x49b40821, 22);

        QV_MD5_GSTEP(a, b, c, d, x[1], 0xf61e2562, 5);
        QV_MD5_GSTEP(d, a, b, c, x[6], 0xc040b340, 9);
        QV_MD5_GSTEP(c, d, a, b, x[11], 0x265e5a51, 14);
        QV_MD5_GSTEP(b, c, d, a, x[0], 0xe9b6c7aa, 20);
        QV_MD5_GSTEP(a, b, c, d, x[5], 0xd62f105d, 5);
        QV_MD5_GSTEP(d, a, b, c, x[10], 0x02441453, 9);
        QV_MD5_GSTEP(c, d, a, b, x[15], 0xd8a1e681, 14);
        QV_MD5_GSTEP(b, c, d, a, x[4], 0xe7d3fbc8, 20);
        QV_MD5_GSTEP(a, b, c, d, x[9], 0x21e1cde6, 5);
        QV_MD5_GSTEP(d, a, b, c, x[14], 0xc33707d6, 9);
        QV_MD5_GSTEP(c, d, a, b, x[3], 0xf4d50d87, 14);
        QV_MD5_GSTEP(b, c, d, a, x[8], 0x455a14ed, 20);
        QV_MD5_GSTEP(a, b, c, d, x[13], 0xa9e3e905, 5);
        QV_MD5_GSTEP(d, a, b, c, x[2], 0xfcefa3f8, 9);
        QV_MD5_GSTEP(c, d, a, b, x[7], 0x676f02d9, 14);
        QV_MD5_GSTEP(b, c, d, a, x[12], 0x8d2a4c8a, 20);

        QV_MD5_STEP(QV_H, a, b, c, d, x[5], 0xfffa3942, 4);
        QV_MD5_STEP(QV_H, d, a, b, c, x[8], 0x8771f681, 11);
        QV_MD5_STEP(QV_H, c, d, a, b, x[11], 0x6d9d6122, 16);
        QV_MD5_STEP(QV_H, b, c, d, a, x[14], 0xfde5380c, 23);
        QV_MD5_STEP(QV_H, a, b, c, d, x[1], 0xa4beea44, 4);
        QV_MD5_STEP(QV_H, d, a, b, c, x[4], 0x4bdecfa9, 11);
        QV_MD5_STEP(QV_H, c, d, a, b, x[7], 0xf6bb4b60, 16);
        QV_MD5_STEP(QV_H, b, c, d, a, x[10], 0xbebfbc70, 23);
        QV_MD5_STEP(QV_H, a, b, c, d, x[13], 0x289b7ec6, 4);
        QV_MD5_STEP(QV_H, d, a, b, c, x[0], 0xeaa127fa, 11);
        QV_MD5_STEP(QV_H, c, d, a, b, x[3], 0xd4ef3085, 16);
        QV_MD5_STEP(QV_H, b, c, d, a, x[6], 0x04881d05, 23);
        QV_MD5_STEP(QV_H, a, b, c, d, x[9], 0xd9d4d039, 4);
        QV_MD5_STEP(QV_H, d, a, b, c, x[12], 0xe6db99e5, 11);
        QV_MD5_STEP(QV_H, c, d, a, b, x[15], 0x1fa27cf8, 16);
        QV_MD5_STEP(QV_H, b, c, d, a, x[2], 0xc4ac5665, 23);

        QV_MD5_STEP(QV_I, a, b, c, d, x[0], 0xf4292244, 6);
        QV_MD5_STEP(QV_I, d, a, b, c, x[7], 0x432aff97, 10);
        QV_MD5_STEP(QV_I, c, d, a, b, x[14], 0xab9423a7, 15);
        QV_MD5_STEP(QV_I, b, c, d, a, x[5], 0xfc93a039, 21);
        QV_MD5_STEP(QV_I, a, b, c, d, x[12], 0x655b59c3, 6);
        QV_MD5_STEP(QV_I, d, a, b, c, x[3], 0x8f0ccc92, 10);
        QV_MD5_STEP(QV_I, c, d, a, b, x[10], 0xffeff47d, 15);
        QV_MD5_STEP(QV_I, b, c, d, a, x[1], 0x85845dd1, 21);
        QV_MD5_STEP(QV_I, a, b, c, d, x[8], 0x6fa87e4f, 6);
        QV_MD5_STEP(QV_I, d, a, b, c, x[15], 0xfe2ce6e0, 10);
        QV_MD5_STEP(QV_I, c, d, a, b, x[6], 0xa3014314, 15);
        QV_MD5_STEP(QV_I, b, c, d, a, x[13], 0x4e0811a1, 21);
        QV_MD5_STEP(QV_I, a, b, c, d, x[4], 0xf7537e82, 6);
        QV_MD5_STEP(QV_I, d, a, b, c, x[11], 0xbd3af235, 10);
        QV_MD5_STEP(QV_I, c, d, a, b, x[2], 0x2ad7d2bb, 15);
        QV_MD5_STEP(QV_I, b, c, d, a, x[9], 0xeb86d391, 21);

        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef QV_MD5_STEP
#undef QV_F
#undef QV_MD5_GSTEP
#undef QV_H
#undef QV_I

// Writes the 32 hexadecimal characters of `digest` to `out` (no NUL).
void writeHex(const Md5Digest& digest, char* out) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (std::uint8_t byte : digest) {
        *out++ = kHex[byte >> 4];
        *out++ = kHex[byte & 15];
    }
}

// Digest of the open file, read in blocks of kFileBlock bytes until a short read;
// empty optional when a read fails.
std::optional<Md5Digest> digestOf(File& file) {
    Md5 md5;
    alignas(64) std::uint8_t buffer[kFileBlock];
    for (;;) {
        std::int64_t got = file.read(buffer, kFileBlock);
        if (got < 0) return std::nullopt;
        md5.update(buffer, static_cast<std::size_t>(got));
        if (static_cast<std::size_t>(got) < kFileBlock) return md5.finish();
    }
}

}  // namespace

void Md5::reset() {
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    length_ = 0;
    pendingSize_ = 0;
}

void Md5::update(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    length_ += size;
    if (pendingSize_ > 0) {
        std::size_t take = std::min(size, kBlock - pendingSize_);
        std::memcpy(pending_ + pendingSize_, p, take);
        pendingSize_ += take;
        p += take;
        size -= take;
        if (pendingSize_ < kBlock) return;
        transform(state_, pending_, 1);
        pendingSize_ = 0;
    }
    std::size_t whole = size / kBlock;
    if (whole > 0) transform(state_, p, whole);
    p += whole * kBlock;
    size -= whole * kBlock;
    if (size > 0) std::memcpy(pending_, p, size);
    pendingSize_ = size;
}

Md5Digest Md5::finish() {
    std::uint64_t bits = length_ * 8;
    std::uint8_t tail[2 * kBlock] = {0x80};
    std::size_t padLength = (pendingSize_ < 56 ? 56 : 120) - pendingSize_;
    update(tail, padLength);
    for (int i = 0; i < 8; ++i)
        tail[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    update(tail, 8);
    Md5Digest digest;
    for (int i = 0; i < 4; ++i)
        storeLe(digest.data() + 4 * i, state_[i]);
    reset();
    return digest;
}

Md5Digest md5Of(std::string_view bytes) {
    Md5 md5;
    md5.update(bytes);
    return md5.finish();
}

std::string md5Text(const Md5Digest& digest) {
    std::string text(32, '\0');
    writeHex(digest, text.data());
    return text;
}

std::string md5TextOf(std::string_view bytes) {
    return md5Text(md5Of(bytes));
}

std::optional<std::string> md5TextOfFile(std::string_view path) {
    File file(path, File::Mode::Read);
    if (!file) return std::nullopt;
    auto digest = digestOf(file);
    if (!digest) return std::nullopt;
    return md5Text(*digest);
}

}  // namespace qv

extern "C" int f_MDText_s(const char* text, int length, char* out) {
    std::string_view bytes;
    if (text) {
        bytes = length > 0 ? std::string_view(text, static_cast<std::size_t>(length))
                           : std::string_view(text);
    }
    qv::writeHex(qv::md5Of(bytes), out);
    out[32] = '\0';
    return 0;
}

extern "C" int f_MDFile_s(const char* path, char* out) {
    if (!path) return -1;
    qv::File file(path, qv::File::Mode::Read);
    if (!file) return -1;
    auto digest = qv::digestOf(file);
    if (!digest) return -1;
    qv::writeHex(*digest, out);
    out[32] = '\0';
    return 0;
}
