#include "Nachlesen.h"

#include "Pruefsumme.h"

namespace zorta {

Fehler stueckNachlesen(Dateisystem& fs, const std::string& pfad, std::int64_t laenge,
                       const std::string& summe, bool* gleich) {
    OffeneDatei datei(fs);
    if (Fehler f = fs.oeffneVomMedium(pfad, datei.ziel()); !f.ok())
        return f;
    Pruefsumme nachgelesen;
    std::int64_t gesamt = 0;
    for (;;) {
        std::size_t gelesen = 0;
        if (Fehler f = fs.lesen(datei.handle(), nachgelesen.puffer(), nachgelesen.blockgroesse(),
                                &gelesen);
            !f.ok()) {
            return f;
        }
        nachgelesen.einspeisen(gelesen);
        gesamt += static_cast<std::int64_t>(gelesen);
        if (gelesen < nachgelesen.blockgroesse())
            break;
    }
    if (Fehler f = datei.schliessen(); !f.ok())
        return f;
    std::string hex;
    if (Fehler f = nachgelesen.ergebnis(&hex); !f.ok())
        return f;
    *gleich = gesamt == laenge && hex == summe;
    return {};
}

}  // namespace zorta
