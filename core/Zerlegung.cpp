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

std::string naechsteDisketteNochmal(int kandidaten, const std::string& unterordner,
                                    const std::string& stueck) {
    return std::string(texte::NaechsteDiskette) + "\n" +
           (kandidaten > 1 ? texte::MehrereDatentraeger : texte::KeinNeuerDatentraeger) +
           "\nDas nächste Teil, " + stueck + ", wird auf dem neuen Datenträger " +
           (unterordner.empty() ? std::string("in das oberste Verzeichnis")
                                : "in den Ordner „" + unterordner + "“") +
           " geschrieben.";
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
    Fehler stueckeSchreiben(std::int64_t anzahl, Kopierzeile& zeile);
    Fehler mediumWechseln(const std::string& naechstes);
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
    std::string ordner_, praefix_;  // the target folder; another after a swap
    std::string stamm_;
    bool wechselbar_ = false;  // the medium is swapped between pieces
    double schritt_ = 0;       // progress per piece
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

    ordner_ = anz_.zielverzeichnis();
    if (ordner_.empty()) {
        anz_.meldung(texte::KeinZiel, texte::Titel, Symbol::Information);
        return Ausgang::KeinZiel;
    }
    praefix_ = Ordnerpraefix(ordner_);
    stamm_ = Dateiname(OhneEndung(a_.Quelldatei));
    if (wuerdeQuelleUeberschreiben(praefix_, stamm_, anzahl)) {
        anz_.meldung(texte::QuelleWuerdeUeberschrieben, texte::Titel, Symbol::Information);
        return Ausgang::Abgelehnt;
    }

    anz_.sanduhr(true);
    a_.Batchdatei = praefix_ + stamm_ + "bat";

    Kopierzeile zeile;
    Fehler f = fs_.oeffneLesen(a_.Quelldatei, quelle_.ziel());
    if (f.ok())
        f = stueckeSchreiben(anzahl, zeile);
    if (f.ok())
        f = quelle_.schliessen();
    if (f.ok()) {
        zeile.abschliessen(Dateiname(a_.Quelldatei));
        f = batchSchreiben(batchInhalt(zeile.text()));
    }
    // The user pulls the last medium once the success message is up. A batch
    // file whose name did not reach it counts as not written, like a piece.
    if (f.ok() && wechselbar_) {
        f = fs_.ordnerSichern(ordner_);
        if (!f.ok())
            batchEntwurf_ = a_.Batchdatei;
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

Fehler Lauf::stueckeSchreiben(std::int64_t anzahl, Kopierzeile& zeile) {
    wechselbar_ = aufLaufwerkAoderB(praefix_) || medium_.istWechselbar(ordner_);
    const auto puffer = std::make_unique<char[]>(Blockgroesse);
    const float maximum = anz_.fortschrittMaximum();
    a_.Leseposition = 0;
    for (std::int64_t nr = 1; a_.Leseposition < a_.Quellgröße; ++nr) {
        const std::string pfad = praefix_ + stamm_ + Stuecknummer(nr);
        begonnenesStueck_ = pfad;
        anz_.statuszeile(texte::Kopiere + pfad);
        anz_.neuZeichnen();
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
        // A swapped medium leaves with the piece: it counts as written only
        // once its data and its name are on the medium.
        if (wechselbar_) {
            if (Fehler f = fs_.sichern(stueck_.handle()); !f.ok())
                return f;
        }
        if (Fehler f = stueck_.schliessen(); !f.ok())
            return f;
        if (wechselbar_) {
            if (Fehler f = fs_.ordnerSichern(ordner_); !f.ok())
                return f;
        }
        begonnenesStueck_.clear();
        zeile.stueckAnfuegen(Dateiname(pfad));

        const bool letztes = nr == anzahl;
        anz_.setzeFortschritt(
            letztes ? maximum
                    : std::min(maximum, static_cast<float>(anz_.fortschritt() + schritt_)));
        if (!letztes && wechselbar_) {
            if (Fehler f = mediumWechseln(stamm_ + Stuecknummer(nr + 1)); !f.ok())
                return f;
        }
        a_.Leseposition = a_.Teilgröße > rest ? a_.Quellgröße : a_.Leseposition + a_.Teilgröße;
    }
    return {};
}

Fehler Lauf::mediumWechseln(const std::string& naechstes) {
    const Fehler abbruch = Fehler::nummer(fehlernr::Benutzerunterbrechung);
    if (anz_.abbruchGewuenscht())
        return abbruch;
    // Taken before the prompt, so that a stick mounted meanwhile counts as new.
    const Medienstand vorher = medium_.stand(ordner_);
    std::string text = texte::NaechsteDiskette;
    for (;;) {
        if (!anz_.frage(text, texte::DisketteTitel) || anz_.abbruchGewuenscht())
            return abbruch;
        const Folge folge = medium_.folgen(ordner_, vorher);
        if (!folge.fehler.ok())
            return folge.fehler;
        if (!folge.ordner.empty()) {
            ordner_ = folge.ordner;
            praefix_ = Ordnerpraefix(ordner_);
            a_.Batchdatei = praefix_ + stamm_ + "bat";
            return {};
        }
        text = naechsteDisketteNochmal(folge.kandidaten, vorher.unterordner, naechstes);
    }
}

Fehler Lauf::batchSchreiben(const std::string& inhalt) {
    // Written beside the target and renamed over it only when complete, so a
    // failure never leaves a truncated copy line behind.
    if (Fehler f = entwurfAnlegen(fs_, a_.Batchdatei, batch_, &batchEntwurf_); !f.ok())
        return f;
    if (Fehler f = fs_.schreiben(batch_.handle(), inhalt.data(), inhalt.size()); !f.ok())
        return f;
    // Without this a crash after the rename can leave an empty batch file in
    // place of the good one it replaced.
    if (Fehler f = fs_.sichern(batch_.handle()); !f.ok())
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
