#pragma once

#include <cstdint>
#include <string>

#include "Dateisystem.h"

namespace zorta {

// Reads a piece back from its medium after it was flushed and tells whether
// the medium holds what was written: exactly `laenge` bytes with the SHA-256
// `summe` (64 lower-case hex digits). A failure to open or read is an error;
// other bytes or another length are *gleich == false.
Fehler stueckNachlesen(Dateisystem& fs, const std::string& pfad, std::int64_t laenge,
                       const std::string& summe, bool* gleich);

}  // namespace zorta
