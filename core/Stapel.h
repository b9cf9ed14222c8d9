#pragma once

#include <string>
#include <vector>

#include "Dateisystem.h"

namespace zorta {

// The batch interpreter of the port: the DOS batch subset that rejoin batch
// files and small edits of them use ("@", echo, rem, blank lines, copy with
// "+" and >nul). Nothing else is ever executed and no shell is started.
namespace stapelstatus {
inline constexpr int Ok = 0;
inline constexpr int KopierFehler = 1;       // a copy failed; nothing half written remains
inline constexpr int NichtUnterstuetzt = 2;  // a command outside the subset stopped the batch
}  // namespace stapelstatus

struct Kopierbefehl {
    std::vector<std::string> quellen;
    std::string ziel;  // empty: the first source's name in the current folder
    bool ausgabeVerworfen = false;
};

// Parses the arguments of one copy command (the text after "copy").
// False with `fehler` set when the line uses anything outside the subset.
bool kopierbefehlLesen(const std::string& argumente, Kopierbefehl* befehl, std::string* fehler);

// Joins the sources into the destination. Names without a folder are taken
// in `ordner` ("" is the current folder). The result is written beside the
// destination under a temporary name and renamed over it only when every
// source was read in full.
Fehler kopieren(const Kopierbefehl& befehl, const std::string& ordner, Dateisystem& fs);

// Runs a whole batch text; returns one of stapelstatus. Messages for the
// (discarded) output go to `ausgabe`.
int stapelAusfuehren(const std::string& text, const std::string& ordner, Dateisystem& fs,
                     std::string* ausgabe);

}  // namespace zorta
