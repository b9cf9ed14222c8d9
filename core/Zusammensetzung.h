#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Dateisystem.h"
#include "Pruefsumme.h"

namespace zorta {

// Whether the joined file is the one the checksum file promises: the one
// place where the whole file's hash is judged.
bool pruefsummeStimmt(const std::string& erwartet, const std::string& berechnet);

// One join: the draft of one destination, to which the sources of one or
// more copy lines are appended in place, hashed as it grows, and which
// replaces the destination only once complete, checked and on the medium.
class Zusammensetzung {
  public:
    // `ziel` is the destination's path, `ordner` its folder ("" the current
    // one); `erwartet` its SHA-256 in hex, "" when there is none to check.
    Zusammensetzung(Dateisystem& fs, std::string ziel, std::string ordner, std::string erwartet);
    ~Zusammensetzung() { verwerfen(); }

    // Creates the draft; from now on a caught signal removes it.
    Fehler anlegen();
    bool geprueft() const { return hash_ != nullptr; }
    // Appends the files `pfade` in turn. Each is opened without following a
    // link; *keineDatei names the first that is no regular file.
    Fehler anhaengen(const std::vector<std::string>& pfade, std::string* keineDatei);

    // Checks the whole file, flushes the draft, renames it over the
    // destination and flushes the folder. Fehlgeschlagen (*fehler) and
    // SummeFalsch leave the destination as it was and no draft;
    // OrdnerUngesichert: renamed, but the folder's flush failed (*fehler).
    enum class Ende { Fertig, SummeFalsch, Fehlgeschlagen, OrdnerUngesichert };
    Ende abschliessen(Fehler* fehler);
    // Removes the draft; the destination stays as it was.
    void verwerfen();

  private:
    Fehler quelleAnhaengen(Dateisystem::Handle ein);

    Dateisystem& fs_;
    const std::string ziel_, ordner_, erwartet_;
    std::string entwurf_;
    OffeneDatei aus_;
    std::unique_ptr<Pruefsumme> hash_;
    std::unique_ptr<char[]> puffer_;  // for sources with holes when nothing is hashed
    bool luecke_ = false;             // the draft ends in a hole
};

}  // namespace zorta
