#include "Reparatur.h"

#include "Pfade.h"

namespace zorta {

std::string fehlermeldungReparatur(const Fehler& f) {
    return "Fehler Nr. : " + zahlMitVorzeichenstelle(f.nummer()) +
           "\r\rFehlerbeschreibung : " + f.beschreibung();
}

Fehler startauftragFuer(const std::string& datei, const std::string& interpreter, Dateisystem& fs,
                        Startauftrag* auftrag) {
    Eintragsart art{};
    bool ausfuehrbar = false;
    if (Fehler f = fs.eintrag(datei, &art, &ausfuehrbar); !f.ok())
        return f;
    if (art != Eintragsart::Datei)
        return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
    const std::string name = kleinAscii(Dateiname(datei));
    const auto endetMit = [&](const std::string& e) {
        return name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0;
    };
    Startauftrag a;
    if (endetMit(".bat") || endetMit(".cmd")) {
        a.programm = interpreter;
        a.argumente = {datei};
    } else if (ausfuehrbar) {
        a.programm = datei;
    } else {
        return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
    }
    a.arbeitsordner = Ordner(datei);
    a.versteckt = true;
    a.abgekoppelt = true;
    *auftrag = std::move(a);
    return {};
}

Fehler batchdateiStarten(const std::string& datei, const std::string& interpreter, Dateisystem& fs,
                         Starter& starter) {
    Startauftrag a;
    if (Fehler f = startauftragFuer(datei, interpreter, fs, &a); !f.ok())
        return f;
    return starter.starten(a);
}

Fehler batchdateiBeobachtetStarten(const std::string& datei, const std::string& interpreter,
                                   Dateisystem& fs, Starter& starter,
                                   std::unique_ptr<Beobachtung>* beobachtung) {
    beobachtung->reset();
    Startauftrag a;
    if (Fehler f = startauftragFuer(datei, interpreter, fs, &a); !f.ok())
        return f;
    return a.programm == interpreter ? starter.beobachtetStarten(a, beobachtung)
                                     : starter.starten(a);
}

}  // namespace zorta
