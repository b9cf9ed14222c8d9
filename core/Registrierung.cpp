#include "Registrierung.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "Pfade.h"

namespace zorta {

namespace {

// Lines of the file may end in CR LF.
constexpr const char* kLeer = " \t\r";

bool istDatei(Dateisystem& fs, const std::string& pfad, bool mussAusfuehrbarSein = false) {
    Eintragsart art{};
    bool ausfuehrbar = false;
    return fs.eintrag(pfad, &art, &ausfuehrbar).ok() && art == Eintragsart::Datei &&
           (ausfuehrbar || !mussAusfuehrbarSein);
}

// The whole file; "" when it cannot be read (a missing store is an empty one).
std::string textVon(Dateisystem& fs, const std::string& pfad) {
    OffeneDatei datei(fs);
    std::string text;
    if (!fs.oeffneLesen(pfad, datei.ziel()).ok())
        return text;
    char puffer[4096];
    std::size_t n = 0;
    while (fs.lesen(datei.handle(), puffer, sizeof puffer, &n).ok() && n > 0)
        text.append(puffer, n);
    return text;
}

// The whole of `s` as a number of at most `hoechstens`; throws otherwise,
// so that a value that does not fit is no value rather than a wrapped one.
unsigned long ganzeZahl(const std::string& s, int basis, unsigned long hoechstens) {
    std::size_t ende = 0;
    const unsigned long z = std::stoul(s, &ende, basis);
    if (ende != s.size() || z > hoechstens)
        throw std::out_of_range(s);
    return z;
}

// "04,01,00,00" or "04 01 00 00"
std::vector<unsigned char> hexbytes(const std::string& s) {
    std::vector<unsigned char> aus;
    std::string t = s;
    std::replace(t.begin(), t.end(), ',', ' ');
    std::istringstream in(t);
    std::string b;
    while (in >> b) aus.push_back(static_cast<unsigned char>(ganzeZahl(b, 16, 0xff)));
    return aus;
}

bool wertLesen(const std::string& rest, Registerwert* w) {
    const auto doppelpunkt = rest.find(':');
    if (doppelpunkt == std::string::npos)
        return false;
    const std::string typ = kleinAscii(trim(rest.substr(0, doppelpunkt), kLeer));
    const std::string inhalt = rest.substr(doppelpunkt + 1);
    try {
        if (typ == "reg_sz" || typ == "reg_expand_sz") {
            *w = SpeicherRegistrierung::text(inhalt);
            if (typ == "reg_expand_sz")
                w->typ = 2;
        } else if (typ == "reg_dword") {
            const auto zahl =
                static_cast<std::uint32_t>(ganzeZahl(trim(inhalt, kLeer), 0, 0xffffffff));
            w->typ = REG_DWORD;
            w->daten = {static_cast<unsigned char>(zahl), static_cast<unsigned char>(zahl >> 8),
                        static_cast<unsigned char>(zahl >> 16),
                        static_cast<unsigned char>(zahl >> 24)};
        } else if (typ == "reg_binary") {
            w->typ = 3;
            w->daten = hexbytes(inhalt);
        } else if (typ.rfind("hex(", 0) == 0 && typ.back() == ')') {
            w->typ = static_cast<std::uint32_t>(
                ganzeZahl(typ.substr(4, typ.size() - 5), 16, 0xffffffff));
            w->daten = hexbytes(inhalt);
        } else {
            return false;
        }
    } catch (const std::exception&) {
        return false;  // a malformed line is no value
    }
    return true;
}

}  // namespace

Registerwert SpeicherRegistrierung::text(const std::string& s) {
    Registerwert w;
    w.typ = REG_SZ;
    w.daten.assign(s.begin(), s.end());
    w.daten.push_back(0);
    return w;
}

void SpeicherRegistrierung::setzen(const std::string& pfad, const std::string& name,
                                   Registerwert wert) {
    schluessel_[kleinAscii(pfad)][kleinAscii(name)] = std::move(wert);
}

bool SpeicherRegistrierung::hat(const std::string& pfad, const std::string& name) const {
    const auto s = schluessel_.find(kleinAscii(pfad));
    return s != schluessel_.end() && s->second.count(kleinAscii(name)) != 0;
}

bool SpeicherRegistrierung::oeffnen(std::uint32_t wurzel, const std::string& pfad, std::uint32_t,
                                    Schluessel* schluessel) {
    if (wurzel != HKEY_LOCAL_MACHINE || schluessel_.count(kleinAscii(pfad)) == 0)
        return false;
    offen_.push_back(kleinAscii(pfad));
    *schluessel = static_cast<Schluessel>(offen_.size());
    return true;
}

bool SpeicherRegistrierung::abfragen(Schluessel schluessel, const std::string& name,
                                     std::uint32_t* typ, unsigned char* puffer,
                                     std::uint32_t* laenge) {
    if (schluessel < 1 || static_cast<std::size_t>(schluessel) > offen_.size())
        return false;
    const auto& werte = schluessel_[offen_[static_cast<std::size_t>(schluessel) - 1]];
    const auto w = werte.find(kleinAscii(name));
    if (w == werte.end() || w->second.daten.size() > *laenge)
        return false;
    std::copy(w->second.daten.begin(), w->second.daten.end(), puffer);
    *typ = w->second.typ;
    *laenge = static_cast<std::uint32_t>(w->second.daten.size());
    return true;
}

void SpeicherRegistrierung::schliessen(Schluessel) {}

IniRegistrierung::IniRegistrierung(std::string datei, Dateisystem& fs, Werkzeugsuche suche)
    : datei_(std::move(datei)), fs_(fs), suche_(std::move(suche)) {}

void IniRegistrierung::laden() {
    leeren();
    std::istringstream in(textVon(fs_, datei_));
    std::string zeile, abschnitt;
    while (std::getline(in, zeile)) {
        zeile = trim(zeile, kLeer);
        if (zeile.empty() || zeile[0] == '#' || zeile[0] == ';')
            continue;
        if (zeile.front() == '[' && zeile.back() == ']') {
            abschnitt = trim(zeile.substr(1, zeile.size() - 2), kLeer);
            continue;
        }
        const auto gleich = zeile.find('=');
        Registerwert w;
        if (!abschnitt.empty() && gleich != std::string::npos &&
            wertLesen(zeile.substr(gleich + 1), &w)) {
            setzen(abschnitt, trim(zeile.substr(0, gleich), kLeer), std::move(w));
        }
    }
    static const std::string kPfad = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    if (!hat(kPfad, "PATH")) {
        const std::string werkzeug = suche_ ? suche_() : systemwerkzeugAufPath(fs_);
        if (!werkzeug.empty())
            setzen(kPfad, "PATH", text(werkzeug));
    }
}

bool IniRegistrierung::oeffnen(std::uint32_t wurzel, const std::string& pfad, std::uint32_t zugriff,
                               Schluessel* schluessel) {
    laden();
    return SpeicherRegistrierung::oeffnen(wurzel, pfad, zugriff, schluessel);
}

std::string IniRegistrierung::systemwerkzeugAufPath(Dateisystem& fs) {
    static const char* const kWerkzeuge[] = {"hardinfo2",           "hardinfo",
                                             "kinfocenter",         "gnome-system-monitor",
                                             "mate-system-monitor", "xfce4-taskmanager"};
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return "";
    for (const char* w : kWerkzeuge) {
        std::istringstream ordner(path);
        std::string o;
        while (std::getline(ordner, o, ':')) {
            if (o.empty())
                continue;
            const std::string kandidat = Ordnerpraefix(o) + w;
            if (istDatei(fs, kandidat, true))
                return kandidat;
        }
    }
    return "";
}

bool GetKeyValue(Registrierung& reg, std::uint32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal, Fehler* laufzeitfehler) {
    *laufzeitfehler = {};
    Registrierung::Schluessel hKey = 0;
    if (!reg.oeffnen(KeyRoot, KeyName, KEY_ALL_ACCESS, &hKey)) {
        KeyVal = "";
        return false;
    }
    std::vector<unsigned char> puffer(1024, 0);
    std::uint32_t typ = 0;
    std::uint32_t laenge = 1024;
    if (!reg.abfragen(hKey, SubKeyRef, &typ, puffer.data(), &laenge)) {
        reg.schliessen(hKey);
        KeyVal = "";
        return false;
    }
    // The old trimming reads the character at position n; with no byte
    // returned there is none, which is a run-time error.
    if (laenge == 0) {
        reg.schliessen(hKey);
        *laufzeitfehler = Fehler::nummer(fehlernr::UnzulaessigerAufruf);
        return false;
    }
    std::string tmpVal(puffer.begin(), puffer.begin() + laenge);
    if (tmpVal.back() == '\0')
        tmpVal.pop_back();
    if (typ == REG_SZ) {
        KeyVal = tmpVal;
    } else if (typ == REG_DWORD) {
        std::uint32_t zahl = 0;
        for (std::uint32_t i = std::min<std::uint32_t>(laenge, 4); i-- > 0;) {
            zahl = (zahl << 8) | puffer[i];
        }
        KeyVal = std::to_string(zahl);
    }
    reg.schliessen(hKey);
    return true;
}

void StartSysInfo(Registrierung& reg, Dateisystem& fs, Starter& starter,
                  const std::function<void(const std::string&)>& meldung) {
    static const std::string kPfadSchluessel = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    static const std::string kOrtSchluessel = "SOFTWARE\\Microsoft\\Shared Tools Location";
    static const std::string kDatei = std::string(1, Trenner) + "MSINFO32.EXE";

    std::string SysInfoPath;
    Fehler fehler;
    if (!GetKeyValue(reg, HKEY_LOCAL_MACHINE, kPfadSchluessel, "PATH", SysInfoPath, &fehler)) {
        if (!fehler.ok() ||
            !GetKeyValue(reg, HKEY_LOCAL_MACHINE, kOrtSchluessel, "MSINFO", SysInfoPath, &fehler) ||
            !istDatei(fs, SysInfoPath + kDatei)) {
            meldung(SysInfoNichtVerfuegbar);
            return;
        }
        SysInfoPath += kDatei;
    }
    Startauftrag a;
    a.programm = SysInfoPath;
    a.versteckt = false;
    a.abgekoppelt = true;
    if (!starter.starten(a).ok())
        meldung(SysInfoNichtVerfuegbar);
}

}  // namespace zorta
