#include "Wechselmedium.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "Dateisystem.h"
#include "Pfade.h"

namespace zorta {

namespace {

// mountinfo writes blanks, tabs, newlines and backslashes as \ooo.
std::string entschluesseln(const std::string& s) {
    std::string aus;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const std::string okt = s.substr(i + 1, 3);
            if (okt.size() == 3 && okt.find_first_not_of("01234567") == std::string::npos) {
                aus += static_cast<char>(std::stoi(okt, nullptr, 8));
                i += 3;
                continue;
            }
        }
        aus += s[i];
    }
    return aus;
}

std::string ersteZeile(const std::string& datei) {
    std::ifstream in(datei);
    std::string zeile;
    std::getline(in, zeile);
    return zeile;
}

std::string aufgeloest(const std::string& pfad) {
    char puffer[PATH_MAX];
    if (::realpath(pfad.c_str(), puffer) == nullptr)
        return "";
    return puffer;
}

}  // namespace

std::vector<Einhaengung> einhaengungenLesen(const std::string& mountinfo) {
    std::vector<Einhaengung> tabelle;
    std::ifstream in(mountinfo);
    std::string zeile;
    while (std::getline(in, zeile)) {
        std::istringstream felder(zeile);
        std::vector<std::string> f;
        std::string wort;
        while (felder >> wort) f.push_back(wort);
        std::size_t strich = 6;
        while (strich < f.size() && f[strich] != "-") ++strich;
        if (f.size() < 5 || strich + 2 >= f.size())
            continue;
        tabelle.push_back(
            {f[2], entschluesseln(f[4]), f[strich + 1], entschluesseln(f[strich + 2]), f[0]});
    }
    return tabelle;
}

const Einhaengung* einhaengungVon(const std::vector<Einhaengung>& tabelle,
                                  const std::string& pfad) {
    const Einhaengung* beste = nullptr;
    for (const auto& e : tabelle) {
        if (liegtUnter(pfad, e.einhaengepunkt) &&
            (beste == nullptr || e.einhaengepunkt.size() >= beste->einhaengepunkt.size())) {
            beste = &e;
        }
    }
    return beste;
}

bool istPseudoDateisystem(const std::string& typ) {
    static const std::set<std::string> kPseudo = {
        "proc",        "sysfs",      "cgroup",    "cgroup2",   "devtmpfs",   "devpts",
        "tmpfs",       "securityfs", "pstore",    "bpf",       "debugfs",    "tracefs",
        "configfs",    "fusectl",    "mqueue",    "hugetlbfs", "autofs",     "binfmt_misc",
        "efivarfs",    "rpc_pipefs", "nsfs",      "ramfs",     "squashfs",   "fuse.gvfsd-fuse",
        "fuse.portal", "overlay",    "selinuxfs", "nfsd",      "fuse.lxcfs", "ftmpfs"};
    return kPseudo.count(typ) != 0;
}

LinuxWechselmedium::LinuxWechselmedium(Dateisystem& fs, std::string mountinfo, std::string sysBlock,
                                       std::string nachEtikett)
    : fs_(fs),
      mountinfo_(std::move(mountinfo)),
      sysBlock_(std::move(sysBlock)),
      nachEtikett_(std::move(nachEtikett)) {}

std::string LinuxWechselmedium::blockgeraet(const std::string& majorMinor) const {
    DIR* d = ::opendir(sysBlock_.c_str());
    if (d == nullptr)
        return "";
    std::string gefunden;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (ersteZeile(sysBlock_ + "/" + name + "/dev") == majorMinor) {
            gefunden = name;
            break;
        }
    }
    ::closedir(d);
    if (gefunden.empty())
        return "";
    const std::string geraet = sysBlock_ + "/" + gefunden;
    // A partition has no flag of its own; its disk is the folder above it.
    if (std::ifstream(geraet + "/partition").good())
        return aufgeloest(geraet) + "/..";
    return geraet;
}

bool LinuxWechselmedium::geraetWechselbar(const std::string& majorMinor) const {
    const std::string geraet = blockgeraet(majorMinor);
    return !geraet.empty() && ersteZeile(geraet + "/removable") == "1";
}

