#include "Zerlegung.h"

#include <algorithm>
#include <memory>

#include "Batchdatei.h"
#include "Pfade.h"

namespace zorta {

std::string fehlermeldungZerlegung(const Fehler& f) {
    return "Fehler # " + zahlMitVorzeichenstelle(f.nummer()) + "\r" + f.beschreibung();
}

Fehler BlockKopieren(std::int64_t anzahl, Dateisystem& fs, Dateisystem::Handle quelle,
                     Dateisystem::Handle ziel, char* puffer, Zerlegungsanzeige* anzeige) {
    std::int64_t rest = anzahl;
    bool luecke = false;
    while (rest > 0) {
        if (anzeige && anzeige->abbruchGewuenscht())
            return Fehler::nummer(fehlernr::Benutzerunterbrechung);
        const auto laenge = static_cast<std::size_t>(std::min<std::int64_t>(rest, Blockgroesse));
        std::size_t gelesen = 0;
        if (Fehler f = fs.lesen(quelle, puffer, laenge, &gelesen); !f.ok())
            return f;
        if (gelesen < laenge)
            return Fehler::nummer(fehlernr::HinterDateiende);
        if (Fehler f = blockAusgeben(fs, ziel, puffer, laenge, &luecke); !f.ok())
            return f;
        rest -= static_cast<std::int64_t>(laenge);
    }
    return luecke ? fs.laengeAnPosition(ziel) : Fehler{};
}

bool aufLaufwerkAoderB(const std::string& stueckpfad) {
    if (stueckpfad.size() < 3 || stueckpfad.compare(1, 2, ":\\") != 0)
        return false;
    const char l = stueckpfad[0];
    return l == 'a' || l == 'A' || l == 'b' || l == 'B';
}

namespace {

// One pass of the run; owns the open files so that every way out closes them.
class Lauf {
  public:
    Lauf(Auftrag& a, Zerlegungsanzeige& anz, Dateisystem& fs, Wechselmedium& m)
        : a_(a), anz_(anz), fs_(fs), medium_(m), quelle_(fs), stueck_(fs), batch_(fs) {}

    Ausgang ausfuehren();

  private:
    bool wuerdeQuelleUeberschreiben(const std::string& praefix, const std::string& stamm,
                                    std::int64_t anzahl);
    Fehler stueckeSchreiben(const std::string& praefix, const std::string& stamm,
                            const std::string& ordner, std::int64_t anzahl, Kopierzeile& zeile);
    Fehler batchSchreiben(const std::string& inhalt);
    void scheitern(const Fehler& f);

