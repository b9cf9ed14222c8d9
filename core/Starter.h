#pragma once

#include <string>
#include <vector>

#include "Fehler.h"

namespace zorta {

struct Startauftrag {
    std::string programm;
    std::vector<std::string> argumente;
    std::string arbeitsordner;  // empty: the current folder
    bool versteckt = false;     // no window and no output of its own
    bool abgekoppelt = true;    // runs on when the program ends; never waited for
    bool operator==(const Startauftrag&) const = default;
};

// Starts other programs. Replaced in tests.
class Starter {
  public:
    virtual ~Starter() = default;
    // Returns once the program runs (or could not be started).
    virtual Fehler starten(const Startauftrag& auftrag) = 0;
};

// fork + exec in a new session; the start failure (a missing program, a
// folder that cannot be entered) comes back through a pipe.
class PosixStarter final : public Starter {
  public:
    Fehler starten(const Startauftrag& auftrag) override;
};

}  // namespace zorta
