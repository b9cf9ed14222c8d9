#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

// The locale-independent leading-number rule of the piece-size box: blanks
// are skipped, "." is the decimal point, reading stops at the first character
// that cannot continue the number; no number at all is 0.
double fuehrendeZahl(const QString& text);

// Bytes to whole bytes, halves to even; nullopt when the value does not fit
// a signed 64-bit count.
std::optional<std::int64_t> ganzeBytes(double bytes);

// Label6: the size in KByte of 1000 bytes by the locale's rules, no
// thousands separator, no trailing zeros, up to 15 significant digits.
QString groesseInKByte(std::int64_t bytes, const QLocale& locale = QLocale());

// Label9: the number of pieces a run writes, the source length over the
// piece size rounded up; "" for an empty source, nullopt without a size.
std::optional<QString> stueckanzahl(std::int64_t quellgroesse, std::int64_t teilgroesse);
