#include "Zahlen.h"

#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "Auftrag.h"

double fuehrendeZahl(const QString& text) {
    std::string zahl;
    int i = 0;
    const int n = static_cast<int>(text.size());
    auto blanks = [&] {
        while (i < n &&
               (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r')) {
            ++i;
        }
    };
    auto ziffern = [&] {
        bool gelesen = false;
        for (blanks(); i < n && text[i].isDigit() && text[i].unicode() < 128; blanks()) {
            zahl += static_cast<char>(text[i++].unicode());
            gelesen = true;
        }
        return gelesen;
    };
    blanks();
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        zahl += static_cast<char>(text[i++].unicode());
    bool mantisse = ziffern();
    if (i < n && text[i] == u'.') {
        zahl += '.';
        ++i;
        mantisse = ziffern() || mantisse;
    }
    if (!mantisse)
        return 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        std::string exponent = "e";
        int j = i + 1;
        if (j < n && (text[j] == u'-' || text[j] == u'+'))
            exponent += static_cast<char>(text[j++].unicode());
        std::string ziffernfolge;
        while (j < n && text[j].isDigit() && text[j].unicode() < 128) {
            ziffernfolge += static_cast<char>(text[j++].unicode());
        }
        if (!ziffernfolge.empty())
            zahl += exponent + ziffernfolge;
    }
    // The C library's own locale would read "1.5" as 1 under a German one.
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", nullptr);
    return ::strtod_l(zahl.c_str(), nullptr, c);
}

std::optional<std::int64_t> ganzeBytes(double bytes) {
    if (!std::isfinite(bytes))
        return std::nullopt;
    const int alt = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double gerundet = std::nearbyint(bytes);
    std::fesetround(alt);
    // 2^63 itself is out of range; every double below it converts exactly.
    if (gerundet >= 9223372036854775808.0 || gerundet < -9223372036854775808.0)
        return std::nullopt;
    return static_cast<std::int64_t>(gerundet);
}

QString groesseInKByte(std::int64_t bytes, const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(static_cast<double>(bytes) / 1000.0, 'g', 15);
}

std::optional<QString> stueckanzahl(std::int64_t quellgroesse, std::int64_t teilgroesse) {
    if (teilgroesse <= 0)
        return std::nullopt;
    const std::int64_t n = zorta::teilanzahl(quellgroesse, teilgroesse);
    return n > 0 ? QString::number(n) : QString();
}