    Auftrag& a_;
    Zerlegungsanzeige& anz_;
    Dateisystem& fs_;
    Wechselmedium& medium_;
    OffeneDatei quelle_;
    OffeneDatei stueck_;
    OffeneDatei batch_;
    std::string begonnenesStueck_;  // piece path begun and not yet closed in full
    std::string batchEntwurf_;      // temporary batch file while it is written
    double schritt_ = 0;            // progress per piece
};

Ausgang Lauf::ausfuehren() {
    // Only stale job state leads here; a loop with no progress must not start.
    if (a_.Teilgröße <= 0 || a_.Quellgröße <= 0) {
        anz_.meldung(texte::UngueltigerAuftrag, texte::Titel, Symbol::Information);
        return Ausgang::Abgelehnt;
    }
    const std::int64_t anzahl =
        a_.Quellgröße / a_.Teilgröße + (a_.Quellgröße % a_.Teilgröße != 0 ? 1 : 0);
    schritt_ = static_cast<double>(anz_.fortschrittMaximum()) / static_cast<double>(anzahl);

    const std::string ordner = anz_.zielverzeichnis();
    if (ordner.empty()) {
        anz_.meldung(texte::KeinZiel, texte::Titel, Symbol::Information);
        return Ausgang::KeinZiel;
    }
    const std::string praefix = Ordnerpraefix(ordner);
    const std::string stamm = Dateiname(OhneEndung(a_.Quelldatei));
    if (wuerdeQuelleUeberschreiben(praefix, stamm, anzahl)) {
        anz_.meldung(texte::QuelleWuerdeUeberschrieben, texte::Titel, Symbol::Information);
        return Ausgang::Abgelehnt;
    }

    anz_.sanduhr(true);
    a_.Batchdatei = praefix + stamm + "bat";

    Kopierzeile zeile;
    Fehler f = fs_.oeffneLesen(a_.Quelldatei, quelle_.ziel());
    if (f.ok())
        f = stueckeSchreiben(praefix, stamm, ordner, anzahl, zeile);
    if (f.ok())
        f = quelle_.schliessen();
    if (f.ok()) {
        zeile.abschliessen(Dateiname(a_.Quelldatei));
        f = batchSchreiben(batchInhalt(zeile.text()));
    }
    if (!f.ok()) {
        scheitern(f);
        return f.nummer() == fehlernr::Benutzerunterbrechung ? Ausgang::Abgebrochen
                                                             : Ausgang::Fehlgeschlagen;
    }

    anz_.statuszeile("");
    anz_.sanduhr(false);
    anz_.neuZeichnen();
    anz_.meldung(texte::Erfolg, texte::Titel, Symbol::Information);
    anz_.setzeFortschritt(0);
    anz_.anzeigenLeeren();
    anz_.zortaAktiv(false);
    return Ausgang::Erfolg;
}

bool Lauf::wuerdeQuelleUeberschreiben(const std::string& praefix, const std::string& stamm,
                                      std::int64_t anzahl) {
    Dateikennung quelle;
    if (!fs_.kennung(a_.Quelldatei, &quelle).ok())
        return false;  // opening will report it
    // Only names the run writes can be hit: the batch file, and the one piece
    // whose number spells the source's own extension.
    std::vector<std::string> kandidaten = {praefix + stamm + "bat"};
    const std::string name = Dateiname(a_.Quelldatei);
    const auto punkt = name.rfind('.');
    if (punkt != std::string::npos) {
        const std::string endung = name.substr(punkt + 1);
        const bool ziffern =
            !endung.empty() && endung.size() <= 18 &&
            std::all_of(endung.begin(), endung.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (ziffern) {
            const std::int64_t nr = std::stoll(endung);
            if (nr >= 1 && nr <= anzahl && Stuecknummer(nr) == endung) {
                kandidaten.push_back(praefix + stamm + endung);
            }
        }
    }
    for (const auto& pfad : kandidaten) {
        Dateikennung k;
        if (fs_.kennung(pfad, &k).ok() && k == quelle)
            return true;
    }
    return false;
}

Fehler Lauf::stueckeSchreiben(const std::string& praefix, const std::string& stamm,
                              const std::string& ordner, std::int64_t anzahl, Kopierzeile& zeile) {
    const bool diskette = aufLaufwerkAoderB(praefix) || medium_.istWechselbar(ordner);
    const auto puffer = std::make_unique<char[]>(Blockgroesse);
    const float maximum = anz_.fortschrittMaximum();
    a_.Leseposition = 0;
    bool gewechselt = false;
    for (std::int64_t nr = 1; a_.Leseposition < a_.Quellgröße; ++nr) {
        const std::string pfad = praefix + stamm + Stuecknummer(nr);
        begonnenesStueck_ = pfad;
        anz_.statuszeile(texte::Kopiere + pfad);
        anz_.neuZeichnen();
        // A pulled stick must not let the next piece land on the system disk.
        if (gewechselt) {
            if (Fehler f = medium_.bereit(ordner); !f.ok())
                return f;
        }
        bool vorhanden = false;
        if (Fehler f = fs_.existiert(pfad, &vorhanden); !f.ok())
            return f;
        if (vorhanden) {
            if (Fehler f = fs_.loeschen(pfad); !f.ok())
                return f;
        }
        if (Fehler f = fs_.oeffneSchreiben(pfad, stueck_.ziel()); !f.ok())
            return f;
        const std::int64_t rest = a_.Quellgröße - a_.Leseposition;
        const std::int64_t menge = std::min(rest, a_.Teilgröße);
        if (Fehler f =
                BlockKopieren(menge, fs_, quelle_.handle(), stueck_.handle(), puffer.get(), &anz_);
            !f.ok()) {
            return f;
        }
        if (Fehler f = stueck_.schliessen(); !f.ok())
            return f;
        begonnenesStueck_.clear();
        zeile.stueckAnfuegen(Dateiname(pfad));

        const bool letztes = nr == anzahl;
        anz_.setzeFortschritt(
            letztes ? maximum
                    : std::min(maximum, static_cast<float>(anz_.fortschritt() + schritt_)));
        if (!letztes && diskette) {
            if (anz_.abbruchGewuenscht())
                return Fehler::nummer(fehlernr::Benutzerunterbrechung);
            anz_.meldung(texte::NaechsteDiskette, texte::DisketteTitel, Symbol::Keins);
            gewechselt = true;
        }
        a_.Leseposition = a_.Teilgröße > rest ? a_.Quellgröße : a_.Leseposition + a_.Teilgröße;
    }
    return {};
}

Fehler Lauf::batchSchreiben(const std::string& inhalt) {
    // Written beside the target and renamed over it only when complete, so a
    // failure never leaves a truncated copy line behind.
    if (Fehler f = entwurfAnlegen(fs_, a_.Batchdatei, batch_, &batchEntwurf_); !f.ok())
        return f;
    if (Fehler f = fs_.schreiben(batch_.handle(), inhalt.data(), inhalt.size()); !f.ok())
        return f;
    if (Fehler f = batch_.schliessen(); !f.ok())
        return f;
    if (Fehler f = fs_.umbenennen(batchEntwurf_, a_.Batchdatei); !f.ok())
        return f;
    batchEntwurf_.clear();
    return {};
}

void Lauf::scheitern(const Fehler& f) {
    const bool abgebrochen = f.nummer() == fehlernr::Benutzerunterbrechung;
    if (!abgebrochen)
        anz_.meldung(fehlermeldungZerlegung(f), texte::Titel, Symbol::Keins);
    quelle_.zu();
    stueck_.zu();
    batch_.zu();
    if (!begonnenesStueck_.empty()) {
        bool vorhanden = false;
        if (fs_.existiert(begonnenesStueck_, &vorhanden).ok() && vorhanden) {
            (void)fs_.loeschen(begonnenesStueck_);
        }
    }
    if (!batchEntwurf_.empty())
        (void)fs_.loeschen(batchEntwurf_);
    anz_.statuszeile(abgebrochen ? texte::Abgebrochen : "");
    anz_.sanduhr(false);
    anz_.neuZeichnen();
}

}  // namespace

Ausgang zerlegen(Auftrag& auftrag, Zerlegungsanzeige& anzeige, Dateisystem& fs,
                 Wechselmedium& medium) {
    return Lauf(auftrag, anzeige, fs, medium).ausfuehren();
}

}  // namespace zorta
