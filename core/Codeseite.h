#pragma once

#include <string>

namespace zorta {

// Text between UTF-8 and the code pages that batch files are read in
// (code page 850 under DOS and cmd, 1252 in Windows editors), through iconv.
enum class Wandlung {
    Ok,
    NichtDarstellbar,  // a character has no place in the target, or the input is invalid
    NichtVerfuegbar,   // iconv does not know one of the code pages on this system
};

// `text` converted from `von` to `nach` (iconv's names, e.g. "UTF-8",
// "CP850"), exactly: a character without its own place in `nach` fails
// rather than being approximated. *aus is set only on Ok.
Wandlung umwandeln(const std::string& text, const char* von, const char* nach, std::string* aus);

// True for well-formed UTF-8: no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool istUtf8(const std::string& text);

}  // namespace zorta
