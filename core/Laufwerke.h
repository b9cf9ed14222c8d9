#pragma once

#include <string>
#include <vector>

#include "Wechselmedium.h"

namespace zorta {

// The roots a user writes to: the file-system root, the home folder, and
// every mounted volume a file manager shows (removable media, other disks,
// network shares). Pseudo file systems and system places are left out.
// Removable media are named by label and mount point, so that two sticks
// can be told apart; `medium` tells which are removable (none without it).
std::vector<Laufwerk> laufwerke(const std::vector<Einhaengung>& tabelle, const std::string& heim,
                                const LinuxWechselmedium* medium = nullptr);

// The label of the device `quelle` (e.g. /dev/sdb1) from the links in
// `nachEtikett`, as udev lays them out; "" when none points at it.
std::string etikettVon(const std::string& quelle,
                       const std::string& nachEtikett = "/dev/disk/by-label");

// The entry whose path holds `ordner` most closely; 0 when none does.
std::size_t laufwerkVon(const std::vector<Laufwerk>& liste, const std::string& ordner);

}  // namespace zorta
