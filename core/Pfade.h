#pragma once

#include <cstdint>
#include <string>

namespace zorta {

// The folder separator of this platform; every path routine uses this one.
inline constexpr char Trenner = '/';

// `path` cut just after its last "." (folder names included), or `path`
// with "." appended when it has none. The result always ends in ".".
std::string OhneEndung(const std::string& path);

// The part of `path` after its last separator; `path` itself when it has none.
std::string Dateiname(const std::string& path);

// The part of `path` before its last separator ("" when it has none, the
// separator itself for a file in the root).
std::string Ordner(const std::string& path);

// The folder caption followed by one separator, unless it already ends in one.
std::string Ordnerpraefix(const std::string& ordner);

// True when the absolute path `pfad` is `ordner` or lies below it; "/"
// holds every absolute path, and a relative path lies under no folder.
bool liegtUnter(const std::string& pfad, const std::string& ordner);

// `text` without the characters of `zeichen` at its start and end.
std::string trim(const std::string& text, const char* zeichen = " \t");

// A piece number with the mask "000": at least three digits, zero-padded.
std::string Stuecknummer(std::int64_t nummer);

// ASCII letters folded to lower case; other bytes unchanged.
std::string kleinAscii(std::string text);

}  // namespace zorta
