#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Dateisystem.h"

namespace zorta {

// A source offered from outside the window (command line, drop) waits here
// for a valid piece size: a preset, Enter in the size box or a pause in
// typing a size takes it then. An invalid size leaves it waiting.
class WartendeQuelle {
  public:
    // Offers `pfad`, replacing a source that waits; refused while a run goes on.
    bool anbieten(std::string pfad, bool laeuft);
    bool wartet() const { return !pfad_.empty(); }
    const std::string& pfad() const { return pfad_; }
    // Whether a pause after typing `getippt` bytes (nullopt: no number) is
    // to take the waiting source.
    bool tipppauseAbwarten(std::optional<std::int64_t> getippt) const;
    // The source taken with the piece size `teil` (nullopt: invalid), or
    // nullopt when none waits or it has to wait on.
    std::optional<std::string> nehmen(std::optional<std::int64_t> teil);

  private:
    std::string pfad_;
};

// The length of `pfad` when it is an ordinary file that can be read, else
// -1. Nothing else is opened: a FIFO would block the window.
std::int64_t quellLaenge(Dateisystem& fs, const std::string& pfad);

}  // namespace zorta
