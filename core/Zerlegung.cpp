#include "Zerlegung.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "Batchdatei.h"
#include "Codeseite.h"
#include "Grenzen.h"
#include "Nachlesen.h"
#include "Pfade.h"
#include "Zielgrenzen.h"

namespace zorta {

std::string fehlermeldungZerlegung(const Fehler& f) {
    return "Fehler # " + zahlMitVorzeichenstelle(f.nummer()) + "\r" + f.beschreibung();
}

std::string zuVieleTeile(std::int64_t anzahl, std::int64_t hoechstens, std::int64_t kbyte) {
    return "Die Quelldatei ergäbe " + std::to_string(anzahl) +
           " Teile, eine Batchdatei kann bei diesem Namen höchstens " + std::to_string(hoechstens) +
           " Teile zusammensetzen. Wählen Sie bitte eine Teilgröße von mindestens " +
           std::to_string(kbyte) + " KByte und dann die Quelldatei erneut aus !";
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

std::string stueckBeschaedigt(const std::string& stueck) {
    return "Das Teil " + stueck +
           " ist auf diesem Datenträger beschädigt und wurde gelöscht. Es wird auf den "
           "nächsten Datenträger noch einmal geschrieben.\n" +
           texte::NaechsteDiskette;
}
Fehler BlockKopieren(std::int64_t anzahl, Dateisystem& fs, Dateisystem::Handle quelle,
                     Dateisystem::Handle ziel, Pruefsumme& summe, Zerlegungsanzeige* anzeige) {
    std::int64_t rest = anzahl;
    bool luecke = false;
    while (rest > 0) {
        if (anzeige && anzeige->abbruchGewuenscht())
            return Fehler::nummer(fehlernr::Benutzerunterbrechung);
        const auto laenge =
            static_cast<std::size_t>(std::min<std::int64_t>(rest, summe.blockgroesse()));
        char* puffer = summe.puffer();
        std::size_t gelesen = 0;
        if (Fehler f = fs.lesen(quelle, puffer, laenge, &gelesen); !f.ok())
            return f;
        if (gelesen < laenge)
            return Fehler::nummer(fehlernr::HinterDateiende);
        summe.einspeisen(laenge, rest == static_cast<std::int64_t>(laenge));
        if (Fehler f = blockAusgeben(fs, ziel, puffer, laenge, &luecke, Blockgroesse); !f.ok())
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
        : a_(a), anz_(anz), fs_(fs), medium_(m), quelle_(fs), stueck_(fs), datei_(fs) {}

    Ausgang ausfuehren();

  private:
    Ausgang ablehnen(const std::string& text);
    std::string batchVorbereiten(std::int64_t anzahl);
    bool wuerdeQuelleUeberschreiben(const std::string& praefix, const std::string& stamm,
                                    std::int64_t anzahl);
    Fehler schneiden(std::int64_t anzahl);
    Fehler entfernen(const std::string& pfad);
    Fehler stueckeSchreiben(std::int64_t anzahl, Pruefsumme& summe);
    // `erst` opens the prompt; `mangel` says why the medium in the drive
    // cannot take piece `nr`, "" after a piece that fitted.
    Fehler mediumWechseln(const std::string& naechstes, std::int64_t nr,
                          const std::string& mangel = "",
                          const std::string& erst = texte::NaechsteDiskette);
    Fehler pruefen(const std::string& pfad, std::int64_t nr, std::int64_t menge, Pruefsumme& summe,
                   bool* nochmal);
    Fehler dateiSchreiben(const std::string& pfad, const std::string& inhalt);
    void scheitern(const Fehler& f);

    Auftrag& a_;
    Zerlegungsanzeige& anz_;
    Dateisystem& fs_;
    Wechselmedium& medium_;
    OffeneDatei quelle_;
    OffeneDatei stueck_;
    OffeneDatei datei_;                     // the batch or checksum file being written
    std::string begonnenesStueck_;          // piece path begun and not yet closed in full
    std::string entwurf_;                   // draft of the batch or checksum file
    std::string batch_;                     // the batch file's bytes, built before the first piece
    Dateistand quellstand_;                 // the source as the run opened it
    std::vector<std::string> geschrieben_;  // batch and checksum file of this run
    std::string ordner_, praefix_;          // the target folder; another after a swap
    std::string stamm_;
    bool wechselbar_ = false;             // the medium is swapped between pieces
    bool mitSumme_ = true;                // the checksum file's name can exist
    double schritt_ = 0;                  // progress per piece
    Zieljob job_;                         // what the target must hold
    std::unique_ptr<Pruefsumme> wieder_;  // a piece written again after its read-back failed
    std::string soll_;                    // ... and its checksum from the first writing
    std::int64_t anzahl_ = 0;             // pieces of the job
};

Ausgang Lauf::ausfuehren() {
    // Only stale job state leads here; a loop with no progress must not start.
    if (a_.Teilgröße <= 0 || a_.Quellgröße <= 0)
        return ablehnen(texte::UngueltigerAuftrag);
    const std::int64_t anzahl = teilanzahl(a_.Quellgröße, a_.Teilgröße);
    anzahl_ = anzahl;
    schritt_ = static_cast<double>(anz_.fortschrittMaximum()) / static_cast<double>(anzahl);

    ordner_ = anz_.zielverzeichnis();
    if (ordner_.empty()) {
        anz_.meldung(texte::KeinZiel, texte::Titel, Symbol::Information);
        return Ausgang::KeinZiel;
    }
    praefix_ = Ordnerpraefix(ordner_);
    stamm_ = Dateiname(OhneEndung(a_.Quelldatei));
    if (!batchTauglich(stamm_) || !batchTauglich(Dateiname(a_.Quelldatei)))
        return ablehnen(texte::NameUngeeignet);
    // A name that cannot exist must fail now, not after the last piece.
    const auto moeglich = [](const std::string& pfad) {
        return Dateiname(pfad).size() <= NAME_MAX && pfad.size() < PATH_MAX;
    };
    if (!moeglich(praefix_ + stamm_ + Stuecknummer(anzahl)))  // "bat" is never longer
        return ablehnen(texte::NameZuLang);
    // Only the checksum file's longer name may be impossible: the cut goes on
    // without it, and the join then reports that it checked nothing.
    mitSumme_ = moeglich(praefix_ + stamm_ + "sha256");
    if (wuerdeQuelleUeberschreiben(praefix_, stamm_, anzahl))
        return ablehnen(texte::QuelleWuerdeUeberschrieben);
    if (const std::string grund = batchVorbereiten(anzahl); !grund.empty())
        return ablehnen(grund);
    wechselbar_ = aufLaufwerkAoderB(praefix_) || medium_.istWechselbar(ordner_);
    job_ =
        zieljob(a_.Quelldatei, stamm_, a_.Quellgröße, a_.Teilgröße, anzahl, mitSumme_,
                static_cast<std::int64_t>(batch_.size()), fs_.belegt(a_.Quelldatei), wechselbar_);
    if (const std::string grund = zielAblehnung(fs_, ordner_, job_); !grund.empty())
        return ablehnen(grund);

    anz_.sanduhr(true);
    a_.Batchdatei = praefix_ + stamm_ + "bat";
    a_.Leseposition = 0;
    Fehler f = fs_.oeffneLesen(a_.Quelldatei, quelle_.ziel());
    // The piece count and the batch file rest on the length measured at the
    // choice; a file changed since would be cut in part. Whatever stands
    // there now is checked on the handle, so a FIFO put there is never read.
    if (f.ok())
        f = fs_.stand(quelle_.handle(), &quellstand_);
    if (f.ok() && (!quellstand_.lesbar || quellstand_.laenge != a_.Quellgröße)) {
        quelle_.zu();
        anz_.sanduhr(false);
        return ablehnen(texte::QuelleVeraendert);
    }
    if (f.ok())
        f = schneiden(anzahl);
    // The user pulls the last medium once the success message is up; the
    // batch and checksum files count as written only once their names are on it.
    if (f.ok() && wechselbar_)
        f = fs_.ordnerSichern(ordner_);
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

Ausgang Lauf::ablehnen(const std::string& text) {
    anz_.meldung(text, texte::Titel, Symbol::Information);
    return Ausgang::Abgelehnt;
}

// Everything from the first file written to the last; any failure leaves the
// rest to scheitern().
Fehler Lauf::schneiden(std::int64_t anzahl) {
    // The first medium must take the first piece before the old files go.
    if (auto mangel = wechselbar_ ? platzMangel(fs_, ordner_, job_, 1) : ""; !mangel.empty()) {
        if (Fehler f = mediumWechseln(stamm_ + Stuecknummer(1), 1, mangel); !f.ok())
            return f;
    }
    // The batch file of an earlier cut must not outlive a run that fails: it
    // would join pieces this run did not write.
    if (mitSumme_) {
        if (Fehler f = entfernen(praefix_ + stamm_ + "sha256"); !f.ok())
            return f;
    }
    if (Fehler f = entfernen(a_.Batchdatei); !f.ok())
        return f;

    Pruefsumme summe(Pruefsumme::StandardBlock, 3, true);
    if (Fehler f = stueckeSchreiben(anzahl, summe); !f.ok())
        return f;
    // A source that grew during the run would be cut in part, and one
    // rewritten in place (same length) gives pieces of neither version.
    char mehr = 0;
    std::size_t gelesen = 0;
    if (Fehler f = fs_.lesen(quelle_.handle(), &mehr, 1, &gelesen); !f.ok())
        return f;
    Dateistand jetzt;
    if (Fehler f = fs_.stand(quelle_.handle(), &jetzt); !f.ok())
        return f;
    if (gelesen != 0 || jetzt != quellstand_)
        return Fehler::nummer(fehlernr::QuelleVeraendert);
    if (Fehler f = quelle_.schliessen(); !f.ok())
        return f;

    std::string hex;
    if (Fehler f = summe.ergebnis(&hex); !f.ok())
        return f;
    const std::string name = Dateiname(a_.Quelldatei);
    // After a swap both files go onto the last medium, beside the last piece.
    if (mitSumme_) {
        std::string inhalt = hex + "  " + name + "\n";
        for (std::int64_t nr = 1; nr <= anzahl; ++nr) {
            if (Fehler f = summe.stueckErgebnis(static_cast<std::size_t>(nr - 1), &hex); !f.ok())
                return f;
            // A piece named like the source ("x.7z.001") is the source's name
            // after the join: one name, one checksum, the whole file's.
            if (stamm_ + Stuecknummer(nr) != name)
                inhalt += hex + "  " + stamm_ + Stuecknummer(nr) + "\n";
        }
        if (Fehler f = dateiSchreiben(praefix_ + stamm_ + "sha256", inhalt); !f.ok())
            return f;
    }
    return dateiSchreiben(a_.Batchdatei, batch_);
}

// The batch file of the whole job, built now so that a job the batch file
// or its interpreter cannot carry is refused before the first piece; "" when
// it can be cut, otherwise the reason to show.
std::string Lauf::batchVorbereiten(std::int64_t anzahl) {
    const std::string name = Dateiname(a_.Quelldatei);
    if (!istUtf8(stamm_) || !istUtf8(name))
        return texte::NameKeinUtf8;
    if (anzahl <= static_cast<std::int64_t>(kTeileHoechstens)) {
        if (!batchInhalt(stamm_, anzahl, name, &batch_))
            return texte::KeineCodeseite850;
        if (batch_.size() <= kStapelHoechstens)
            return "";
        batch_.clear();
    }
    // The most pieces whose batch file the interpreter still takes, and from
    // it the smallest piece size that fits.
    const auto passt = [&](std::int64_t n) {
        std::size_t groesse = 0;
        return batchInhalt(stamm_, n, name, nullptr, &groesse) && groesse <= kStapelHoechstens;
    };
    if (std::size_t g = 0; !batchInhalt(stamm_, 1, name, nullptr, &g))
        return texte::KeineCodeseite850;
    std::int64_t unten = 1, oben = std::min<std::int64_t>(anzahl, kTeileHoechstens);
    while (unten < oben) {
        const std::int64_t mitte = unten + (oben - unten + 1) / 2;
        passt(mitte) ? unten = mitte : oben = mitte - 1;
    }
    const std::int64_t kbyte = (a_.Quellgröße + unten * 1024 - 1) / (unten * 1024);
    return zuVieleTeile(anzahl, unten, kbyte);
}

// Removes whatever stands at `pfad` but a folder: a link itself, never its
// target, and a FIFO or device node that would block or swallow the output.
Fehler Lauf::entfernen(const std::string& pfad) {
    Fehler f = fs_.loeschen(pfad);
    return f.nummer() == fehlernr::DateiNichtGefunden ? Fehler{} : f;
}

bool Lauf::wuerdeQuelleUeberschreiben(const std::string& praefix, const std::string& stamm,
                                      std::int64_t anzahl) {
    Dateikennung quelle;
    if (!fs_.kennung(a_.Quelldatei, &quelle).ok())
        return false;  // opening will report it
    // Only names the run writes can be hit: the batch and checksum files, and
    // the one piece whose number spells the source's own extension.
    std::vector<std::string> kandidaten = {praefix + stamm + "bat", praefix + stamm + "sha256"};
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

Fehler Lauf::stueckeSchreiben(std::int64_t anzahl, Pruefsumme& summe) {
    const float maximum = anz_.fortschrittMaximum();
    for (std::int64_t nr = 1; a_.Leseposition < a_.Quellgröße; ++nr) {
        const std::string pfad = praefix_ + stamm_ + Stuecknummer(nr);
        begonnenesStueck_ = pfad;
        anz_.statuszeile(texte::Kopiere + pfad);
        anz_.neuZeichnen();
        // Created new, so nothing is written through a link or into a FIFO.
        if (Fehler f = entfernen(pfad); !f.ok())
            return f;
        if (Fehler f = fs_.oeffneNeu(pfad, stueck_.ziel()); !f.ok())
            return nameAbgelehnt(f, pfad);
        const std::int64_t rest = a_.Quellgröße - a_.Leseposition;
        const std::int64_t menge = std::min(rest, a_.Teilgröße);
        if (Fehler f = BlockKopieren(menge, fs_, quelle_.handle(), stueck_.handle(),
                                     wieder_ ? *wieder_ : summe, &anz_);
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
            bool nochmal = false;
            if (Fehler f = pruefen(pfad, nr, menge, summe, &nochmal); !f.ok())
                return f;
            if (nochmal) {  // the same piece once more, on the medium now in
                --nr;
                continue;
            }
        }
        begonnenesStueck_.clear();

        const bool letztes = nr == anzahl;
        // From the piece count, as the status line: a bar an earlier run
        // left standing does not carry over.
        anz_.setzeFortschritt(
            letztes ? maximum
                    : std::min(maximum, static_cast<float>(schritt_ * static_cast<double>(nr))));
        if (!letztes && wechselbar_) {
            if (Fehler f = mediumWechseln(stamm_ + Stuecknummer(nr + 1), nr + 1); !f.ok())
                return f;
        }
        a_.Leseposition = a_.Teilgröße > rest ? a_.Quellgröße : a_.Leseposition + a_.Teilgröße;
    }
    return {};
}

// Reads piece `nr` back from the stick, which a pulled stick or a worn floppy
// would otherwise reveal only at the join. A damaged piece is removed and,
// once the user has put in another medium, written again (*nochmal).
Fehler Lauf::pruefen(const std::string& pfad, std::int64_t nr, std::int64_t menge,
                     Pruefsumme& summe, bool* nochmal) {
    std::string hex;
    if (wieder_) {
        // Written again from a second read of the source, which must match the first.
        if (Fehler f = wieder_->ergebnis(&hex); !f.ok())
            return f;
        wieder_.reset();
        if (hex != soll_)
            return Fehler::nummer(fehlernr::QuelleVeraendert);
    } else if (Fehler f = summe.stueckErgebnis(static_cast<std::size_t>(nr - 1), &soll_); !f.ok()) {
        return f;
    }
    anz_.statuszeile(texte::Pruefe + Dateiname(pfad) + " …");
    anz_.neuZeichnen();
    bool gleich = false;
    if (Fehler f = stueckNachlesen(fs_, pfad, menge, soll_, &gleich); !f.ok() || gleich)
        return f;
    // Gone from the medium before the user pulls it.
    if (Fehler f = fs_.loeschen(pfad); !f.ok())
        return f;
    begonnenesStueck_.clear();
    if (Fehler f = fs_.ordnerSichern(ordner_); !f.ok())
        return f;
    if (Fehler f = mediumWechseln(Dateiname(pfad), nr, "", stueckBeschaedigt(Dateiname(pfad)));
        !f.ok())
        return f;
    if (Fehler f = fs_.positionieren(quelle_.handle(), a_.Leseposition); !f.ok())
        return f;
    wieder_ = std::make_unique<Pruefsumme>();
    *nochmal = true;
    return {};
}

Fehler Lauf::mediumWechseln(const std::string& naechstes, std::int64_t nr,
                            const std::string& mangel, const std::string& erst) {
    const Fehler abbruch = Fehler::nummer(fehlernr::Benutzerunterbrechung);
    if (anz_.abbruchGewuenscht())
        return abbruch;
    // Taken before the prompt, so that a stick mounted meanwhile counts as new.
    const Medienstand vorher = medium_.stand(ordner_);
    std::string text = erst + (mangel.empty() ? "" : "\n" + mangel);
    for (;;) {
        if (!anz_.frage(text, texte::DisketteTitel) || anz_.abbruchGewuenscht())
            return abbruch;
        const Folge folge = medium_.folgen(ordner_, vorher);
        if (!folge.fehler.ok())
            return folge.fehler;
        if (!folge.ordner.empty()) {
            // A medium too small is treated like none: the prompt comes again.
            if (auto knapp = platzMangel(fs_, folge.ordner, job_, nr); !knapp.empty()) {
                text = texte::NaechsteDiskette + ("\n" + knapp);
                continue;
            }
            ordner_ = folge.ordner;
            praefix_ = Ordnerpraefix(ordner_);
            a_.Batchdatei = praefix_ + stamm_ + "bat";
            return {};
        }
        text = naechsteDisketteNochmal(folge.kandidaten, vorher.unterordner, naechstes);
    }
}

Fehler Lauf::dateiSchreiben(const std::string& pfad, const std::string& inhalt) {
    // Written beside the target and renamed over it only when complete, so a
    // failure never leaves a truncated file behind; rename replaces a link
    // standing there, not its target.
    if (Fehler f = entwurfAnlegen(fs_, pfad, datei_, &entwurf_); !f.ok())
        return f;
    if (Fehler f = fs_.schreiben(datei_.handle(), inhalt.data(), inhalt.size()); !f.ok())
        return f;
    // Without this a crash after the rename can leave an empty file in place
    // of the good one it replaced.
    if (Fehler f = fs_.sichern(datei_.handle()); !f.ok())
        return f;
    if (Fehler f = datei_.schliessen(); !f.ok())
        return f;
    if (Fehler f = fs_.umbenennen(entwurf_, pfad); !f.ok())
        return f;
    entwurf_.clear();
    geschrieben_.push_back(pfad);
    return {};
}

void Lauf::scheitern(const Fehler& f) {
    const bool abgebrochen = f.nummer() == fehlernr::Benutzerunterbrechung;
    if (!abgebrochen)
        anz_.meldung(fehlermeldungZerlegung(f), texte::Titel, Symbol::Keins);
    quelle_.zu();
    stueck_.zu();
    datei_.zu();
    if (!begonnenesStueck_.empty())
        (void)fs_.loeschen(begonnenesStueck_);
    if (!entwurf_.empty())
        (void)fs_.loeschen(entwurf_);
    // A checksum without its batch file would promise a cut that failed.
    for (const auto& pfad : geschrieben_) (void)fs_.loeschen(pfad);
    // Only found after the last piece; the pieces match neither version of the source.
    if (f.nummer() == fehlernr::QuelleVeraendert) {
        for (std::int64_t nr = 1; nr <= anzahl_; ++nr)
            (void)fs_.loeschen(praefix_ + stamm_ + Stuecknummer(nr));
    }
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
