#pragma once

#include <string>
#include <vector>

#include "Dateisystem.h"
#include "Grenzen.h"
#include "Pruefdatei.h"

namespace zorta {

// The batch interpreter of the port: the DOS batch subset that rejoin batch
// files and small edits of them use ("@", echo, rem, blank lines, copy with
// "+" and >nul). Nothing else is ever executed and no shell is started.
//
// The whole text is read and checked before the first copy runs: a line
// outside the subset, a name that is not a plain name in the folder (a
// folder part "/" or "\", a drive "C:", "." or "..", a wildcard, a control
// character or NUL) means that nothing is executed. CR, LF and CR LF end
// lines; a UTF-8 byte-order mark at the start and Ctrl-Z at the end are
// ignored; "%%" reads as "%", and any other "%" (a variable or parameter
// that cmd would expand) is outside the subset. Names are matched against
// the files present as UTF-8, then as code page 850, then as code page 1252.
// Sources must be regular files of the folder reached without following a
// link.
//
// A copy line that appends to the destination of the copy line before it
// ("copy /b D + P3 + P4 D", or "copy /b D + P3") continues that join: however
// many lines it takes, the joined file is written once, in place, and
// replaces the destination only after the last of them.
//
// When the checksum file of the batch file's stem (BILD.sha256 beside
// BILD.bat, in the format of sha256sum) stands there, in whatever form, every
// copy's destination must have exactly one checksum in it: the whole joined
// file is hashed and replaces the destination only when the hash matches; on
// a mismatch the pieces the file has lines for are checked one by one and
// named (see Pruefdatei.h).
//
// zorta-batch exits with one of stapelstatus. Its error output carries only
// result lines, in German, ready to show: one line per joined file, e.g.
//   "BILD.ZIP wurde zusammengesetzt, die Prüfsumme stimmt."
//   "BILD.ZIP wurde zusammengesetzt (ohne Prüfsumme)."
// and on failure the reason, after a mismatch followed by one line per
// damaged piece (see the texts in Stapel.cpp and Pruefdatei.cpp):
//   "Teil „BILD.002“ fehlt – BILD.ZIP wurde nicht zusammengesetzt."
//   "Prüfsumme falsch: BILD.ZIP stimmt nicht mit BILD.sha256 überein …"
//   "Teil „BILD.002“ ist zu kurz (39999 statt 40000 Bytes)."
//   "BILD.sha256 ist unbrauchbar (…) – es wurde nichts zusammengesetzt."
//   "Zeile 3 wird nicht unterstützt (…) – die Batchdatei wurde nicht ausgeführt."
//   "BILD.ZIP wird bereits zusammengesetzt (von einem anderen Lauf) – …"
// The last line of the error output hands the result to the window (see
// Stapelergebnis.h). What echo prints goes to standard output.
namespace stapelstatus {
inline constexpr int Ok = 0;
inline constexpr int KopierFehler = 1;       // a copy failed; nothing half written remains
inline constexpr int NichtUnterstuetzt = 2;  // a line outside the subset: nothing was executed
inline constexpr int PruefsummeFalsch = 3;   // the joined bytes do not match the checksum file
// A checksum file stands there but gives no one valid checksum for the
// destination: nothing was written.
inline constexpr int PruefdateiUnbrauchbar = 4;
}  // namespace stapelstatus

struct Kopierbefehl {
    std::vector<std::string> quellen;
    std::string ziel;  // empty: the first source (DOS appends to it)
    bool ausgabeVerworfen = false;
};

// Parses the arguments of one copy command (the text after "copy").
// False with `fehler` set when the line uses anything outside the subset.
bool kopierbefehlLesen(const std::string& argumente, Kopierbefehl* befehl, std::string* fehler);

struct Stapellauf {
    std::string ordner;       // where names are taken; "" is the current folder
    Pruefsummen pruefsummen;  // the checksum file, read
    std::string ausgabe;      // out: what the console would show
    std::string meldung;      // out: the result lines (see above), each ended by LF
};

// Runs a whole batch text; returns one of stapelstatus.
int stapelAusfuehren(const std::string& text, Stapellauf& lauf, Dateisystem& fs);

// Reads the batch file `datei` and the checksum file beside it, then runs it
// with names taken in the current folder.
int stapeldateiAusfuehren(const std::string& datei, Stapellauf& lauf, Dateisystem& fs);

// From now on SIGTERM, SIGINT and SIGHUP remove the draft of a running join
// before the process ends.
void stapelSignaleAbfangen();

inline int stapelAusfuehren(const std::string& text, const std::string& ordner, Dateisystem& fs,
                            std::string* ausgabe) {
    Stapellauf lauf;
    lauf.ordner = ordner;
    const int status = stapelAusfuehren(text, lauf, fs);
    *ausgabe = lauf.ausgabe + (status == stapelstatus::Ok ? "" : lauf.meldung);
    return status;
}

}  // namespace zorta
