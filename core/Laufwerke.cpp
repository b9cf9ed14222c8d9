#include "Laufwerke.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "Pfade.h"

namespace zorta {

namespace {

bool systemort(const std::string& punkt) {
    static const char* const kSystem[] = {"/proc", "/sys", "/dev", "/run",  "/boot",
                                          "/etc",  "/usr", "/var", "/snap", "/tmp"};
    if (liegtUnter(punkt, "/run/media"))
        return false;
    return std::any_of(std::begin(kSystem), std::end(kSystem),
                       [&](const char* s) { return liegtUnter(punkt, s); });
}

}  // namespace

std::vector<Laufwerk> laufwerke(const std::vector<Einhaengung>& tabelle, const std::string& heim,
                                const LinuxWechselmedium* medium) {
    std::vector<Laufwerk> liste = {{"/ (Dateisystem)", "/"}};
    if (!heim.empty() && heim != "/")
        liste.push_back({"Persönlicher Ordner (" + heim + ")", heim});
    for (const auto& e : tabelle) {
        const std::string& p = e.einhaengepunkt;
        if (p.empty() || p[0] != '/' || istPseudoDateisystem(e.typ) || systemort(p))
            continue;
        const bool bekannt =
            std::any_of(liste.begin(), liste.end(), [&](const Laufwerk& l) { return l.pfad == p; });
        if (bekannt)
            continue;
        if (medium != nullptr && medium->geraetWechselbar(e.geraet)) {
            std::string etikett = medium->etikett(e.quelle);
            if (etikett.empty())
                etikett = Dateiname(p);  // automounters name the folder after the label
            liste.push_back({"Wechselmedium " + etikett + " (" + p + ")", p});
        } else {
            liste.push_back({Dateiname(p) + " (" + p + ")", p});
        }
    }
    return liste;
}

std::string etikettVon(const std::string& quelle, const std::string& nachEtikett) {
    char ziel[PATH_MAX];
    if (quelle.empty() || quelle[0] != '/' || ::realpath(quelle.c_str(), ziel) == nullptr)
        return "";
    DIR* d = ::opendir(nachEtikett.c_str());
    if (d == nullptr)
        return "";
    std::string etikett;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        char geraet[PATH_MAX];
        if (name == "." || name == ".." ||
            ::realpath((nachEtikett + "/" + name).c_str(), geraet) == nullptr ||
            std::strcmp(geraet, ziel) != 0) {
            continue;
        }
        // udev writes blanks and other unsafe bytes as \xHH.
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (name.compare(i, 2, "\\x") == 0 && i + 3 < name.size() &&
                std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
                std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
                etikett += static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16));
                i += 3;
            } else {
                etikett += name[i];
            }
        }
        break;
    }
    ::closedir(d);
    return etikett;
}

std::vector<Laufwerk> Wechselmedium::laufwerke(const std::string& heim) {
    return zorta::laufwerke({}, heim);
}

std::vector<Laufwerk> LinuxWechselmedium::laufwerke(const std::string& heim) {
    return zorta::laufwerke(einhaengungenLesen(mountinfo_), heim, this);
}

std::string LinuxWechselmedium::etikett(const std::string& quelle) const {
    return etikettVon(quelle, nachEtikett_);
}

std::size_t laufwerkVon(const std::vector<Laufwerk>& liste, const std::string& ordner) {
    std::size_t beste = 0, laenge = 0;
    for (std::size_t i = 0; i < liste.size(); ++i) {
        if (liegtUnter(ordner, liste[i].pfad) && liste[i].pfad.size() >= laenge) {
            beste = i;
            laenge = liste[i].pfad.size();
        }
    }
    return beste;
}

}  // namespace zorta
