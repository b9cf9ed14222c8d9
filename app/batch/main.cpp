// zorta-batch FILE: runs a rejoin batch file in the current folder.
#include <cstdio>
#include <cstring>
#include <string>

#include "Dateisystem.h"
#include "Stapel.h"

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
    zorta::PosixDateisystem fs;
    zorta::OffeneDatei datei(fs);
    if (zorta::Fehler f = fs.oeffneLesen(argv[1], datei.ziel()); !f.ok()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], f.beschreibung().c_str());
        return zorta::stapelstatus::KopierFehler;
    }
    std::string text;
    char puffer[4096];
    for (;;) {
        std::size_t n = 0;
        if (zorta::Fehler f = fs.lesen(datei.handle(), puffer, sizeof puffer, &n); !f.ok()) {
            std::fprintf(stderr, "%s: %s\n", argv[1], f.beschreibung().c_str());
            return zorta::stapelstatus::KopierFehler;
        }
        if (n == 0)
            break;
        text.append(puffer, n);
    }
    datei.zu();
    std::string ausgabe;
    const int status = zorta::stapelAusfuehren(text, "", fs, &ausgabe);
    std::fputs(ausgabe.c_str(), status == 0 ? stdout : stderr);
    return status;
}
