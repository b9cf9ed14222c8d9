#include "Codeseite.h"

#include <iconv.h>

#include <cerrno>

namespace zorta {

Wandlung umwandeln(const std::string& text, const char* von, const char* nach, std::string* aus) {
    const iconv_t cd = ::iconv_open(nach, von);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return Wandlung::NichtVerfuegbar;
    std::string ziel(text.size() * 4 + 4, '\0');  // grown below if a code page needs more
    char* ein = const_cast<char*>(text.data());
    std::size_t einRest = text.size();
    std::size_t fertig = 0;
    Wandlung ergebnis = Wandlung::Ok;
    for (;;) {
        char* a = ziel.data() + fertig;
        std::size_t frei = ziel.size() - fertig;
        const std::size_t r = ::iconv(cd, &ein, &einRest, &a, &frei);
        fertig = ziel.size() - frei;
        if (r == static_cast<std::size_t>(-1) && errno == E2BIG) {
            ziel.resize(ziel.size() * 2);
            continue;
        }
        // A count above 0 means characters were approximated.
        if (r != 0 || einRest != 0)
            ergebnis = Wandlung::NichtDarstellbar;
        break;
    }
    ::iconv_close(cd);
    if (ergebnis == Wandlung::Ok) {
        ziel.resize(fertig);
        *aus = std::move(ziel);
    }
    return ergebnis;
}

bool istUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int folge = c < 0x80                ? 0
                          : c >= 0xc2 && c < 0xe0 ? 1
                          : c >= 0xe0 && c < 0xf0 ? 2
                          : c >= 0xf0 && c < 0xf5 ? 3
                                                  : -1;
        if (folge < 0 || i + static_cast<std::size_t>(folge) >= text.size())
            return false;
        // The second byte's range rules out overlong forms, surrogates and
        // code points above U+10FFFF.
        const auto zweites = static_cast<unsigned char>(text[i + (folge > 0 ? 1 : 0)]);
        const unsigned char unten = c == 0xe0 ? 0xa0 : c == 0xf0 ? 0x90 : 0x80;
        const unsigned char oben = c == 0xed ? 0x9f : c == 0xf4 ? 0x8f : 0xbf;
        if (folge > 0 && (zweites < unten || zweites > oben))
            return false;
        for (int k = 2; k <= folge; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80)
                return false;
        }
        i += static_cast<std::size_t>(folge) + 1;
    }
    return true;
}

}  // namespace zorta
