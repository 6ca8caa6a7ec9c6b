#include "model/SearchFolding.h"

#include <array>
#include <cstdint>

#include "base/Cp932.h"
#include "base/TextUtil.h"

namespace qv {
namespace {

constexpr unsigned char kVoicedMark = 0xDE;      // ﾞ
constexpr unsigned char kSemiVoicedMark = 0xDF;  // ﾟ

// The half-width form of each full-width katakana, in cp932 order from ァ (0x8340)
// to ヶ (0x8396, 0x837F is not a character): the base character and the sound mark
// that follows it (0: none). A base of 0 marks the kana without a half-width form
// (ヮ ヰ ヱ ヵ ヶ), which stay full-width.
struct HalfWidthKana {
    unsigned char base;
    unsigned char mark;
};
constexpr int kKatakanaCount = 86;
constexpr unsigned char V = kVoicedMark;
constexpr unsigned char P = kSemiVoicedMark;
constexpr std::array<HalfWidthKana, kKatakanaCount> kKatakanaToHalfWidth = {{
    {0xA7, 0}, {0xB1, 0}, {0xA8, 0}, {0xB2, 0}, {0xA9, 0},  // ァアィイゥ
    {0xB3, 0}, {0xAA, 0}, {0xB4, 0}, {0xAB, 0}, {0xB5, 0},  // ウェエォオ
    {0xB6, 0}, {0xB6, V}, {0xB7, 0}, {0xB7, V}, {0xB8, 0},  // カガキギク
    {0xB8, V}, {0xB9, 0}, {0xB9, V}, {0xBA, 0}, {0xBA, V},  // グケゲコゴ
    {0xBB, 0}, {0xBB, V}, {0xBC, 0}, {0xBC, V}, {0xBD, 0},  // サザシジス
    {0xBD, V}, {0xBE, 0}, {0xBE, V}, {0xBF, 0}, {0xBF, V},  // ズセゼソゾ
    {0xC0, 0}, {0xC0, V}, {0xC1, 0}, {0xC1, V}, {0xAF, 0},  // タダチヂッ
    {0xC2, 0}, {0xC2, V}, {0xC3, 0}, {0xC3, V}, {0xC4, 0},  // ツヅテデト
    {0xC4, V}, {0xC5, 0}, {0xC6, 0}, {0xC7, 0}, {0xC8, 0},  // ドナニヌネ
    {0xC9, 0}, {0xCA, 0}, {0xCA, V}, {0xCA, P}, {0xCB, 0},  // ノハバパヒ
    {0xCB, V}, {0xCB, P}, {0xCC, 0}, {0xCC, V}, {0xCC, P},  // ビピフブプ
    {0xCD, 0}, {0xCD, V}, {0xCD, P}, {0xCE, 0}, {0xCE, V},  // ヘベペホボ
    {0xCE, P}, {0xCF, 0}, {0xD0, 0}, {0xD1, 0}, {0xD2, 0},  // ポマミムメ
    {0xD3, 0}, {0xAC, 0}, {0xD4, 0}, {0xAD, 0}, {0xD5, 0},  // モャヤュユ
    {0xAE, 0}, {0xD6, 0}, {0xD7, 0}, {0xD8, 0}, {0xD9, 0},  // ョヨラリル
    {0xDA, 0}, {0xDB, 0}, {0x00, 0}, {0xDC, 0}, {0x00, 0},  // レロヮワヰ
    {0x00, 0}, {0xA6, 0}, {0xDD, 0}, {0xB3, V}, {0x00, 0},  // ヱヲンヴヵ
    {0x00, 0},                                              // ヶ
}};

constexpr unsigned char kKatakanaLead = 0x83;
constexpr unsigned char kKatakanaFirstTrail = 0x40;
constexpr unsigned char kKatakanaLastTrail = 0x96;
constexpr unsigned char kHiraganaFirstTrail = 0x9F;  // ぁ, lead 0x82
constexpr unsigned char kHiraganaLastTrail = 0xF1;   // ん

// Index into kKatakanaToHalfWidth of a katakana trail byte (the table skips 0x7F).
int katakanaIndex(unsigned char trail) {
    return trail - kKatakanaFirstTrail - (trail > 0x7F ? 1 : 0);
}

unsigned char katakanaTrail(int index) {
    return static_cast<unsigned char>(kKatakanaFirstTrail + index + (index >= 0x3F ? 1 : 0));
}

// Half-width small kana read as the normal ones: ｧ-ｫ -> ｱ-ｵ, ｬ-ｮ -> ﾔ-ﾖ, ｯ -> ﾂ.
unsigned char normalKana(unsigned char c) {
    if (c >= 0xA7 && c <= 0xAB) return static_cast<unsigned char>(c - 0xA7 + 0xB1);
    if (c >= 0xAC && c <= 0xAE) return static_cast<unsigned char>(c - 0xAC + 0xD4);
    if (c == 0xAF) return 0xC2;
    return c;
}

bool droppedSingleByte(unsigned char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ' || (c >= 0x21 && c <= 0x2F) ||
           (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x5F) || (c >= 0x7B && c <= 0x7F) ||
           (c >= 0xA1 && c <= 0xA5) || c == 0xB0;
}

void foldSingleByte(unsigned char c, std::string& out) {
    if (droppedSingleByte(c)) return;
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    out.push_back(static_cast<char>(normalKana(c)));
}

void foldKatakana(int index, std::string& out) {
    const HalfWidthKana& kana = kKatakanaToHalfWidth[index];
    if (kana.base == 0) {
        out.push_back(static_cast<char>(kKatakanaLead));
        out.push_back(static_cast<char>(katakanaTrail(index)));
        return;
    }
    out.push_back(static_cast<char>(normalKana(kana.base)));
    if (kana.mark != 0) out.push_back(static_cast<char>(kana.mark));
}

// Lead 0x82: full-width digits, capitals, small letters and hiragana.
bool foldLead82(unsigned char trail, std::string& out) {
    if (trail >= 0x4F && trail <= 0x58) {
        out.push_back(static_cast<char>('0' + trail - 0x4F));
    } else if (trail >= 0x60 && trail <= 0x79) {
        out.push_back(static_cast<char>('a' + trail - 0x60));
    } else if (trail >= 0x81 && trail <= 0x9A) {
        out.push_back(static_cast<char>('a' + trail - 0x81));
    } else if (trail >= kHiraganaFirstTrail && trail <= kHiraganaLastTrail) {
        foldKatakana(trail - kHiraganaFirstTrail, out);
    } else {
        return false;
    }
    return true;
}

// Folds one two-byte character; false when it stays as it is.
bool foldDoubleByte(unsigned char lead, unsigned char trail, std::string& out) {
    switch (lead) {
        case 0x81:  // full-width symbols and spaces
        case 0x84:  // Cyrillic and line drawing
            return true;
        case 0x82:
            return foldLead82(trail, out);
        case 0x83:
            if (trail >= 0x9F) return true;  // Greek
            if (trail < kKatakanaFirstTrail || trail > kKatakanaLastTrail || trail == 0x7F)
                return false;
            foldKatakana(katakanaIndex(trail), out);
            return true;
        case 0x87:  // circled numbers, units and the other special characters
            return trail >= 0x40 && trail <= 0x9F;
        default:
            return false;
    }
}

}  // namespace

std::string foldForSearch(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = charLength(text, pos);
        auto lead = static_cast<unsigned char>(text[pos]);
        if (length == 1) {
            foldSingleByte(lead, out);
        } else {
            auto trail = static_cast<unsigned char>(text[pos + 1]);
            if (!foldDoubleByte(lead, trail, out)) out.append(text.substr(pos, 2));
        }
        pos += length;
    }
    return out;
}

bool searchMatches(std::string_view name, std::string_view search) {
    std::string folded = foldForSearch(search);
    if (folded.empty()) return false;
    return findFirst(foldForSearch(name), folded) != std::string::npos;
}

}  // namespace qv
