// The characters of file names that Linux and macOS input methods write where Windows
// writes another form, while cp932 has one code for both: WAVE DASH U+301C and
// FULLWIDTH TILDE U+FF5E are both 0x8160, and so are MINUS SIGN U+2212 / FULLWIDTH
// HYPHEN-MINUS U+FF0D (0x817C), DOUBLE VERTICAL LINE U+2016 / PARALLEL TO U+2225
// (0x8161), EM DASH U+2014 / HORIZONTAL BAR U+2015 (0x815C), and the cent, pound and
// not signs U+00A2, U+00A3, U+00AC / their full-width forms (0x8191, 0x8192, 0x81CA).
// cp932 converts back to the Windows form (the second of each pair), so a file whose
// name holds the other form travels under the Windows form and is found on disk again
// by trying the other form.
//
// Threads: pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// `utf8` with every other form replaced by its Windows form.
std::string windowsForms(std::string_view utf8);

// `utf8` with every Windows form replaced by the other form.
std::string otherForms(std::string_view utf8);

// True when `utf8` holds a Windows form of the table.
bool hasWindowsForms(std::string_view utf8);

}  // namespace qv
