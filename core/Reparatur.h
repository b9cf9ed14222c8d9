#pragma once

#include <memory>
#include <string>

#include "Dateisystem.h"
#include "Fehler.h"
#include "Starter.h"

namespace zorta {

// "Fehler Nr. :  53\r\rFehlerbeschreibung : Datei nicht gefunden"
std::string fehlermeldungReparatur(const Fehler& f);

// What starting `datei` means: a ".bat" or ".cmd" file (any letter case,
// also one named just ".bat", the batch file of a hidden source) is
// run by the batch interpreter `interpreter` with the file as its one
// argument; an executable file is started directly; both hidden, detached,
// in the file's own folder. Anything else cannot be started (error 5).
// The file is looked at through `fs`.
Fehler startauftragFuer(const std::string& datei, const std::string& interpreter, Dateisystem& fs,
                        Startauftrag* auftrag);

// Starts the chosen batch file; the file itself is never rewritten.
Fehler batchdateiStarten(const std::string& datei, const std::string& interpreter, Dateisystem& fs,
                         Starter& starter);

// Like batchdateiStarten(); for a batch file *beobachtung then watches the
// interpreter's end (exit status and result lines as Stapel.h describes
// them). A program that is not a batch file is started unwatched.
Fehler batchdateiBeobachtetStarten(const std::string& datei, const std::string& interpreter,
                                   Dateisystem& fs, Starter& starter,
                                   std::unique_ptr<Beobachtung>* beobachtung);

}  // namespace zorta
