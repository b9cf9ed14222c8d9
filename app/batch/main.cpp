// zorta-batch FILE: runs a rejoin batch file in the current folder. The exit
// status and the result lines on standard error are described in Stapel.h,
// the last line, for the window, in Stapelergebnis.h.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "Dateisystem.h"
#include "Stapel.h"
#include "Stapelergebnis.h"

int main(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(
            "Aufruf: zorta-batch BATCHDATEI\n"
            "Setzt die Teile einer von Zorta geschriebenen Batchdatei im aktuellen "
            "Verzeichnis wieder zusammen.\n"
            "Ausgeführt werden nur @echo off, rem und copy /b; jeder andere Befehl "
            "bricht ab.\n\n"
            "  --help     zeigt diese Hilfe\n"
            "  --version  zeigt die Version\n",
            stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("zorta-batch (Velmorix Zorta) " ZORTA_VERSION "\n", stdout);
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: zorta-batch BATCHDATEI\n");
        return zorta::stapelstatus::NichtUnterstuetzt;
    }
    zorta::stapelSignaleAbfangen();
    zorta::PosixDateisystem fs;
    zorta::Stapellauf lauf;
    // Output that could not be written (a full disk, a closed pipe) fails the
    // run: a caller must not take a lost report for a complete one.
    int status = zorta::stapeldateiAusfuehren(argv[1], lauf, fs);
    if (std::fputs(lauf.ausgabe.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        lauf.meldung += "Die Ausgabe konnte nicht geschrieben werden: " +
                        zorta::fehlerText(zorta::Fehler::ausErrno(errno)) + ".\n";
        status = status == zorta::stapelstatus::Ok ? zorta::stapelstatus::KopierFehler : status;
    }
    if (std::fputs(zorta::ergebnisAusgabe(status, lauf.meldung).c_str(), stderr) < 0 ||
        std::fflush(stderr) != 0)
        return status == zorta::stapelstatus::Ok ? zorta::stapelstatus::KopierFehler : status;
    return status;
}
