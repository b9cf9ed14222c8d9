#include "Stapel.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "Codeseite.h"
#include "Pfade.h"
#include "Stapelzeilen.h"
#include "Zusammensetzung.h"

namespace zorta {

namespace {

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

// The result lines, one wording each (see Stapel.h).
namespace texte {

std::string nichtZusammengesetzt(const std::string& ziel, const Fehler& f) {
    return ziel + " wurde nicht zusammengesetzt: " + fehlerText(f) + ".\n";
}
std::string fehlt(const std::string& teil, const std::string& ziel) {
    return "Teil „" + teil + "“ fehlt – " + ziel + " wurde nicht zusammengesetzt.\n";
}
std::string keineDatei(const std::string& teil, const std::string& ziel) {
    return "Teil „" + teil +
           "“ ist keine gewöhnliche Datei dieses Ordners (ein Verweis, ein Ordner oder ein "
           "Gerät) – " +
           ziel + " wurde nicht zusammengesetzt.\n";
}
std::string zielIstTeil(const std::string& ziel) {
    return "Das Ziel " + ziel + " ist zugleich ein späteres Teil – es wurde nichts geschrieben.\n";
}
std::string belegt(const std::string& ziel) {
    return ziel +
           " wird bereits zusammengesetzt (von einem anderen Lauf) – bitte warten, bis er fertig "
           "ist; es wurde nichts geschrieben.\n";
}
std::string nameAbgelehnt(const std::string& ziel) {
    return "Den Namen „" + ziel + "“ nimmt dieser Datenträger nicht an – " + ziel +
           " wurde nicht zusammengesetzt.\n";
}
std::string pruefsummeFalsch(const std::string& ziel, const std::string& pruefdatei) {
    return "Prüfsumme falsch: " + ziel + " stimmt nicht mit " + pruefdatei +
           " überein (ein Teil ist beschädigt, gekürzt oder vertauscht) – " + ziel +
           " wurde nicht geschrieben.\n";
}
std::string ungesichert(const std::string& ziel, const Fehler& f) {
    return ziel + " wurde zusammengesetzt, aber der Ordner ließ sich nicht sichern: Fehler " +
           std::to_string(f.nummer()) + " (" + f.beschreibung() +
           ") – nach einem Absturz kann die alte Fassung wieder dastehen.\n";
}
std::string fertig(const std::string& ziel, bool geprueft) {
    return ziel + (geprueft ? " wurde zusammengesetzt, die Prüfsumme stimmt.\n"
                            : " wurde zusammengesetzt (ohne Prüfsumme).\n");
}
// A failure of the destination itself: a name the file system refuses and a
// draft another run holds say so in words.
std::string zielFehler(const std::string& ziel, const Fehler& f) {
    if (f.nummer() == fehlernr::DateiGeoeffnet)
        return belegt(ziel);
    if (f.nummer() == fehlernr::NameFalsch)
        return nameAbgelehnt(ziel);
    return nichtZusammengesetzt(ziel, f);
}

}  // namespace texte

bool gleicherName(const std::string& a, const std::string& b) {
    return kleinAscii(a) == kleinAscii(b);
}

// Finds the files a copy line names. The names as the batch file holds them
// are read as UTF-8, code page 850 and code page 1252, and the first reading
// that finds every source wins. Pieces carried on FAT media often change
// case: a source that is missing as written is looked up ignoring ASCII
// case, when exactly one file matches.
class Namenssuche {
  public:
    Namenssuche(Dateisystem& fs, const std::string& ordner) : fs_(fs), ordner_(ordner) {}