bool LinuxWechselmedium::istWechselbar(const std::string& ordner) {
    const std::string pfad = aufgeloest(ordner);
    if (pfad.empty())
        return false;
    const auto tabelle = einhaengungenLesen(mountinfo_);
    const Einhaengung* e = einhaengungVon(tabelle, pfad);
    return e != nullptr && geraetWechselbar(e->geraet);
}

Medienstand LinuxWechselmedium::stand(const std::string& ordner) {
    Medienstand st;
    st.tabelle = einhaengungenLesen(mountinfo_);
    const std::string pfad = aufgeloest(ordner);
    if (const Einhaengung* e = einhaengungVon(st.tabelle, pfad)) {
        st.medium = *e;
        st.blockgeraet = !blockgeraet(e->geraet).empty();
        const std::size_t laenge = e->einhaengepunkt == "/" ? 0 : e->einhaengepunkt.size();
        st.unterordner = pfad.size() > laenge ? pfad.substr(laenge + 1) : "";
    }
    return st;
}

namespace {

// The kernel hands a freed mount ID to the next mount, so an ID alone does
// not tell a stick mounted in place of another.
bool gleicheEinhaengung(const Einhaengung& a, const Einhaengung& b) {
    return a.id == b.id && a.geraet == b.geraet && a.einhaengepunkt == b.einhaengepunkt;
}

// `unterordner` below `punkt`, made where missing.
Folge ordnerAuf(Dateisystem& fs, const std::string& punkt, const std::string& unterordner) {
    std::string ziel = punkt == "/" ? "" : punkt;
    std::istringstream teile(unterordner);
    for (std::string teil; std::getline(teile, teil, '/');) {
        const std::string oben = ziel.empty() ? "/" : ziel;
        ziel += "/" + teil;
        bool neu = false;
        if (Fehler f = fs.ordnerAnlegen(ziel, &neu); !f.ok())
            return Folge::gescheitert(f);
        // The new folder's name lives in the folder above it.
        if (Fehler f = neu ? fs.ordnerSichern(oben) : Fehler{}; !f.ok())
            return Folge::gescheitert(f);
    }
    return Folge::weiter(ziel.empty() ? "/" : ziel);
}

}  // namespace

Folge LinuxWechselmedium::folgen(const std::string& ordner, const Medienstand& vorher) {
    const auto jetzt = einhaengungenLesen(mountinfo_);
    // A stick pulled without unmounting stays in the table; its device is gone.
    const bool nochDa =
        !vorher.medium.id.empty() &&
        std::any_of(jetzt.begin(), jetzt.end(),
                    [&](const Einhaengung& e) { return gleicheEinhaengung(e, vorher.medium); }) &&
        (!vorher.blockgeraet || [&] {
            const std::string g = blockgeraet(vorher.medium.geraet);
            return !g.empty() && ersteZeile(g + "/size") != "0";
        }());
    if (nochDa) {
        // A stick of the same label may have taken the old one's place.
        if (!aufgeloest(ordner).empty())
            return Folge::weiter(ordner);
        return ordnerAuf(fs_, vorher.medium.einhaengepunkt, vorher.unterordner);
    }

    std::vector<const Einhaengung*> neue;
    for (const auto& e : jetzt) {
        const auto gleich = [&](const Einhaengung& v) { return gleicheEinhaengung(e, v); };
        if (istPseudoDateisystem(e.typ) ||
            std::any_of(vorher.tabelle.begin(), vorher.tabelle.end(), gleich) ||
            std::any_of(neue.begin(), neue.end(),
                        [&](const Einhaengung* n) { return n->geraet == e.geraet; }) ||
            !geraetWechselbar(e.geraet)) {
            continue;
        }
        neue.push_back(&e);
    }
    if (neue.size() != 1)
        return Folge::nochmal(static_cast<int>(neue.size()));
    return ordnerAuf(fs_, neue[0]->einhaengepunkt, vorher.unterordner);
}

}  // namespace zorta
