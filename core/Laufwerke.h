#pragma once

#include <string>
#include <vector>

#include "Wechselmedium.h"

namespace zorta {

// One entry of the target chooser's drive list.
struct Laufwerk {
    std::string bezeichnung;
    std::string pfad;
    bool operator==(const Laufwerk&) const = default;
};

// The roots a user writes to: the file-system root, the home folder, and
// every mounted volume a file manager shows (removable media, other disks,
// network shares). Pseudo file systems and system places are left out.
std::vector<Laufwerk> laufwerke(const std::vector<Einhaengung>& tabelle, const std::string& heim);

// The entry whose path holds `ordner` most closely; 0 when none does.
std::size_t laufwerkVon(const std::vector<Laufwerk>& liste, const std::string& ordner);

}  // namespace zorta
