#pragma once

#include <cstdint>
#include <string>

#include "Anzeige.h"
#include "Auftrag.h"
#include "Dateisystem.h"
#include "Pruefsumme.h"
#include "Wechselmedium.h"

namespace zorta {

// Zeros become holes in units of this many bytes, counted from the start of
// each piece, so that sparse sources give sparse pieces.
inline constexpr std::size_t Blockgroesse = 32768;

// Texts of the run that tests and the window share.
namespace texte {
inline constexpr const char* KeinZiel = "Geben Sie bitte ein Zielverzeichnis an !";
inline constexpr const char* NaechsteDiskette = "Legen Sie bitte die nächste Diskette ein !";
inline constexpr const char* DisketteTitel = "Diskette wechseln...";
inline constexpr const char* Erfolg = "Zorta erfolgreich durchgeführt !";
inline constexpr const char* Kopiere = "Kopiere Daten nach ";
inline constexpr const char* UngueltigerAuftrag =
    "Die Auftragsdaten sind ungültig. Wählen Sie bitte die Quelldatei erneut aus !";
inline constexpr const char* QuelleWuerdeUeberschrieben =
    "Die Quelldatei liegt im Zielverzeichnis und würde überschrieben. "
    "Wählen Sie bitte ein anderes Zielverzeichnis !";
inline constexpr const char* Abgebrochen =
    "Zorta abgebrochen. Die fertigen Teile bleiben erhalten, eine Batchdatei wurde nicht "
    "geschrieben.";
inline constexpr const char* NameUngeeignet =
    "Der Name der Quelldatei enthält Zeichen, die eine Batchdatei nicht aufnehmen kann "
    "(Steuerzeichen, \", \\, *, ?, :, <, > oder |). Benennen Sie die Datei bitte um !";
inline constexpr const char* NameKeinUtf8 =
    "Der Name der Quelldatei ist kein gültiger UTF-8-Text, die Batchdatei könnte ihn nicht "
    "wiedergeben. Benennen Sie die Datei bitte um !";
inline constexpr const char* KeineCodeseite850 =
    "Die Codeseite 850 ist auf diesem System nicht verfügbar, der Name der Quelldatei kann "
    "nicht in die Batchdatei geschrieben werden.";
inline constexpr const char* NameZuLang =
    "Die Namen der Teile und der Batchdatei würden zu lang. Wählen Sie bitte einen kürzeren "
    "Dateinamen oder ein anderes Zielverzeichnis !";
inline constexpr const char* QuelleVeraendert =
    "Die Quelldatei hat sich seit der Auswahl verändert. Wählen Sie bitte die Quelldatei "
    "erneut aus !";
inline constexpr const char* Titel = "Zorta";
inline constexpr const char* KeinNeuerDatentraeger = "Es wurde kein neuer Datenträger gefunden.";
inline constexpr const char* MehrereDatentraeger =
    "Es wurden mehrere neue Datenträger gefunden. Lassen Sie bitte nur einen eingesteckt.";
inline constexpr const char* Pruefe = "Prüfe ";  // + piece name + " …"
}  // namespace texte

// The next-disk prompt after piece `stueck` was read back wrong from the
// medium and removed from it.
std::string stueckBeschaedigt(const std::string& stueck);
// The refusal of a job of `anzahl` pieces when the batch file can join at
// most `hoechstens` of them; `kbyte` is the smallest piece size that fits.
std::string zuVieleTeile(std::int64_t anzahl, std::int64_t hoechstens, std::int64_t kbyte);

// The next-disk prompt once more, after OK found no new medium (`kandidaten`
// 0) or several: says where piece `stueck` will go on the medium, `unterordner`
// being the target folder below the old medium's top ("" for the top).
std::string naechsteDisketteNochmal(int kandidaten, const std::string& unterordner,
                                    const std::string& stueck);

enum class Ausgang { Erfolg, KeinZiel, Abgelehnt, Fehlgeschlagen, Abgebrochen };

// "Fehler #  53\rDatei nicht gefunden": the failure message of the run.
std::string fehlermeldungZerlegung(const Fehler& f);

// Copies the next `anzahl` bytes from `quelle` to `ziel` through the buffers
// of `summe`, which hashes them on the way. A source that ends early fails
// with error 62. Zeros in whole units of Blockgroesse, counted from the first
// byte copied, are left as holes. When `anzeige` is given and asks to cancel
// between blocks, fails with error 18. The last block ends a piece of `summe`.
// REQUIRES: summe.blockgroesse() is a multiple of Blockgroesse.
Fehler BlockKopieren(std::int64_t anzahl, Dateisystem& fs, Dateisystem::Handle quelle,
                     Dateisystem::Handle ziel, Pruefsumme& summe,
                     Zerlegungsanzeige* anzeige = nullptr);

// True when the piece path lies on drive A: or B: in the old notation.
bool aufLaufwerkAoderB(const std::string& stueckpfad);

// The cutting run. Reads Quelldatei, Quellgröße, Teilgröße and the target
// folder; writes the pieces, the batch file and beside it the SHA-256 of the
// source and then of each piece in the format of sha256sum (stem + "sha256");
// on removable media reads each piece back and writes a damaged one again on
// another medium; sets Batchdatei and
// Leseposition. All messages go through `anzeige`. A run that fails once it
// has begun a piece leaves neither a batch nor a checksum file of its stem
// behind; a refused run touches no file.
Ausgang zerlegen(Auftrag& auftrag, Zerlegungsanzeige& anzeige, Dateisystem& fs,
                 Wechselmedium& medium);

}  // namespace zorta
