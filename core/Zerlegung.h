#pragma once

#include <cstdint>
#include <string>

#include "Anzeige.h"
#include "Auftrag.h"
#include "Dateisystem.h"
#include "Wechselmedium.h"

namespace zorta {

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
inline constexpr const char* Titel = "Zorta";
inline constexpr const char* KeinNeuerDatentraeger = "Es wurde kein neuer Datenträger gefunden.";
inline constexpr const char* MehrereDatentraeger =
    "Es wurden mehrere neue Datenträger gefunden. Lassen Sie bitte nur einen eingesteckt.";
}  // namespace texte

// The next-disk prompt once more, after OK found no new medium (`kandidaten`
// 0) or several: says where piece `stueck` will go on the medium, `unterordner`
// being the target folder below the old medium's top ("" for the top).
std::string naechsteDisketteNochmal(int kandidaten, const std::string& unterordner,
                                    const std::string& stueck);

enum class Ausgang { Erfolg, KeinZiel, Abgelehnt, Fehlgeschlagen, Abgebrochen };

// "Fehler #  53\rDatei nicht gefunden": the failure message of the run.
std::string fehlermeldungZerlegung(const Fehler& f);

// Copies the next `anzahl` bytes from `quelle` to `ziel` in blocks of 32,768
// bytes through `puffer`, which must hold at least that many. A source that
// ends early fails with error 62. Blocks of zeros are left as holes. When
// `anzeige` is given and asks to cancel between blocks, fails with error 18.
Fehler BlockKopieren(std::int64_t anzahl, Dateisystem& fs, Dateisystem::Handle quelle,
                     Dateisystem::Handle ziel, char* puffer, Zerlegungsanzeige* anzeige = nullptr);

// True when the piece path lies on drive A: or B: in the old notation.
bool aufLaufwerkAoderB(const std::string& stueckpfad);

// The cutting run. Reads Quelldatei, Quellgröße, Teilgröße and the target
// folder; writes the pieces and the batch file; sets Batchdatei and
// Leseposition. All messages go through `anzeige`.
Ausgang zerlegen(Auftrag& auftrag, Zerlegungsanzeige& anzeige, Dateisystem& fs,
                 Wechselmedium& medium);

}  // namespace zorta
