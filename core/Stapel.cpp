#include "Stapel.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "Pfade.h"

namespace zorta {

namespace {

constexpr std::size_t kPuffer = 128 * 1024;
constexpr std::size_t kUebertragung = 16 * 1024 * 1024;

bool leer(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string trim(const std::string& s) {
    std::size_t a = 0, e = s.size();
    while (a < e && leer(s[a])) ++a;
    while (e > a && leer(s[e - 1])) --e;
    return s.substr(a, e - a);
}

enum class Art { Name, Plus, Schalter, Umleitung };
struct Zeichen {
    Art art;
    std::string text;
};

bool zerlegen(const std::string& s, std::vector<Zeichen>* aus, std::string* fehler) {
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (leer(c)) {
            ++i;
        } else if (c == '+') {
            aus->push_back({Art::Plus, "+"});
            ++i;
        } else if (c == '>') {
            ++i;
            if (i < s.size() && s[i] == '>') {
                *fehler = "Anfügende Umleitung wird nicht unterstützt";
                return false;
            }
            while (i < s.size() && leer(s[i])) ++i;
            std::size_t e = i;
            while (e < s.size() && !leer(s[e])) ++e;
            if (kleinAscii(s.substr(i, e - i)) != "nul") {
                *fehler = "Nur die Umleitung nach nul wird unterstützt";
                return false;
            }
            aus->push_back({Art::Umleitung, "nul"});
            i = e;
        } else if (c == '<' || c == '|' || c == '&') {
            *fehler = std::string("Nicht unterstütztes Zeichen '") + c + "'";
            return false;
        } else {
            // A name, possibly with quoted parts; a '/' outside quotes at its
            // start is a switch.
            std::string name;
            bool zitiert = false;
            const bool schalter = c == '/';
            while (i < s.size() && (zitiert || (!leer(s[i]) && s[i] != '+' && s[i] != '>' &&
                                                s[i] != '<' && s[i] != '|' && s[i] != '&'))) {
                if (s[i] == '"') {
                    zitiert = !zitiert;
                } else {
                    name += s[i];
                }
                ++i;
            }
            if (zitiert) {
                *fehler = "Anführungszeichen nicht geschlossen";
                return false;
            }
            // "2>nul" and "1>nul": the digit names the stream, not a file.
            if ((name == "1" || name == "2") && i < s.size() && s[i] == '>')
                continue;
            aus->push_back({schalter ? Art::Schalter : Art::Name, name});
        }
    }
    return true;
}

std::string aufloesen(const std::string& name, const std::string& ordner) {
    std::string n = name;
    std::replace(n.begin(), n.end(), '\\', Trenner);
    if (ordner.empty() || (!n.empty() && n[0] == Trenner))
        return n;
    return Ordnerpraefix(ordner) + n;
}

// Pieces carried on FAT media often change case: a source that is missing as
// written is looked up ignoring ASCII case, when exactly one file matches.
Fehler quelleFinden(const std::string& pfad, Dateisystem& fs, std::string* gefunden) {
    bool da = false;
    if (Fehler f = fs.existiert(pfad, &da); !f.ok())
        return f;
    if (da) {
        *gefunden = pfad;
        return {};
    }
    const std::string ordner = Ordner(pfad);
    std::vector<std::string> namen;
    if (Fehler f = fs.verzeichnis(ordner, &namen); !f.ok())
        return f;
    const std::string gesucht = kleinAscii(Dateiname(pfad));
    std::string treffer;
    int anzahl = 0;
    for (const auto& n : namen) {
        if (kleinAscii(n) == gesucht) {
            treffer = n;
            ++anzahl;
        }
    }
    if (anzahl != 1)
        return Fehler::nummer(fehlernr::DateiNichtGefunden);
    *gefunden = ordner.empty() ? treffer : Ordnerpraefix(ordner) + treffer;
    return fs.existiert(*gefunden, &da).ok() && da ? Fehler{}
                                                   : Fehler::nummer(fehlernr::DateiNichtGefunden);
}

}  // namespace

bool kopierbefehlLesen(const std::string& argumente, Kopierbefehl* befehl, std::string* fehler) {
    std::vector<Zeichen> zeichen;
    if (!zerlegen(argumente, &zeichen, fehler))
        return false;
    Kopierbefehl b;
    bool plusDavor = false;
    for (const auto& z : zeichen) {
        switch (z.art) {
            case Art::Schalter: {
                // "/b/v" is two switches.
                std::size_t a = 0;
                const std::string alle = kleinAscii(z.text);
                while (a < alle.size()) {
                    std::size_t e = alle.find('/', a + 1);
                    if (e == std::string::npos)
                        e = alle.size();
                    const std::string s = alle.substr(a, e - a);
                    if (s != "/b" && s != "/a" && s != "/y" && s != "/v" && s != "/-y") {
                        *fehler = "Unbekannter Schalter " + z.text;
                        return false;
                    }
                    a = e;
                }
                break;
            }
            case Art::Umleitung:
                b.ausgabeVerworfen = true;
                break;
            case Art::Plus:
                if (b.quellen.empty() || plusDavor || !b.ziel.empty()) {
                    *fehler = "Syntaxfehler bei '+'";
                    return false;
                }
                plusDavor = true;
                break;
            case Art::Name:
                if (z.text.empty()) {
                    *fehler = "Leerer Dateiname";
                    return false;
                }
                if (b.quellen.empty() || plusDavor) {
                    if (!b.ziel.empty()) {
                        *fehler = "Syntaxfehler: Quelle nach dem Ziel";
                        return false;
                    }
                    b.quellen.push_back(z.text);
                } else if (b.ziel.empty()) {
                    b.ziel = z.text;
                } else {
                    *fehler = "Zu viele Parameter";
                    return false;
                }
                plusDavor = false;
                break;
        }
    }
    if (plusDavor || b.quellen.empty()) {
        *fehler = "Syntaxfehler: Quelle fehlt";
        return false;
    }
    *befehl = std::move(b);
    return true;
}

Fehler kopieren(const Kopierbefehl& befehl, const std::string& ordner, Dateisystem& fs) {
    std::vector<std::string> quellen;
    for (const auto& q : befehl.quellen) {
        std::string pfad;
        if (Fehler f = quelleFinden(aufloesen(q, ordner), fs, &pfad); !f.ok())
            return f;
        quellen.push_back(pfad);
    }
    const std::string ziel = aufloesen(
        befehl.ziel.empty() ? Dateiname(aufloesen(befehl.quellen.front(), "")) : befehl.ziel,
        ordner);

    // A destination that is one of its sources would be read while it is replaced.
    Dateikennung zielKennung;
    bool zielDa = false;
    if (Fehler f = fs.existiert(ziel, &zielDa); !f.ok())
        return f;
    if (zielDa) {
        if (Fehler f = fs.kennung(ziel, &zielKennung); !f.ok())
            return f;
        for (const auto& q : quellen) {
            Dateikennung k;
            if (Fehler f = fs.kennung(q, &k); !f.ok())
                return f;
            if (k == zielKennung)
                return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
        }
    }

    OffeneDatei aus(fs);
    std::string entwurf;
    if (Fehler f = entwurfAnlegen(fs, ziel, aus, &entwurf); !f.ok())
        return f;

    const auto puffer = std::make_unique<char[]>(kPuffer);
    auto kopiereAlles = [&]() -> Fehler {
        bool luecke = false;
        for (const auto& q : quellen) {
            OffeneDatei ein(fs);
            if (Fehler f = fs.oeffneLesen(q, ein.ziel()); !f.ok())
                return f;
            // In the kernel where it can (no copy through user space); a
            // source with holes goes through the buffer so they stay holes.
            bool imKern = true;
            for (;;) {
                std::size_t menge = 0;
                if (imKern) {
                    Fehler f = fs.uebertragen(ein.handle(), aus.handle(), kUebertragung, &menge);
                    if (f.nummer() == fehlernr::UnzulaessigerAufruf) {
                        imKern = false;
                        continue;
                    }
                    if (!f.ok())
                        return f;
                    if (menge == 0)
                        break;
                    luecke = false;
                    continue;
                }
                if (Fehler f = fs.lesen(ein.handle(), puffer.get(), kPuffer, &menge); !f.ok()) {
                    return f;
                }
                if (menge == 0)
                    break;
                if (Fehler f = blockAusgeben(fs, aus.handle(), puffer.get(), menge, &luecke);
                    !f.ok()) {
                    return f;
                }
            }
            if (Fehler f = ein.schliessen(); !f.ok())
                return f;
        }
        if (luecke) {
            if (Fehler f = fs.laengeAnPosition(aus.handle()); !f.ok())
                return f;
        }
        if (Fehler f = aus.schliessen(); !f.ok())
            return f;
        return fs.umbenennen(entwurf, ziel);
    };
    Fehler f = kopiereAlles();
    if (!f.ok()) {
        aus.zu();
        (void)fs.loeschen(entwurf);
    }
    return f;
}

int stapelAusfuehren(const std::string& text, const std::string& ordner, Dateisystem& fs,
                     std::string* ausgabe) {
    std::size_t anfang = 0;
    int zeilennummer = 0;
    while (anfang <= text.size()) {
        std::size_t ende = text.find('\n', anfang);
        if (ende == std::string::npos)
            ende = text.size();
        std::string zeile = trim(text.substr(anfang, ende - anfang));
        anfang = ende + 1;
        ++zeilennummer;
        while (!zeile.empty() && zeile[0] == '@') zeile = trim(zeile.substr(1));
        if (zeile.empty())
            continue;

        std::size_t w = 0;
        while (w < zeile.size() && std::isalpha(static_cast<unsigned char>(zeile[w]))) ++w;
        const std::string befehl = kleinAscii(zeile.substr(0, w));
        const std::string rest = zeile.substr(w);
        const bool getrennt = rest.empty() || leer(rest[0]) || rest[0] == '/';
        const auto melden = [&](const std::string& m) {
            *ausgabe += "Zeile " + std::to_string(zeilennummer) + ": " + m + "\n";
        };

        if (befehl == "rem" && (rest.empty() || leer(rest[0])))
            continue;
        if (befehl == "echo" && (rest.empty() || leer(rest[0]) || rest[0] == '.')) {
            const std::string t = trim(rest.empty() ? rest : rest.substr(1));
            const std::string k = kleinAscii(t);
            if (k != "off" && k != "on")
                *ausgabe += t + "\n";
            continue;
        }
        if (befehl == "copy" && getrennt) {
            Kopierbefehl k;
            std::string fehler;
            if (!kopierbefehlLesen(rest, &k, &fehler)) {
                melden(fehler);
                return stapelstatus::NichtUnterstuetzt;
            }
            if (Fehler f = kopieren(k, ordner, fs); !f.ok()) {
                melden("Fehler " + std::to_string(f.nummer()) + ": " + f.beschreibung());
                return stapelstatus::KopierFehler;
            }
            if (!k.ausgabeVerworfen)
                *ausgabe += "        1 Datei(en) kopiert.\n";
            continue;
        }
        melden("Befehl wird nicht unterstützt: " + zeile);
        return stapelstatus::NichtUnterstuetzt;
    }
    return stapelstatus::Ok;
}

}  // namespace zorta
