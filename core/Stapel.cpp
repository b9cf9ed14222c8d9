#include "Stapel.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>

#include "Codeseite.h"
#include "Pfade.h"
#include "Pruefsumme.h"

namespace zorta {

namespace {

constexpr std::size_t kPuffer = 1024 * 1024;
constexpr std::size_t kUebertragung = 16 * 1024 * 1024;

// The draft of the running join, for the signal handler.
char gEntwurf[4096];
volatile sig_atomic_t gEntwurfDa = 0;

void entwurfMerken(const std::string& pfad) {
    gEntwurfDa = 0;
    if (pfad.size() < sizeof gEntwurf) {
        std::memcpy(gEntwurf, pfad.c_str(), pfad.size() + 1);
        gEntwurfDa = 1;
    }
}

extern "C" void beiSignal(int sig) {
    if (gEntwurfDa)
        (void)::unlink(gEntwurf);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

bool leer(char c) {
    return c == ' ' || c == '\t';
}

std::string trim(const std::string& s) {
    std::size_t a = 0, e = s.size();
    while (a < e && leer(s[a])) ++a;
    while (e > a && leer(s[e - 1])) --e;
    return s.substr(a, e - a);
}

std::string zuVieleTeile() {
    return "Mehr als " + std::to_string(kTeileHoechstens) + " Teile";
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
        if (aus->size() > 2 * kTeileHoechstens + 8) {
            *fehler = zuVieleTeile();
            return false;
        }
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

// "%%" is how a batch file writes "%"; the name must then stay in the folder.
bool nameLesen(const std::string& roh, std::string* name, std::string* fehler) {
    std::string n;
    for (std::size_t i = 0; i < roh.size(); ++i) {
        n += roh[i];
        if (roh[i] == '%' && i + 1 < roh.size() && roh[i + 1] == '%')
            ++i;
    }
    const auto steuer = std::find_if(n.begin(), n.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
    if (n.empty()) {
        *fehler = "Leerer Dateiname";
    } else if (n.find_first_of("/\\:") != std::string::npos || n == "." || n == "..") {
        *fehler = "Nur Dateinamen ohne Ordner und Laufwerk sind erlaubt: " + n;
    } else if (n.find_first_of("*?<>|") != std::string::npos) {
        *fehler = "Platzhalter und < > | werden nicht unterstützt: " + n;
    } else if (steuer != n.end()) {
        *fehler = "Steuerzeichen im Dateinamen";
    } else {
        *name = std::move(n);
        return true;
    }
    return false;
}

bool gueltigesUtf8(const std::string& s) {
    return istUtf8(s);
}

// `text` in the code page `von` as UTF-8; nothing when a byte has no meaning
// there or iconv does not know the code page.
std::optional<std::string> nachUtf8(const std::string& text, const char* von) {
    std::string aus;
    if (umwandeln(text, von, "UTF-8", &aus) != Wandlung::Ok)
        return std::nullopt;
    return aus;
}

// One checksum per name, from a text in the format of sha256sum.
std::unordered_map<std::string, std::string> pruefsummenLesen(const std::string& text) {
    std::unordered_map<std::string, std::string> summen;
    std::size_t anfang = 0;
    while (anfang < text.size()) {
        std::size_t ende = text.find('\n', anfang);
        if (ende == std::string::npos)
            ende = text.size();
        std::string z = text.substr(anfang, ende - anfang);
        anfang = ende + 1;
        if (!z.empty() && z.back() == '\r')
            z.pop_back();
        const bool maskiert = !z.empty() && z[0] == '\\';
        if (maskiert)
            z.erase(0, 1);
        if (z.size() < 67 || (z[65] != ' ' && z[65] != '*') || z[64] != ' ' ||
            !std::all_of(z.begin(), z.begin() + 64, [](char c) { return std::isxdigit(c); })) {
            continue;
        }
        std::string name;
        for (std::size_t i = 66; i < z.size(); ++i) {
            if (maskiert && z[i] == '\\' && i + 1 < z.size()) {
                ++i;
                name += z[i] == 'n' ? '\n' : z[i];
            } else {
                name += z[i];
            }
        }
        summen[name] = kleinAscii(z.substr(0, 64));
    }
    return summen;
}

struct Befehl {
    int zeile = 0;
    bool kopie = false;
    std::string echo;
    Kopierbefehl k;
};

class Ausfuehrung {
  public:
    Ausfuehrung(Stapellauf& lauf, Dateisystem& fs)
        : lauf_(lauf), fs_(fs), summen_(pruefsummenLesen(lauf.pruefsummen)) {}

    int kopieren(const Kopierbefehl& b);

  private:
    std::string pfad(const std::string& name) const {
        return lauf_.ordner.empty() ? name : Ordnerpraefix(lauf_.ordner) + name;
    }
    Fehler finden(const std::string& name, std::string* gefunden, bool* da);
    int scheitern(const std::string& ziel, const Fehler& f) {
        lauf_.meldung += ziel + " wurde nicht zusammengesetzt: Fehler " +
                         std::to_string(f.nummer()) + " (" + f.beschreibung() + ").\n";
        return stapelstatus::KopierFehler;
    }
    Fehler verbinden(const std::vector<std::string>& quellen, Dateisystem::Handle aus,
                     Pruefsumme* hash);

    Stapellauf& lauf_;
    Dateisystem& fs_;
    std::unordered_map<std::string, std::string> summen_;
    // The folder, listed at most once per run, by names folded to lower case.
    bool gelistet_ = false;
    std::unordered_map<std::string, std::vector<std::string>> namen_;
    std::unique_ptr<char[]> puffer_;  // for sources with holes when nothing is hashed
};

// Pieces carried on FAT media often change case: a source that is missing as
// written is looked up ignoring ASCII case, when exactly one file matches.
Fehler Ausfuehrung::finden(const std::string& name, std::string* gefunden, bool* da) {
    *gefunden = name;
    if (Fehler f = fs_.existiert(pfad(name), da); !f.ok() || *da)
        return f;
    if (!gelistet_) {
        std::vector<std::string> alle;
        if (Fehler f = fs_.verzeichnis(lauf_.ordner, &alle); !f.ok())
            return f;
        for (auto& n : alle) namen_[kleinAscii(n)].push_back(std::move(n));
        gelistet_ = true;
    }
    const auto treffer = namen_.find(kleinAscii(name));
    if (treffer == namen_.end() || treffer->second.size() != 1)
        return {};
    *gefunden = treffer->second.front();
    return fs_.existiert(pfad(*gefunden), da);
}

Fehler Ausfuehrung::verbinden(const std::vector<std::string>& quellen, Dateisystem::Handle aus,
                              Pruefsumme* hash) {
    if (!hash && !puffer_)
        puffer_ = std::make_unique<char[]>(kPuffer);
    bool luecke = false;
    for (const auto& q : quellen) {
        OffeneDatei ein(fs_);
        if (Fehler f = fs_.oeffneLesen(pfad(q), ein.ziel()); !f.ok())
            return f;
        // In the kernel where no hash is needed (no copy through user
        // space); a source with holes goes through the buffer so they stay
        // holes.
        bool imKern = hash == nullptr;
        for (;;) {
            std::size_t menge = 0;
            if (imKern) {
                Fehler f = fs_.uebertragen(ein.handle(), aus, kUebertragung, &menge);
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
            // Through the hasher's buffers: one is hashed while the next is filled.
            char* puffer = hash ? hash->puffer() : puffer_.get();
            const std::size_t groesse = hash ? hash->blockgroesse() : kPuffer;
            if (Fehler f = fs_.lesen(ein.handle(), puffer, groesse, &menge); !f.ok())
                return f;
            if (hash)
                hash->einspeisen(menge);  // one per buffer taken, the empty last one too
            if (menge == 0)
                break;
            if (Fehler f = blockAusgeben(fs_, aus, puffer, menge, &luecke); !f.ok())
                return f;
        }
        if (Fehler f = ein.schliessen(); !f.ok())
            return f;
    }
    return luecke ? fs_.laengeAnPosition(aus) : Fehler{};
}

int Ausfuehrung::kopieren(const Kopierbefehl& b) {
    // The names as the batch file holds them are tried as UTF-8, code page
    // 850 and code page 1252, and the first reading that finds every source wins.
    std::vector<std::string> roh = b.quellen;
    roh.push_back(b.ziel.empty() ? b.quellen.front() : b.ziel);
    const bool ascii = std::all_of(roh.begin(), roh.end(), [](const std::string& n) {
        return std::all_of(n.begin(), n.end(), [](char c) { return (c & 0x80) == 0; });
    });
    std::vector<std::string> quellen, namen, erste;
    std::string fehlt;
    for (const char* kodierung : {"UTF-8", "CP850", "CP1252"}) {
        namen.clear();
        for (const auto& n : roh) {
            auto u = std::string(kodierung) == "UTF-8"
                         ? (gueltigesUtf8(n) ? std::optional<std::string>(n) : std::nullopt)
                         : nachUtf8(n, kodierung);
            if (!u)
                break;
            namen.push_back(std::move(*u));
        }
        if (namen.size() != roh.size())
            continue;
        if (erste.empty())
            erste = namen;
        quellen.clear();
        for (std::size_t i = 0; i + 1 < namen.size(); ++i) {
            std::string g;
            bool da = false;
            if (Fehler f = finden(namen[i], &g, &da); !f.ok())
                return scheitern(namen.back(), f);
            if (!da) {
                if (fehlt.empty())
                    fehlt = namen[i];
                break;
            }
            quellen.push_back(g);
        }
        if (quellen.size() + 1 == namen.size() || ascii)
            break;
    }
    if (quellen.size() + 1 != namen.size()) {
        if (erste.empty()) {  // no code page could be converted at all
            erste = roh;
            fehlt = roh.front();
        }
        lauf_.meldung +=
            "Teil „" + fehlt + "“ fehlt – " + erste.back() + " wurde nicht zusammengesetzt.\n";
        return stapelstatus::KopierFehler;
    }

    const std::string ziel = namen.back();
    // A destination that is a later source would be read after it was
    // replaced; the first source is read before, so DOS's append form works.
    bool zielDa = false;
    if (Fehler f = fs_.existiert(pfad(ziel), &zielDa); !f.ok())
        return scheitern(ziel, f);
    if (zielDa) {
        Dateikennung zielKennung;
        if (Fehler f = fs_.kennung(pfad(ziel), &zielKennung); !f.ok())
            return scheitern(ziel, f);
        for (std::size_t i = 1; i < quellen.size(); ++i) {
            Dateikennung k;
            if (Fehler f = fs_.kennung(pfad(quellen[i]), &k); !f.ok())
                return scheitern(ziel, f);
            if (k == zielKennung) {
                lauf_.meldung += "Das Ziel " + ziel +
                                 " ist zugleich ein späteres Teil – es wurde nichts geschrieben.\n";
                return stapelstatus::KopierFehler;
            }
        }
    }

    std::string erwartet;
    for (const auto& n : {ziel, roh.back()}) {
        if (const auto s = summen_.find(n); s != summen_.end() && erwartet.empty())
            erwartet = s->second;
    }
    std::unique_ptr<Pruefsumme> hash;
    if (!erwartet.empty())
        hash = std::make_unique<Pruefsumme>();

    OffeneDatei aus(fs_);
    std::string entwurf;
    if (Fehler f = entwurfAnlegen(fs_, pfad(ziel), aus, &entwurf); !f.ok())
        return scheitern(ziel, f);
    entwurfMerken(entwurf);
    Fehler f = verbinden(quellen, aus.handle(), hash.get());
    if (f.ok())
        f = aus.schliessen();
    std::string summe;
    if (f.ok() && hash)
        f = hash->ergebnis(&summe);
    const bool falsch = f.ok() && hash && summe != erwartet;
    if (f.ok() && !falsch)
        f = fs_.umbenennen(entwurf, pfad(ziel));
    if (!f.ok() || falsch) {
        aus.zu();
        (void)fs_.loeschen(entwurf);
    }
    gEntwurfDa = 0;
    if (falsch) {
        lauf_.meldung += "Prüfsumme falsch: " + ziel + " stimmt nicht mit " + lauf_.pruefdatei +
                         " überein (ein Teil ist beschädigt, gekürzt oder vertauscht) – " + ziel +
                         " wurde nicht geschrieben.\n";
        return stapelstatus::PruefsummeFalsch;
    }
    if (!f.ok())
        return scheitern(ziel, f);
    if (auto& gleich = namen_[kleinAscii(ziel)];
        std::find(gleich.begin(), gleich.end(), ziel) == gleich.end()) {
        gleich.push_back(ziel);
    }
    lauf_.meldung += ziel + (hash ? " wurde zusammengesetzt, die Prüfsumme stimmt.\n"
                                  : " wurde zusammengesetzt (ohne Prüfsumme).\n");
    if (!b.ausgabeVerworfen)
        lauf_.ausgabe += "        1 Datei(en) kopiert.\n";
    return stapelstatus::Ok;
}

// Checks one line; false with the reason when it lies outside the subset.
bool zeileLesen(std::string zeile, Befehl* aus, std::string* fehler) {
    std::size_t a = 0;
    while (a < zeile.size() && (zeile[a] == '@' || leer(zeile[a]))) ++a;
    zeile = trim(zeile.substr(a));
    if (zeile.empty())
        return true;
    std::size_t w = 0;
    while (w < zeile.size() && std::isalpha(static_cast<unsigned char>(zeile[w]))) ++w;
    const std::string befehl = kleinAscii(zeile.substr(0, w));
    const std::string rest = zeile.substr(w);
    if (befehl == "rem" && (rest.empty() || leer(rest[0])))
        return true;
    if (befehl == "echo" && (rest.empty() || leer(rest[0]) || rest[0] == '.')) {
        const std::string t = trim(rest.empty() ? rest : rest.substr(1));
        const std::string k = kleinAscii(t);
        if (k != "off" && k != "on")
            aus->echo = t + "\n";
        return true;
    }
    if (befehl == "copy" && (rest.empty() || leer(rest[0]) || rest[0] == '/')) {
        aus->kopie = true;
        return kopierbefehlLesen(rest, &aus->k, fehler);
    }
    *fehler = "Befehl wird nicht unterstützt: " + zeile;
    return false;
}

Fehler dateiLesen(Dateisystem& fs, const std::string& pfad, std::string* text, bool* zuGross) {
    OffeneDatei datei(fs);
    if (Fehler f = fs.oeffneLesen(pfad, datei.ziel()); !f.ok())
        return f;
    text->clear();
    *zuGross = false;
    std::size_t n = 0;
    do {
        const std::size_t alt = text->size();
        text->resize(alt + 65536);
        if (Fehler f = fs.lesen(datei.handle(), text->data() + alt, 65536, &n); !f.ok())
            return f;
        text->resize(alt + n);
        if (text->size() > kStapelHoechstens) {
            *zuGross = true;
            text->clear();
            break;
        }
    } while (n > 0);
    return datei.schliessen();
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
            case Art::Name: {
                std::string name;
                if (!nameLesen(z.text, &name, fehler))
                    return false;
                if (b.quellen.empty() || plusDavor) {
                    if (!b.ziel.empty()) {
                        *fehler = "Syntaxfehler: Quelle nach dem Ziel";
                        return false;
                    }
                    b.quellen.push_back(std::move(name));
                } else if (b.ziel.empty()) {
                    b.ziel = std::move(name);
                } else {
                    *fehler = "Zu viele Parameter";
                    return false;
                }
                plusDavor = false;
                break;
            }
        }
    }
    if (plusDavor || b.quellen.empty()) {
        *fehler = "Syntaxfehler: Quelle fehlt";
        return false;
    }
    *befehl = std::move(b);
    return true;
}

int stapelAusfuehren(const std::string& eingabe, Stapellauf& lauf, Dateisystem& fs) {
    // Editors add a byte-order mark in front and DOS ones a Ctrl-Z at the end.
    std::size_t anfang = eingabe.rfind("\xef\xbb\xbf", 0) == 0 ? 3 : 0;
    std::size_t schluss = eingabe.size();
    while (schluss > anfang && (eingabe[schluss - 1] == '\x1a' || eingabe[schluss - 1] == '\r' ||
                                eingabe[schluss - 1] == '\n')) {
        --schluss;
    }
    std::vector<Befehl> befehle;
    std::size_t teile = 0;
    for (int nummer = 1; anfang < schluss; ++nummer) {
        std::size_t ende = eingabe.find_first_of("\r\n", anfang);
        if (ende == std::string::npos || ende > schluss)
            ende = schluss;
        Befehl b;
        b.zeile = nummer;
        std::string fehler;
        if (!zeileLesen(eingabe.substr(anfang, ende - anfang), &b, &fehler)) {
            lauf.meldung += "Zeile " + std::to_string(nummer) + " wird nicht unterstützt (" +
                            fehler + ") – die Batchdatei wurde nicht ausgeführt.\n";
            return stapelstatus::NichtUnterstuetzt;
        }
        // The DOS append form names its destination first; it is no piece.
        const auto& q = b.k.quellen;
        teile += q.size() - (q.size() > 1 && (b.k.ziel.empty() || b.k.ziel == q.front()) ? 1 : 0);
        if (teile > kTeileHoechstens) {
            lauf.meldung += "Die Batchdatei nennt mehr als " + std::to_string(kTeileHoechstens) +
                            " Teile – sie wurde nicht ausgeführt.\n";
            return stapelstatus::NichtUnterstuetzt;
        }
        if (b.kopie || !b.echo.empty())
            befehle.push_back(std::move(b));
        anfang = ende + (eingabe.compare(ende, 2, "\r\n") == 0 ? 2 : 1);
    }
    Ausfuehrung ausfuehrung(lauf, fs);
    for (const auto& b : befehle) {
        lauf.ausgabe += b.echo;
        if (b.kopie) {
            if (const int status = ausfuehrung.kopieren(b.k); status != stapelstatus::Ok)
                return status;
        }
    }
    return stapelstatus::Ok;
}

int stapeldateiAusfuehren(const std::string& datei, Stapellauf& lauf, Dateisystem& fs) {
    const auto lesen = [&](const std::string& pfad, std::string* text) {
        bool zuGross = false;
        if (Fehler f = dateiLesen(fs, pfad, text, &zuGross); !f.ok()) {
            lauf.meldung += Dateiname(pfad) + " kann nicht gelesen werden: Fehler " +
                            std::to_string(f.nummer()) + " (" + f.beschreibung() + ").\n";
            return stapelstatus::KopierFehler;
        }
        if (zuGross) {
            lauf.meldung += Dateiname(pfad) + " ist größer als " +
                            std::to_string(kStapelHoechstens >> 20) +
                            " MiB – die Batchdatei wurde nicht ausgeführt.\n";
            return stapelstatus::NichtUnterstuetzt;
        }
        return stapelstatus::Ok;
    };
    std::string text;
    if (const int s = lesen(datei, &text); s != stapelstatus::Ok)
        return s;
    const std::string pruefdatei = OhneEndung(datei) + "sha256";
    // A batch file whose name leaves no room for "sha256" was cut without one.
    bool da = false;
    if (Dateiname(pruefdatei).size() <= NAME_MAX) {
        if (Fehler f = fs.existiert(pruefdatei, &da); !f.ok()) {
            lauf.meldung += Dateiname(pruefdatei) + " kann nicht gelesen werden: Fehler " +
                            std::to_string(f.nummer()) + " (" + f.beschreibung() + ").\n";
            return stapelstatus::KopierFehler;
        }
    }
    if (da) {
        lauf.pruefdatei = Dateiname(pruefdatei);
        if (const int s = lesen(pruefdatei, &lauf.pruefsummen); s != stapelstatus::Ok)
            return s;
    }
    return stapelAusfuehren(text, lauf, fs);
}

void stapelSignaleAbfangen() {
    struct sigaction sa {};
    sa.sa_handler = beiSignal;
    sigemptyset(&sa.sa_mask);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

}  // namespace zorta
