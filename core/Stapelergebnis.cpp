#include "Stapelergebnis.h"

#include <cstdio>

namespace zorta {

namespace {

std::string ergebniszeile(int status, unsigned long long laenge) {
    return "zorta-ergebnis " + std::to_string(status) + " " + std::to_string(laenge) + "\n";
}

}  // namespace

std::string ergebnisAusgabe(int status, const std::string& meldung) {
    return meldung + ergebniszeile(status, meldung.size());
}

Stapelergebnis ergebnisLesen(int status, const std::string& fehlerausgabe) {
    Stapelergebnis e;
    e.status = status;
    if (fehlerausgabe.empty() || fehlerausgabe.back() != '\n')
        return e;
    const std::size_t anfang =
        fehlerausgabe.size() < 2 ? 0 : fehlerausgabe.rfind('\n', fehlerausgabe.size() - 2) + 1;
    int gemeldet = 0;
    unsigned long long laenge = 0;
    if (std::sscanf(fehlerausgabe.c_str() + anfang, "zorta-ergebnis %d %llu", &gemeldet, &laenge) !=
            2 ||
        fehlerausgabe.compare(anfang, std::string::npos, ergebniszeile(gemeldet, laenge)) != 0 ||
        gemeldet != status) {
        return e;
    }
    // Only the end of a long output may have been kept: a line cut at its
    // start is dropped.
    std::string text;
    if (laenge <= anfang) {
        text = fehlerausgabe.substr(anfang - laenge, laenge);
    } else {
        text = fehlerausgabe.substr(0, anfang);
        text.erase(0, text.find('\n') + 1);
        e.gekuerzt = true;
    }
    std::size_t a = 0;
    for (std::size_t ende; (ende = text.find('\n', a)) != std::string::npos; a = ende + 1)
        e.zeilen.push_back(text.substr(a, ende - a));
    if (a < text.size())
        e.zeilen.push_back(text.substr(a));
    return e;
}

}  // namespace zorta
