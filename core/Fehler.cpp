#include "Fehler.h"

#include <cerrno>

namespace zorta {

namespace {

const char* beschreibungVon(int n) {
    switch (n) {
        case fehlernr::UnzulaessigerAufruf:
            return "Unzulässiger Prozeduraufruf oder unzulässiges Argument";
        case fehlernr::Benutzerunterbrechung:
            return "Benutzerunterbrechung aufgetreten";
        case fehlernr::NameFalsch:
            return "Dateiname oder -nummer falsch";
        case fehlernr::DateiNichtGefunden:
            return "Datei nicht gefunden";
        case fehlernr::DateiGeoeffnet:
            return "Datei bereits geöffnet";
        case fehlernr::GeraeteFehler:
            return "Geräte-E/A-Fehler";
        case fehlernr::DateiExistiert:
            return "Datei existiert bereits";
        case fehlernr::QuelleVeraendert:
            return "Quelldatei während des Zerlegens verändert";
        case fehlernr::DatentraegerVoll:
            return "Datenträger voll";
        case fehlernr::HinterDateiende:
            return "Einlesen hinter Dateiende";
        case fehlernr::ZuVieleDateien:
            return "Zu viele Dateien";
        case fehlernr::ZugriffVerweigert:
            return "Zugriff verweigert";
        case fehlernr::NichtBereit:
            return "Datenträger nicht bereit";
        case fehlernr::PfadDateiZugriff:
            return "Fehler beim Zugriff auf Pfad/Datei";
        case fehlernr::PfadNichtGefunden:
            return "Pfad nicht gefunden";
        case fehlernr::Abbruch:
            return "Abbrechen gewählt";
        default:
            return "Anwendungs- oder objektdefinierter Fehler";
    }
}

int nummerVonErrno(int err) {
    switch (err) {
        case ENOENT:
            return fehlernr::DateiNichtGefunden;
        case ENOTDIR:
        case ELOOP:
            return fehlernr::PfadNichtGefunden;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            return fehlernr::ZugriffVerweigert;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return fehlernr::DatentraegerVoll;
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:
        case ESTALE:
            return fehlernr::NichtBereit;
        case EIO:
            return fehlernr::GeraeteFehler;
        case EEXIST:
            return fehlernr::DateiExistiert;
        case EMFILE:
        case ENFILE:
            return fehlernr::ZuVieleDateien;
        case ENAMETOOLONG:
        case EINVAL:
            return fehlernr::NameFalsch;
        case ENOEXEC:
            return fehlernr::UnzulaessigerAufruf;
        default:
            return fehlernr::PfadDateiZugriff;
    }
}

}  // namespace

Fehler Fehler::nummer(int n) {
    return Fehler(n, beschreibungVon(n));
}

Fehler Fehler::ausErrno(int err) {
    // A file at the limit of its file system (FAT's 4 GiB), not a full disk.
    if (err == EFBIG)
        return Fehler(fehlernr::DatentraegerVoll, "Datei zu groß für das Dateisystem des Ziels");
    return nummer(nummerVonErrno(err));
}

std::string fehlerText(const Fehler& f) {
    return "Fehler " + std::to_string(f.nummer()) + " (" + f.beschreibung() + ")";
}

std::string zahlMitVorzeichenstelle(long long n) {
    return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

}  // namespace zorta
