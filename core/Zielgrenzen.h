#pragma once

#include <cstdint>
#include <string>

#include "Fehler.h"

namespace zorta {

class Dateisystem;

// What the cut must know of the file system that holds its target folder.
struct Zielplatz {
    std::string art;         // the type as the mount table names it ("vfat", "ext4"); "" unknown
    std::int64_t frei = -1;  // bytes the user may still write there; -1 unknown
    std::int64_t block = 1;  // every file takes whole units of this many bytes
};

// A job as the target checks see it.
struct Zieljob {
    std::string quellname;  // the source's file name, which the join writes beside the pieces
    std::string stamm;
    std::int64_t quellgroesse = 0, teilgroesse = 0, anzahl = 0;
    std::int64_t batch = 0, summe = 0;  // bytes of the batch and the checksum file (0: none)
    bool lueckenhaft = false;           // the source has holes, and so may its pieces
    bool wechselbar = false;
};

// The job of cutting `quelldatei` of `quellgroesse` bytes into `anzahl`
// pieces of `teilgroesse` under the stem `stamm`, with a checksum file when
// `mitSumme`, and a batch file of `batchgroesse` bytes; `belegtQuelle` is
// what the source takes on its medium.
Zieljob zieljob(const std::string& quelldatei, const std::string& stamm, std::int64_t quellgroesse,
                std::int64_t teilgroesse, std::int64_t anzahl, bool mitSumme,
                std::int64_t batchgroesse, std::int64_t belegtQuelle, bool wechselbar);

// Why the job cannot go to `ordner`, as the refusal says it; "" when nothing
// known stands in the way. FAT (vfat, msdos, fusefat) holds no file over
// 4 GiB - 1 and not every name; a fixed target must have room for the whole
// job, while removable media are checked piece by piece (platzMangel).
std::string zielAblehnung(Dateisystem& fs, const std::string& ordner, const Zieljob& job);

// The line added to the next-disk prompt when the medium at `ordner` cannot
// take piece `nr` (the last one with the batch and the checksum file); ""
// when it can, or when its space is unknown.
std::string platzMangel(Dateisystem& fs, const std::string& ordner, const Zieljob& job,
                        std::int64_t nr);

// The error of creating `pfad` as the cut reports it: a name the target
// file system refuses is named as such.
Fehler nameAbgelehnt(const Fehler& f, const std::string& pfad);

}  // namespace zorta
