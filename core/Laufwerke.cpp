#include "Laufwerke.h"

#include <algorithm>

#include "Pfade.h"

namespace zorta {

namespace {

bool unter(const std::string& pfad, const std::string& ort) {
    if (ort == "/")
        return true;
    return pfad.compare(0, ort.size(), ort) == 0 &&
           (pfad.size() == ort.size() || pfad[ort.size()] == '/');
}

bool systemort(const std::string& punkt) {
    static const char* const kSystem[] = {"/proc", "/sys", "/dev", "/run",  "/boot",
                                          "/etc",  "/usr", "/var", "/snap", "/tmp"};
    if (unter(punkt, "/run/media"))
        return false;
    return std::any_of(std::begin(kSystem), std::end(kSystem),
                       [&](const char* s) { return unter(punkt, s); });
}

}  // namespace

std::vector<Laufwerk> laufwerke(const std::vector<Einhaengung>& tabelle, const std::string& heim) {
    std::vector<Laufwerk> liste = {{"/ (Dateisystem)", "/"}};
    if (!heim.empty() && heim != "/")
        liste.push_back({"Persönlicher Ordner (" + heim + ")", heim});
    for (const auto& e : tabelle) {
        const std::string& p = e.einhaengepunkt;
        if (p.empty() || p[0] != '/' || istPseudoDateisystem(e.typ) || systemort(p))
            continue;
        const bool bekannt =
            std::any_of(liste.begin(), liste.end(), [&](const Laufwerk& l) { return l.pfad == p; });
        if (!bekannt)
            liste.push_back({Dateiname(p) + " (" + p + ")", p});
    }
    return liste;
}

std::size_t laufwerkVon(const std::vector<Laufwerk>& liste, const std::string& ordner) {
    std::size_t beste = 0, laenge = 0;
    for (std::size_t i = 0; i < liste.size(); ++i) {
        if (unter(ordner, liste[i].pfad) && liste[i].pfad.size() >= laenge) {
            beste = i;
            laenge = liste[i].pfad.size();
        }
    }
    return beste;
}

}  // namespace zorta
