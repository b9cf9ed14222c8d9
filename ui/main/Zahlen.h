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

// Label9: size text / piece-size text, both read by the locale's rules,
// formatted with the mask "##" (halves up, 0 gives ""). nullopt when it
// cannot be computed; the caller then keeps the old caption.
std::optional<QString> diskettenanzahl(const QString& kbyteText, const QString& teilText,
                                       const QLocale& locale = QLocale());
