#pragma once

#include <memory>
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

// How a watched program ended.
struct Programmende {
    int status = -1;      // exit status; -1 when a signal ended it
    std::string meldung;  // what it wrote to its error output (the last 4 KiB)
};

// A started program whose end the caller awaits without blocking: wait until
// descriptor() is readable, then call pruefen(). Replaced in tests.
class Beobachtung {
  public:
    virtual ~Beobachtung() = default;
    virtual int descriptor() const = 0;
    // Never blocks. True once the program has ended; ende() is valid from then on.
    virtual bool pruefen() = 0;
    virtual const Programmende& ende() const = 0;
};

// Starts other programs. Replaced in tests.
class Starter {
  public:
    virtual ~Starter() = default;
    // Returns once the program runs (or could not be started).
    virtual Fehler starten(const Startauftrag& auftrag) = 0;
    // Like starten(); on success *beobachtung watches the program's end, or
    // stays empty when this starter cannot watch.
    virtual Fehler beobachtetStarten(const Startauftrag& auftrag,
                                     std::unique_ptr<Beobachtung>* beobachtung) {
        beobachtung->reset();
        return starten(auftrag);
    }
};

// fork + exec in a new session; the start failure (a missing program, a
// folder that cannot be entered) comes back through a pipe. The program
// inherits no descriptor but 0-2, an empty signal mask and the default
// signal dispositions, and runs on when this process ends. A watched
// program's error output goes to a watcher process of its own, which reports
// the exit status and the output's last 4 KiB through a pipe.
class PosixStarter final : public Starter {
  public:
    Fehler starten(const Startauftrag& auftrag) override;
    Fehler beobachtetStarten(const Startauftrag& auftrag,
                             std::unique_ptr<Beobachtung>* beobachtung) override;

  private:
    Fehler start(const Startauftrag& auftrag, std::unique_ptr<Beobachtung>* beobachtung);
};

}  // namespace zorta
