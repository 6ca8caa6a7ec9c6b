// The two chat sounds. The machine has no system sounds to copy, so missing sound
// files are written at first start as short generated WAV files: a rising two-tone
// chime for the first line of a chat and a single soft tone for the lines after it.
//
// Any thread.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// The bytes of a WAV file (PCM, 8 kHz, 8-bit mono) with the given tones played one
// after the other, each `toneMs` long, faded in and out.
std::string generatedChime(std::initializer_list<int> frequencies, int toneMs);

// Writes the first-line and next-line sounds at the two cp932 paths when they do not
// exist yet. A failed write is ignored (the chat then stays silent).
void writeMissingChatSounds(std::string_view firstLinePath, std::string_view nextLinePath);

}  // namespace qv
