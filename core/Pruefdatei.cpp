#include "Pruefdatei.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <map>
#include <optional>

#include "Grenzen.h"
#include "Pfade.h"
#include "Pruefsumme.h"
#include "Stapel.h"

namespace zorta {

namespace {

using Fund = Dateisystem::Fund;

std::string fehlertext(const Fehler& f) {
    return "Fehler " + std::to_string(f.nummer()) + " (" + f.beschreibung() + ")";
}

// Undoes sha256sum's escapes; false for one it never writes.
bool entmaskieren(std::string* name) {
    std::string aus;
    for (std::size_t i = 0; i < name->size(); ++i) {
        if ((*name)[i] != '\\') {
            aus += (*name)[i];
            continue;
        }
        if (++i == name->size())
            return false;
        switch ((*name)[i]) {
            case '\\':
                aus += '\\';
                break;
            case 'n':
                aus += '\n';
                break;
            case 'r':
                aus += '\r';
                break;
            default:
                return false;
        }
    }
    *name = std::move(aus);
    return true;
}

// One line without its line end and leading blanks.
bool eintragLesen(std::string z, std::string* name, std::string* hex) {
    const bool maskiert = !z.empty() && z[0] == '\\';
    if (maskiert)
        z.erase(0, 1);
    static const std::string kMarke = "SHA256 (";
    std::string roh;
    if (z.compare(0, kMarke.size(), kMarke) == 0) {
        // A name may hold ") = " itself: the last one ends it.
        const std::size_t schluss = z.rfind(") = ");
        if (schluss == std::string::npos || schluss < kMarke.size())
            return false;
        roh = z.substr(kMarke.size(), schluss - kMarke.size());
        *hex = z.substr(schluss + 4);
    } else {
        // Two blanks, or a blank and the binary marker: a tab or a single
        // blank is what a hand or another tool wrote, not sha256sum.
        if (z.size() < 67 || z[64] != ' ' || (z[65] != ' ' && z[65] != '*'))
            return false;
        *hex = z.substr(0, 64);
        roh = z.substr(66);
    }
    if (hex->size() != 64 ||
        !std::all_of(hex->begin(), hex->end(), [](char c) { return std::isxdigit(c) != 0; })) {
        return false;
    }
    *hex = kleinAscii(*hex);
    if (maskiert && !entmaskieren(&roh))
        return false;
    while (roh.compare(0, 2, "./") == 0) roh.erase(0, 2);
    *name = std::move(roh);
    return !name->empty();
}

}  // namespace

bool pruefsummenLesen(const std::string& text, std::unordered_map<std::string, std::string>* summen,
                      std::string* grund) {
    summen->clear();
    summen->reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    std::size_t anfang = 0;
    for (int nummer = 1; anfang < text.size(); ++nummer) {
        std::size_t ende = text.find('\n', anfang);
        if (ende == std::string::npos)
            ende = text.size();
        std::string z = text.substr(anfang, ende - anfang);
        anfang = ende + 1;
        if (!z.empty() && z.back() == '\r')
            z.pop_back();
        const auto zeile = [nummer] { return "Zeile " + std::to_string(nummer); };
        if (z.find('\0') != std::string::npos) {
            *grund = zeile() + " enthält ein NUL-Zeichen";
            return false;
        }
        const std::size_t a = z.find_first_not_of(" \t");
        if (a == std::string::npos || z[0] == '#')
            continue;
        std::string name, hex;
        if (!eintragLesen(a == 0 ? std::move(z) : z.substr(a), &name, &hex)) {
            *grund = zeile() + " ist keine SHA-256-Prüfsumme im Format von sha256sum";
            return false;
        }
        const auto [eintrag, neu] = summen->try_emplace(std::move(name), hex);
        if (!neu && eintrag->second != hex) {
            *grund = "zwei verschiedene Prüfsummen für „" + eintrag->first + "“";
            return false;
        }
    }
    return true;
}

int pruefdateiLesen(Dateisystem& fs, const std::string& batchdatei, Pruefsummen* aus,
                    std::string* meldung) {
    *aus = {};
    const std::string pfad = OhneEndung(batchdatei) + "sha256";
    const std::string name = Dateiname(pfad);
    // A batch file whose name leaves no room for "sha256" was cut without one.
    if (name.size() > NAME_MAX)
        return stapelstatus::Ok;
    const auto unbrauchbar = [&](const std::string& grund) {
        *meldung += name + " ist unbrauchbar (" + grund + ") – es wurde nichts zusammengesetzt.\n";
        return stapelstatus::PruefdateiUnbrauchbar;
    };
    const auto lesefehler = [&](const Fehler& f) {
        *meldung += name + " kann nicht gelesen werden: " + fehlertext(f) + ".\n";
        return stapelstatus::KopierFehler;
    };
    OffeneDatei datei(fs);
    Fund fund = Fund::Nichts;
    if (Fehler f = fs.oeffneWennDatei(pfad, datei.ziel(), &fund); !f.ok())
        return lesefehler(f);
    if (fund == Fund::Nichts)
        return stapelstatus::Ok;
    aus->da = true;
    aus->datei = name;
    if (fund == Fund::Anderes)
        return unbrauchbar("keine gewöhnliche Datei");
    std::string text;
    std::size_t n = 0;
    do {
        const std::size_t alt = text.size();
        text.resize(alt + 65536);
        if (Fehler f = fs.lesen(datei.handle(), text.data() + alt, 65536, &n); !f.ok())
            return lesefehler(f);
        text.resize(alt + n);
        if (text.size() > kStapelHoechstens)
            return unbrauchbar("größer als " + std::to_string(kStapelHoechstens >> 20) + " MiB");
    } while (n > 0);
    if (Fehler f = datei.schliessen(); !f.ok())
        return lesefehler(f);
    std::string grund;
    if (!pruefsummenLesen(text, &aus->summen, &grund))
        return unbrauchbar(grund);
    return stapelstatus::Ok;
}

int erwartetePruefsumme(const Pruefsummen& p, const std::string& ziel,
                        const std::vector<std::string>& namen, std::string* summe,
                        std::string* meldung) {
    summe->clear();
    if (!p.da)
        return stapelstatus::Ok;
    for (const auto& n : namen) {
        if (const auto s = p.summen.find(n); s != p.summen.end()) {
            *summe = s->second;
            return stapelstatus::Ok;
        }
    }
    *meldung += p.datei + " enthält keine Prüfsumme für " + ziel + " – " + ziel +
                " wurde nicht zusammengesetzt.\n";
    return stapelstatus::PruefdateiUnbrauchbar;
}

namespace {

struct Teil {
    std::string name, soll;
    long nummer = 0;
    bool da = false;
    std::int64_t groesse = 0;
    std::string ist;
    Fehler fehler;
};

// The folder's names by their lower-case form, listed once when needed.
using Ordnerliste = std::optional<std::unordered_map<std::string, std::vector<std::string>>>;

// Opens a piece as the join finds it: as named, else the one name in the
// folder that differs from it only in ASCII case (FAT media change case).
Fehler teilOeffnen(Dateisystem& fs, const std::string& ordner, const std::string& name,
                   OffeneDatei& datei, bool* da, Ordnerliste& namen) {
    const auto pfad = [&](const std::string& n) {
        return ordner.empty() ? n : Ordnerpraefix(ordner) + n;
    };
    Fund fund = Fund::Nichts;
    if (Fehler f = fs.oeffneWennDatei(pfad(name), datei.ziel(), &fund); !f.ok())
        return f;
    if (fund == Fund::Nichts) {
        if (!namen) {
            std::vector<std::string> alle;
            if (Fehler f = fs.verzeichnis(ordner, &alle); !f.ok())
                return f;
            namen.emplace();
            for (auto& n : alle) (*namen)[kleinAscii(n)].push_back(std::move(n));
        }
        const auto treffer = namen->find(kleinAscii(name));
        if (treffer != namen->end() && treffer->second.size() == 1) {
            if (Fehler f = fs.oeffneWennDatei(pfad(treffer->second.front()), datei.ziel(), &fund);
                !f.ok())
                return f;
        }
    }
    *da = fund == Fund::Datei;
    return {};
}

Fehler teilPruefen(Dateisystem& fs, const std::string& ordner, Teil* t, Ordnerliste& namen) {
    OffeneDatei datei(fs);
    if (Fehler f = teilOeffnen(fs, ordner, t->name, datei, &t->da, namen); !f.ok() || !t->da)
        return f;
    if (Fehler f = fs.laenge(datei.handle(), &t->groesse); !f.ok())
        return f;
    Pruefsumme hash;
    for (;;) {
        char* puffer = hash.puffer();
        std::size_t n = 0;
        if (Fehler f = fs.lesen(datei.handle(), puffer, hash.blockgroesse(), &n); !f.ok())
            return f;
        hash.einspeisen(n);
        if (n == 0)
            break;
    }
    if (Fehler f = hash.ergebnis(&t->ist); !f.ok())
        return f;
    return datei.schliessen();
}

}  // namespace

std::string teilbefund(const Pruefsummen& p, const std::string& ziel, const std::string& ordner,
                       Dateisystem& fs) {
    // Pieces are the names of the checksum file's own stem with a piece
    // number, as the cut writes them; lines for other files are not pieces.
    const std::string stamm = OhneEndung(p.datei);
    std::vector<Teil> teile;
    std::map<std::string, std::string> besitzer;  // checksum -> piece
    for (const auto& [name, summe] : p.summen) {
        const std::string nummer = name.substr(std::min(stamm.size(), name.size()));
        if (name == ziel || name.compare(0, stamm.size(), stamm) != 0 || nummer.size() < 3 ||
            nummer.size() > 9 || !std::all_of(nummer.begin(), nummer.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c));
            })) {
            continue;
        }
        Teil t;
        t.name = name;
        t.soll = summe;
        t.nummer = std::stol(nummer);
        teile.push_back(std::move(t));
        besitzer.emplace(summe, name);
    }
    if (teile.empty())
        return "";
    std::sort(teile.begin(), teile.end(), [](const Teil& a, const Teil& b) {
        return a.nummer != b.nummer ? a.nummer < b.nummer : a.name < b.name;
    });
    Ordnerliste namen;
    for (auto& t : teile) t.fehler = teilPruefen(fs, ordner, &t, namen);

    // The checksum file gives no sizes. Every piece but the last has the
    // piece size: that of such a piece whose checksum matches, else the size
    // most of them share (the larger one on a tie: pieces are cut short more
    // often than they grow). The last piece has at most that size.
    std::int64_t teilgroesse = -1;
    std::map<std::int64_t, int> haeufigkeit;
    for (std::size_t i = 0; i + 1 < teile.size(); ++i) {
        const Teil& t = teile[i];
        if (!t.da || !t.fehler.ok())
            continue;
        if (t.ist == t.soll)
            teilgroesse = t.groesse;
        ++haeufigkeit[t.groesse];
    }
    if (teilgroesse < 0 && !haeufigkeit.empty()) {
        teilgroesse =
            std::max_element(haeufigkeit.begin(), haeufigkeit.end(), [](auto& a, auto& b) {
                return a.second < b.second || (a.second == b.second && a.first < b.first);
            })->first;
    }

    std::string aus;
    std::size_t zeilen = 0, weitere = 0;
    for (std::size_t i = 0; i < teile.size(); ++i) {
        const Teil& t = teile[i];
        const bool letztes = i + 1 == teile.size();
        const std::string teil = "Teil „" + t.name + "“ ";
        const std::string soll = std::to_string(teilgroesse);
        std::string zeile;
        if (!t.fehler.ok()) {
            zeile = teil + "kann nicht gelesen werden: " + fehlertext(t.fehler) + ".";
        } else if (!t.da) {
            zeile = teil + "fehlt.";
        } else if (t.ist == t.soll) {
            continue;
        } else if (const auto b = besitzer.find(t.ist); b != besitzer.end()) {
            zeile = teil + "enthält Teil „" + b->second + "“ (vertauscht).";
        } else if (teilgroesse >= 0 && !letztes && t.groesse < teilgroesse) {
            zeile =
                teil + "ist zu kurz (" + std::to_string(t.groesse) + " statt " + soll + " Bytes).";
        } else if (teilgroesse >= 0 && t.groesse > teilgroesse) {
            zeile = teil + "ist zu lang (" + std::to_string(t.groesse) +
                    (letztes ? " Bytes, höchstens " : " statt ") + soll + " Bytes).";
        } else {
            zeile = teil + "ist beschädigt.";
        }
        if (zeilen == kTeilbefundHoechstens) {
            ++weitere;
            continue;
        }
        aus += zeile + "\n";
        ++zeilen;
    }
    if (weitere > 0)
        aus += "… und " + std::to_string(weitere) + " weitere Teile.\n";
    if (aus.empty())
        aus = "Jedes Teil stimmt mit " + p.datei + " überein.\n";
    return aus;
}

}  // namespace zorta
