#pragma once

#include <string>
#include <vector>

#include "Fehler.h"

namespace zorta {

// Decides whether a target folder is on a medium that is swapped between
// pieces (the port's floppy drive), and whether it is still there after the
// user was asked to swap. Replaced in tests.
class Wechselmedium {
  public:
    virtual ~Wechselmedium() = default;
    virtual bool istWechselbar(const std::string& ordner) = 0;
    // After the next-disk prompt: ok, 71 when no removable medium holds the
    // folder any more, 76 when the folder is gone.
    virtual Fehler bereit(const std::string& ordner) = 0;
};

// For targets that never prompt (benchmarks, tools).
class KeinWechselmedium final : public Wechselmedium {
  public:
    bool istWechselbar(const std::string&) override { return false; }
    Fehler bereit(const std::string&) override { return {}; }
};

// One line of the mount table, decoded.
struct Einhaengung {
    std::string geraet;  // "major:minor"
    std::string einhaengepunkt;
    std::string typ;     // file-system type
    std::string quelle;  // mount source, e.g. /dev/sdb1 or server:/share
};

std::vector<Einhaengung> einhaengungenLesen(const std::string& mountinfo);

// Reads /proc/self/mountinfo and /sys/class/block; both places can be moved
// into a test folder.
class LinuxWechselmedium final : public Wechselmedium {
  public:
    explicit LinuxWechselmedium(std::string mountinfo = "/proc/self/mountinfo",
                                std::string sysBlock = "/sys/class/block");
    bool istWechselbar(const std::string& ordner) override;
    Fehler bereit(const std::string& ordner) override;

  private:
    bool geraetWechselbar(const std::string& majorMinor) const;
    std::string mountinfo_;
    std::string sysBlock_;
};

// The mount that holds `pfad` (already resolved): the one with the longest
// matching mount point, the later one on a tie. nullptr when none matches.
const Einhaengung* einhaengungVon(const std::vector<Einhaengung>& tabelle, const std::string& pfad);

// True for file systems a user does not write pieces to (proc, sysfs, ...).
bool istPseudoDateisystem(const std::string& typ);

}  // namespace zorta
