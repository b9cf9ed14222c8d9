#pragma once

#include <cstdint>
#include <string>

namespace zorta {

// The job state of one program run: created empty, never reset between jobs.
// Written by the source selection and the cutting run, read by the run.
struct Auftrag {
    std::string Quelldatei;         // full path of the source, as the dialog gave it
    std::int64_t Teilgröße = 0;     // piece size in bytes
    std::int64_t Quellgröße = 0;    // source length in bytes, measured when chosen
    std::string Batchdatei;         // rejoin batch file of the current run
    std::int64_t Leseposition = 0;  // source offset of the current piece
};

// The number of pieces a run writes: the source length over the piece size,
// rounded up. REQUIRES: teilgroesse > 0.
inline std::int64_t teilanzahl(std::int64_t quellgroesse, std::int64_t teilgroesse) {
    return quellgroesse / teilgroesse + (quellgroesse % teilgroesse != 0 ? 1 : 0);
}

}  // namespace zorta