    std::string pfad(const std::string& name) const {
        return ordner_.empty() ? name : Ordnerpraefix(ordner_) + name;
    }
    // Reads all of `roh` in one code page and finds roh[ab..bis) in the folder.
    // *namen holds the reading, the found names as the folder spells them;
    // *fehlt names the missing source, if any (*namen is then the first
    // reading that could be converted).
    Fehler suchen(const std::vector<std::string>& roh, std::size_t ab, std::size_t bis,
                  std::vector<std::string>* namen, std::string* fehlt);
    // A file this run created is found in another case too.
    void neu(const std::string& name) {
        if (auto& gleich = namen_[kleinAscii(name)];
            std::find(gleich.begin(), gleich.end(), name) == gleich.end()) {
            gleich.push_back(name);
        }
    }

  private:
    Fehler finden(const std::string& name, std::string* gefunden, bool* da);

    Dateisystem& fs_;
    const std::string ordner_;
    // The folder, listed at most once per run, by names folded to lower case.
    bool gelistet_ = false;
    std::unordered_map<std::string, std::vector<std::string>> namen_;
};

Fehler Namenssuche::finden(const std::string& name, std::string* gefunden, bool* da) {
    *gefunden = name;
    if (Fehler f = fs_.existiert(pfad(name), da); !f.ok() || *da)
        return f;
    if (!gelistet_) {
        std::vector<std::string> alle;
        if (Fehler f = fs_.verzeichnis(ordner_, &alle); !f.ok())
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

Fehler Namenssuche::suchen(const std::vector<std::string>& roh, std::size_t ab, std::size_t bis,
                           std::vector<std::string>* namen, std::string* fehlt) {
    const bool ascii = std::all_of(roh.begin(), roh.end(), [](const std::string& n) {
        return std::all_of(n.begin(), n.end(), [](char c) { return (c & 0x80) == 0; });
    });
    std::vector<std::string> lesart, erste;
    fehlt->clear();
    for (const char* kodierung : {"UTF-8", "CP850", "CP1252"}) {
        lesart.clear();
        for (const auto& n : roh) {
            auto u = std::string(kodierung) == "UTF-8"
                         ? (gueltigesUtf8(n) ? std::optional<std::string>(n) : std::nullopt)
                         : nachUtf8(n, kodierung);
            if (!u)
                break;
            lesart.push_back(std::move(*u));
        }
        if (lesart.size() != roh.size())
            continue;
        if (erste.empty())
            erste = lesart;
        std::size_t i = ab;
        for (; i < bis; ++i) {
            bool da = false;
            if (Fehler f = finden(lesart[i], &lesart[i], &da); !f.ok())
                return f;
            if (!da) {
                if (fehlt->empty())
                    *fehlt = lesart[i];
                break;
            }
        }
        if (i == bis) {
            fehlt->clear();
            *namen = std::move(lesart);
            return {};
        }
        if (ascii)
            break;
    }
    if (erste.empty()) {  // no code page could be converted at all
        erste = roh;
        *fehlt = roh[std::min(ab, roh.size() - 1)];
    }
    *namen = std::move(erste);
    return {};
}

// Runs the copy lines in turn. A line that appends to the destination of
// the join before it (DOS's "copy /b D + P3 + P4 D", or "copy /b D + P3")
// continues that join in its draft: however many lines a join takes, the
// destination is replaced once, after the last, and the checksum is judged
// against the whole file.
class Ausfuehrung {
  public:
    Ausfuehrung(Stapellauf& lauf, Dateisystem& fs)
        : lauf_(lauf), fs_(fs), suche_(fs, lauf.ordner) {}

    int kopieren(const Kopierbefehl& b);
    // Ends the open join, if any.
    int beenden();

  private:
    int beginnen(const Kopierbefehl& b);
    // Appends namen[ab..] to the open join.
    int anhaengen(const std::vector<std::string>& namen, std::size_t ab, const Kopierbefehl& b);
    int scheitern(const std::string& meldung) {
        laufend_.reset();
        lauf_.meldung += meldung;
        return stapelstatus::KopierFehler;
    }

    Stapellauf& lauf_;
    Dateisystem& fs_;
    Namenssuche suche_;
    // The open join: its destination as the batch file and as the folder
    // spell it, and the identity of an older file of that name.
    std::unique_ptr<Zusammensetzung> laufend_;
    std::string zielRoh_, ziel_;
    std::optional<Dateikennung> zielKennung_;
};

int Ausfuehrung::kopieren(const Kopierbefehl& b) {
    const std::string& zielRoh = b.ziel.empty() ? b.quellen.front() : b.ziel;
    if (laufend_ && gleicherName(b.quellen.front(), zielRoh_) && gleicherName(zielRoh, zielRoh_)) {
        const std::vector<std::string> roh(b.quellen.begin() + 1, b.quellen.end());
        std::vector<std::string> namen;
        std::string fehlt;
        if (roh.empty())
            return stapelstatus::Ok;
        if (Fehler f = suche_.suchen(roh, 0, roh.size(), &namen, &fehlt); !f.ok())
            return scheitern(texte::nichtZusammengesetzt(ziel_, f));
        if (!fehlt.empty())
            return scheitern(texte::fehlt(fehlt, ziel_));
        return anhaengen(namen, 0, b);
    }
    if (const int status = beenden(); status != stapelstatus::Ok)
        return status;
    return beginnen(b);
}

int Ausfuehrung::beginnen(const Kopierbefehl& b) {
    std::vector<std::string> namen, roh = b.quellen;
    roh.push_back(b.ziel.empty() ? b.quellen.front() : b.ziel);
    std::string fehlt;
    if (Fehler f = suche_.suchen(roh, 0, b.quellen.size(), &namen, &fehlt); !f.ok())
        return scheitern(texte::nichtZusammengesetzt(namen.empty() ? roh.back() : namen.back(), f));
    if (!fehlt.empty())
        return scheitern(texte::fehlt(fehlt, namen.back()));
    zielRoh_ = roh.back();
    ziel_ = namen.back();
    namen.pop_back();
    // A destination that is a later source would be read after it was
    // replaced; the first source is read before, so DOS's append form works.
    zielKennung_.reset();
    bool zielDa = false;
    if (Fehler f = fs_.existiert(suche_.pfad(ziel_), &zielDa); !f.ok())
        return scheitern(texte::zielFehler(ziel_, f));
    if (zielDa) {
        Dateikennung k;
        if (Fehler f = fs_.kennung(suche_.pfad(ziel_), &k); !f.ok())
            return scheitern(texte::zielFehler(ziel_, f));
        zielKennung_ = k;
    }
    std::string erwartet;
    if (const int s = erwartetePruefsumme(lauf_.pruefsummen, ziel_, {ziel_, zielRoh_}, &erwartet,
                                          &lauf_.meldung);
        s != stapelstatus::Ok) {
        return s;
    }
    laufend_ = std::make_unique<Zusammensetzung>(fs_, suche_.pfad(ziel_), lauf_.ordner, erwartet);
    if (Fehler f = laufend_->anlegen(); !f.ok())
        return scheitern(texte::zielFehler(ziel_, f));
    return anhaengen(namen, 1, b);
}

int Ausfuehrung::anhaengen(const std::vector<std::string>& namen, std::size_t ab,
                           const Kopierbefehl& b) {
    // The draft is ours alone: a source that names it would grow while it is read.
    const std::string entwurf = kleinAscii(Dateiname(entwurfsname(ziel_)));
    std::vector<std::string> pfade;
    for (std::size_t i = 0; i < namen.size(); ++i) {
        pfade.push_back(suche_.pfad(namen[i]));
        if (kleinAscii(namen[i]) == entwurf)
            return scheitern(texte::zielIstTeil(ziel_));
        if (i < ab || !zielKennung_)
            continue;
        Dateikennung k;
        if (Fehler f = fs_.kennung(pfade.back(), &k); !f.ok())
            return scheitern(texte::nichtZusammengesetzt(ziel_, f));
        if (k == *zielKennung_)
            return scheitern(texte::zielIstTeil(ziel_));
    }
    std::string keineDatei;
    if (Fehler f = laufend_->anhaengen(pfade, &keineDatei); !f.ok())
        return scheitern(texte::nichtZusammengesetzt(ziel_, f));
    if (!keineDatei.empty())
        return scheitern(texte::keineDatei(keineDatei, ziel_));
    if (!b.ausgabeVerworfen)
        lauf_.ausgabe += "        1 Datei(en) kopiert.\n";
    return stapelstatus::Ok;
}

int Ausfuehrung::beenden() {
    if (!laufend_)
        return stapelstatus::Ok;
    const auto job = std::move(laufend_);
    Fehler f;
    switch (job->abschliessen(&f)) {
        case Zusammensetzung::Ende::Fertig:
            suche_.neu(ziel_);
            lauf_.meldung += texte::fertig(ziel_, job->geprueft());
            return stapelstatus::Ok;
        case Zusammensetzung::Ende::SummeFalsch:
            lauf_.meldung += texte::pruefsummeFalsch(ziel_, lauf_.pruefsummen.datei);
            lauf_.meldung += teilbefund(lauf_.pruefsummen, ziel_, lauf_.ordner, fs_);
            return stapelstatus::PruefsummeFalsch;
        case Zusammensetzung::Ende::OrdnerUngesichert:
            lauf_.meldung += texte::ungesichert(ziel_, f);
            return stapelstatus::KopierFehler;
        case Zusammensetzung::Ende::Fehlgeschlagen:
            break;
    }
    lauf_.meldung += texte::zielFehler(ziel_, f);
    return stapelstatus::KopierFehler;
}

int befehleAusfuehren(Stapelleser& leser, Stapellauf& lauf, Dateisystem& fs) {
    Ausfuehrung ausfuehrung(lauf, fs);
    // Echo text is handed on, not copied: it may be nearly as large as the file.
    const auto ausgeben = [&](std::string& echo) {
        if (lauf.ausgabe.empty())
            lauf.ausgabe.swap(echo);
        else
            lauf.ausgabe += echo;
        std::string().swap(echo);
    };
    for (auto& b : leser.befehle) {
        ausgeben(b.echo);
        if (const int status = ausfuehrung.kopieren(b.k); status != stapelstatus::Ok)
            return status;
    }
    const int status = ausfuehrung.beenden();
    if (status == stapelstatus::Ok)
        ausgeben(leser.schlussEcho);
    return status;
}

}  // namespace

int stapelAusfuehren(const std::string& text, Stapellauf& lauf, Dateisystem& fs) {
    Stapelleser leser(lauf);
    if (!leser.lesen(text) || !leser.ende())
        return stapelstatus::NichtUnterstuetzt;
    return befehleAusfuehren(leser, lauf, fs);
}

int stapeldateiAusfuehren(const std::string& datei, Stapellauf& lauf, Dateisystem& fs) {
    Stapelleser leser(lauf);
    bool zuGross = false;
    if (Fehler f = stapelLesen(fs, datei, leser, &zuGross); !f.ok()) {
        lauf.meldung += Dateiname(datei) + " kann nicht gelesen werden: " + fehlerText(f) + ".\n";
        return stapelstatus::KopierFehler;
    }
    if (zuGross) {
        lauf.meldung += Dateiname(datei) + " ist größer als " +
                        std::to_string(kStapelHoechstens >> 20) +
                        " MiB – die Batchdatei wurde nicht ausgeführt.\n";
        return stapelstatus::NichtUnterstuetzt;
    }
    if (leser.abgelehnt() || !leser.ende())
        return stapelstatus::NichtUnterstuetzt;
    if (const int s = pruefdateiLesen(fs, datei, &lauf.pruefsummen, &lauf.meldung);
        s != stapelstatus::Ok) {
        return s;
    }
    return befehleAusfuehren(leser, lauf, fs);
}

}  // namespace zorta
