#pragma once

#include <string>

namespace zorta {

// One run-time error as the failure messages show it: a number and a German
// description. Number 0 means success. Created from the operating system's
// error in one place (ausErrno), so every message uses the same table.
class Fehler {
  public:
    Fehler() = default;
    Fehler(int nummer, std::string beschreibung)
        : nummer_(nummer), beschreibung_(std::move(beschreibung)) {}

    static Fehler ausErrno(int err);
    // Like ausErrno, but tells "path not found" (76) from "file not found"
    // (53) for ENOENT by looking whether the folder of `pfad` exists. For an
    // error of the real file system: it looks there, and so lives with
    // PosixDateisystem (Dateisystem.cpp).
    static Fehler ausErrno(int err, const std::string& pfad);
    static Fehler nummer(int n);  // a fixed entry of the table

    bool ok() const { return nummer_ == 0; }
    int nummer() const { return nummer_; }
    const std::string& beschreibung() const { return beschreibung_; }

    bool operator==(const Fehler&) const = default;

  private:
    int nummer_ = 0;
    std::string beschreibung_;
};

// The run-time error numbers the program uses.
namespace fehlernr {
inline constexpr int UnzulaessigerAufruf = 5;
inline constexpr int Benutzerunterbrechung = 18;  // the user cancelled the run
inline constexpr int NameFalsch = 52;             // the file system refuses the name
inline constexpr int DateiNichtGefunden = 53;
inline constexpr int DateiGeoeffnet = 55;  // a running process holds the draft
inline constexpr int DateiExistiert = 58;
inline constexpr int QuelleVeraendert = 59;  // the source grew while it was cut
inline constexpr int GeraeteFehler = 57;
inline constexpr int DatentraegerVoll = 61;
inline constexpr int HinterDateiende = 62;
inline constexpr int ZuVieleDateien = 67;
inline constexpr int ZugriffVerweigert = 70;
inline constexpr int NichtBereit = 71;
inline constexpr int PfadDateiZugriff = 75;
inline constexpr int PfadNichtGefunden = 76;
inline constexpr int Abbruch = 32755;  // the file dialog was cancelled
}  // namespace fehlernr

// "Fehler 53 (Datei nicht gefunden)", as the interpreter's result lines name it.
std::string fehlerText(const Fehler& f);

// The number as the message boxes print it: a blank where the sign of a
// negative number would stand (" 53", "-5").
std::string zahlMitVorzeichenstelle(long long n);

}  // namespace zorta
