#include "platform/ChatSounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/FileSystem.h"

namespace qv {
namespace {

constexpr int kSampleRate = 8000;

void putLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string wavHeader(std::uint32_t dataBytes) {
    std::string header = "RIFF";
    putLittleEndian(header, 36 + dataBytes, 4);
    header += "WAVEfmt ";
    putLittleEndian(header, 16, 4);           // format chunk size
    putLittleEndian(header, 1, 2);            // PCM
    putLittleEndian(header, 1, 2);            // mono
    putLittleEndian(header, kSampleRate, 4);  // samples per second
    putLittleEndian(header, kSampleRate, 4);  // bytes per second
    putLittleEndian(header, 1, 2);            // block align
    putLittleEndian(header, 8, 2);            // bits per sample
    header += "data";
    putLittleEndian(header, dataBytes, 4);
    return header;
}

// One tone as unsigned 8-bit samples, with a short fade at both ends.
std::string tone(int frequency, int toneMs) {
    int samples = kSampleRate * toneMs / 1000;
    int fade = std::max(1, samples / 8);
    std::string data;
    for (int i = 0; i < samples; ++i) {
        double envelope =
            std::min({1.0, static_cast<double>(i) / fade, static_cast<double>(samples - i) / fade});
        double value =
            std::sin(2.0 * std::numbers::pi * frequency * i / kSampleRate) * envelope * 90.0;
        data += static_cast<char>(static_cast<int>(128 + value));
    }
    return data;
}

}  // namespace

std::string generatedChime(std::initializer_list<int> frequencies, int toneMs) {
    std::string data;
    for (int frequency : frequencies)
        data += tone(frequency, toneMs);
    return wavHeader(static_cast<std::uint32_t>(data.size())) + data;
}

void writeMissingChatSounds(std::string_view firstLinePath, std::string_view nextLinePath) {
    if (!pathExists(firstLinePath)) writeWholeFile(firstLinePath, generatedChime({660, 880}, 120));
    if (!pathExists(nextLinePath)) writeWholeFile(nextLinePath, generatedChime({880}, 90));
}

}  // namespace qv
