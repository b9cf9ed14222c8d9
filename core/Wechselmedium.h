#pragma once

#include <string>
#include <vector>

#include "Fehler.h"

namespace zorta {

class Dateisystem;

// One line of the mount table, decoded.
struct Einhaengung {
    std::string geraet;  // "major:minor"
    std::string einhaengepunkt;
    std::string typ;     // file-system type
    std::string quelle;  // mount source, e.g. /dev/sdb1 or server:/share
    std::string id;      // the kernel's mount ID; a freed one is handed out again
};

std::vector<Einhaengung> einhaengungenLesen(const std::string& mountinfo);

// The mounts as they stood when the user was asked for the next medium.
struct Medienstand {
    std::vector<Einhaengung> tabelle;
    Einhaengung medium;        // the mount that held the target folder
    bool blockgeraet = false;  // ... and had a block device to watch
    std::string unterordner;   // the target folder below that mount point; "" at its top
};

// One entry of the target chooser's drive list.
struct Laufwerk {
    std::string bezeichnung;
    std::string pfad;
    bool operator==(const Laufwerk&) const = default;
};

// Where the run goes on after a next-disk prompt.
struct Folge {
    std::string ordner;  // the folder for the next piece; empty: ask again
    int kandidaten = 0;  // when asking again: new media found (none or several)
    Fehler fehler;       // the folder could not be made on the new medium

    static Folge weiter(std::string ordner) { return {std::move(ordner), 0, {}}; }
    static Folge nochmal(int kandidaten) { return {"", kandidaten, {}}; }
    static Folge gescheitert(Fehler f) { return {"", 0, std::move(f)}; }
};

// Decides whether a target folder is on a medium that is swapped between
// pieces (the port's floppy drive), and follows the swap: a new stick is
// mounted under its own label, so the next piece goes where it appeared.
// Replaced in tests.
class Wechselmedium {
  public:
    virtual ~Wechselmedium() = default;
    virtual bool istWechselbar(const std::string& ordner) = 0;
    // Taken just before the next-disk prompt.
    virtual Medienstand stand(const std::string& ordner) = 0;
    // After the prompt: `ordner` while its medium is still there (made again
    // when a stick of the same label took its place); else, when exactly one
    // removable medium has been mounted since `vorher` (a stick mounted again
    // counts), the folder at the same place below its mount point, made when
    // missing; else an empty folder (ask again).
    virtual Folge folgen(const std::string& ordner, const Medienstand& vorher) = 0;
    // The target chooser's drive list (laufwerke() in Laufwerke.h) for the
    // home folder `heim`; without a mount table only the root and `heim`.
    virtual std::vector<Laufwerk> laufwerke(const std::string& heim);
};

// For targets that never prompt (benchmarks, tools).
class KeinWechselmedium final : public Wechselmedium {
  public:
    bool istWechselbar(const std::string&) override { return false; }
    Medienstand stand(const std::string&) override { return {}; }
    Folge folgen(const std::string& ordner, const Medienstand&) override {
        return Folge::weiter(ordner);
    }
};

// Reads /proc/self/mountinfo, /sys/class/block and udev's label links; each
// place can be moved into a test folder. Folders on the new medium are made
// through `fs`, which must outlive this probe.
class LinuxWechselmedium final : public Wechselmedium {
  public:
    explicit LinuxWechselmedium(Dateisystem& fs, std::string mountinfo = "/proc/self/mountinfo",
                                std::string sysBlock = "/sys/class/block",
                                std::string nachEtikett = "/dev/disk/by-label");
    bool istWechselbar(const std::string& ordner) override;
    Medienstand stand(const std::string& ordner) override;
    Folge folgen(const std::string& ordner, const Medienstand& vorher) override;
    std::vector<Laufwerk> laufwerke(const std::string& heim) override;
    // True for a device ("major:minor") whose disk says it is removable.
    bool geraetWechselbar(const std::string& majorMinor) const;
    // The label of the device `quelle` (e.g. /dev/sdb1); "" when it has none.
    std::string etikett(const std::string& quelle) const;

  private:
    // The device's folder in sysfs, its disk's for a partition; "" when the
    // device is gone or was never a block device.
    std::string blockgeraet(const std::string& majorMinor) const;
    Dateisystem& fs_;
    std::string mountinfo_;
    std::string sysBlock_;
    std::string nachEtikett_;
};

// The mount that holds `pfad` (already resolved): the one with the longest
// matching mount point, the later one on a tie. nullptr when none matches.
const Einhaengung* einhaengungVon(const std::vector<Einhaengung>& tabelle, const std::string& pfad);

// True for file systems a user does not write pieces to (proc, sysfs, ...).
bool istPseudoDateisystem(const std::string& typ);

}  // namespace zorta
