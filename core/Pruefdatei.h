#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "Dateisystem.h"

namespace zorta {

// The checksum file beside a batch file (BILD.sha256 beside BILD.bat), read
// strictly: a file that stands there in any form checks the join or stops
// it, it is never passed over. Taken are the forms sha256sum writes and
// reads: "HEX  NAME", "HEX *NAME", the tag form "SHA256 (NAME) = HEX",
// each optionally with the leading "\" of escaped names ("\\", "\n", "\r"),
// CR LF or LF line ends, upper- or lower-case hex, "./" before a name, and
// empty lines and "#" comments. Anything else in any line, a NUL, or two
// lines giving one name different checksums make the file unusable.
struct Pruefsummen {
    bool da = false;    // a checksum file stands beside the batch file
    std::string datei;  // its name, for messages
    std::unordered_map<std::string, std::string> summen;  // name -> 64 lower-case hex digits
};

// Parses a checksum file's text into *summen. False with the German reason
// (e.g. "Zeile 2 ist keine SHA-256-Prüfsumme") when the text is unusable.
bool pruefsummenLesen(const std::string& text, std::unordered_map<std::string, std::string>* summen,
                      std::string* grund);

// Reads the checksum file of `batchdatei` into *aus. Returns one of
// stapelstatus: Ok (also when no entry at all stands there),
// PruefdateiUnbrauchbar when one stands there but is no ordinary file, too
// large or unusable as text, KopierFehler when it cannot be read; the
// reason then ends *meldung as one line.
int pruefdateiLesen(Dateisystem& fs, const std::string& batchdatei, Pruefsummen* aus,
                    std::string* meldung);

// The checksum that the join of `ziel` must match, found under the first of
// `namen` (the spellings of the destination) that the file gives. Ok with
// *summe empty when there is no checksum file; PruefdateiUnbrauchbar with
// the reason line added to *meldung when the file gives none for it.
int erwartetePruefsumme(const Pruefsummen& p, const std::string& ziel,
                        const std::vector<std::string>& namen, std::string* summe,
                        std::string* meldung);

// At most this many lines name damaged pieces; a count stands for the rest.
inline constexpr std::size_t kTeilbefundHoechstens = 20;

// For a join of `ziel` whose checksum did not match: re-reads the pieces
// that the checksum file has lines for (STEM.001 ... of the file's own
// stem) in `ordner` and gives one German line per piece that is missing,
// too short or too long, holds another piece or differs, each ended by LF;
// "" when the file has no piece lines. Reads only after a mismatch, so a
// good join costs nothing for it.
std::string teilbefund(const Pruefsummen& p, const std::string& ziel, const std::string& ordner,
                       Dateisystem& fs);

}  // namespace zorta
