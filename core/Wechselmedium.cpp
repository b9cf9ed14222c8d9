#include "Wechselmedium.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <fstream>
#include <set>
#include <sstream>

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

bool liegtUnter(const std::string& pfad, const std::string& punkt) {
    if (punkt == "/")
        return !pfad.empty() && pfad[0] == '/';
    return pfad.compare(0, punkt.size(), punkt) == 0 &&
           (pfad.size() == punkt.size() || pfad[punkt.size()] == '/');
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
            {f[2], entschluesseln(f[4]), f[strich + 1], entschluesseln(f[strich + 2])});
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

LinuxWechselmedium::LinuxWechselmedium(std::string mountinfo, std::string sysBlock)
    : mountinfo_(std::move(mountinfo)), sysBlock_(std::move(sysBlock)) {}

bool LinuxWechselmedium::geraetWechselbar(const std::string& majorMinor) const {
    DIR* d = ::opendir(sysBlock_.c_str());
    if (d == nullptr)
        return false;
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
        return false;
    std::string geraet = sysBlock_ + "/" + gefunden;
    // A partition has no flag of its own; its disk is the folder above it.
    if (std::ifstream(geraet + "/partition").good())
        geraet = aufgeloest(geraet) + "/..";
    return ersteZeile(geraet + "/removable") == "1";
}

bool LinuxWechselmedium::istWechselbar(const std::string& ordner) {
    const std::string pfad = aufgeloest(ordner);
    if (pfad.empty())
        return false;
    const auto tabelle = einhaengungenLesen(mountinfo_);
    const Einhaengung* e = einhaengungVon(tabelle, pfad);
    return e != nullptr && geraetWechselbar(e->geraet);
}

Fehler LinuxWechselmedium::bereit(const std::string& ordner) {
    if (aufgeloest(ordner).empty())
        return Fehler::nummer(fehlernr::PfadNichtGefunden);
    if (!istWechselbar(ordner))
        return Fehler::nummer(fehlernr::NichtBereit);
    return {};
}

}  // namespace zorta
