#pragma once

#include <string>

#include "Fehler.h"
#include "Starter.h"

namespace zorta {

// "Fehler Nr. :  53\r\rFehlerbeschreibung : Datei nicht gefunden"
std::string fehlermeldungReparatur(const Fehler& f);

// What starting `datei` means: a ".bat" or ".cmd" file (any letter case) is
// run by the batch interpreter `interpreter` with the file as its one
// argument; an executable file is started directly; both hidden, detached,
// in the file's own folder. Anything else cannot be started (error 5).
Fehler startauftragFuer(const std::string& datei, const std::string& interpreter,
                        Startauftrag* auftrag);

// Starts the chosen batch file; the file itself is never rewritten.
Fehler batchdateiStarten(const std::string& datei, const std::string& interpreter,
                         Starter& starter);

}  // namespace zorta
