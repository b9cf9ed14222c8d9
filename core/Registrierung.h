#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Dateisystem.h"
#include "Fehler.h"
#include "Starter.h"

namespace zorta {

inline constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0x2003F;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;

// A machine-wide store of typed values under key paths, read the way the
// old registry calls read it. Replaced in tests.
class Registrierung {
  public:
    using Schluessel = int;
    virtual ~Registrierung() = default;
    virtual bool oeffnen(std::uint32_t wurzel, const std::string& pfad, std::uint32_t zugriff,
                         Schluessel* schluessel) = 0;
    // Copies the value into `puffer`, which holds *laenge bytes. False when
    // the value is missing or does not fit; otherwise *laenge is the number
    // of bytes returned.
    virtual bool abfragen(Schluessel schluessel, const std::string& name, std::uint32_t* typ,
                          unsigned char* puffer, std::uint32_t* laenge) = 0;
    virtual void schliessen(Schluessel schluessel) = 0;
};

struct Registerwert {
    std::uint32_t typ = REG_SZ;
    std::vector<unsigned char> daten;
    bool operator==(const Registerwert&) const = default;
};

// Keys and value names compare without regard to ASCII letter case.
class SpeicherRegistrierung : public Registrierung {
  public:
    void setzen(const std::string& pfad, const std::string& name, Registerwert wert);
    static Registerwert text(const std::string& s);  // REG_SZ with its terminating zero

    bool oeffnen(std::uint32_t wurzel, const std::string& pfad, std::uint32_t zugriff,
                 Schluessel* schluessel) override;
    bool abfragen(Schluessel schluessel, const std::string& name, std::uint32_t* typ,
                  unsigned char* puffer, std::uint32_t* laenge) override;
    void schliessen(Schluessel schluessel) override;

  protected:
    void leeren() { schluessel_.clear(); }
    bool hat(const std::string& pfad, const std::string& name) const;

  private:
    std::map<std::string, std::map<std::string, Registerwert>> schluessel_;
    std::vector<std::string> offen_;
};

// The store as an INI-style file: sections named by key path, lines
// "Name=REG_SZ:text", "Name=REG_DWORD:260", "Name=hex(N):04,01,00,00" for
// raw bytes of type N; a line whose number does not fit its type is no
// value. A missing file is an empty store. The file is read again at every
// opened key, through `fs`, which must outlive the store. When it has no tool
// path of its own, the first system-information program on PATH answers for
// it (`suche`; by default systemwerkzeugAufPath).
class IniRegistrierung final : public SpeicherRegistrierung {
  public:
    static constexpr const char* Standardpfad = "/etc/xdg/Velmorix/registry.ini";
    using Werkzeugsuche = std::function<std::string()>;

    IniRegistrierung(std::string datei, Dateisystem& fs, Werkzeugsuche suche = {});
    bool oeffnen(std::uint32_t wurzel, const std::string& pfad, std::uint32_t zugriff,
                 Schluessel* schluessel) override;

    // hardinfo2, hardinfo, kinfocenter, gnome-system-monitor,
    // mate-system-monitor, xfce4-taskmanager: the first found on PATH.
    static std::string systemwerkzeugAufPath(Dateisystem& fs);

  private:
    void laden();
    std::string datei_;
    Dateisystem& fs_;
    Werkzeugsuche suche_;
};

// Reads one value as text. On a value of type REG_SZ the text without its
// terminating zero, on REG_DWORD its decimal number; other types leave
// KeyVal as it was. A value of zero bytes is a run-time error (*laufzeitfehler).
bool GetKeyValue(Registrierung& reg, std::uint32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal, Fehler* laufzeitfehler);

inline constexpr const char* SysInfoNichtVerfuegbar =
    "System-Informationen sind augenblicklich nicht verfügbar.";

// Starts the system-information tool found through the two look-ups, or
// calls `meldung` with the not-available text.
void StartSysInfo(Registrierung& reg, Dateisystem& fs, Starter& starter,
                  const std::function<void(const std::string&)>& meldung);

}  // namespace zorta
