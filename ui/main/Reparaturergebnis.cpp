#include "Reparaturergebnis.h"

#include <QFileInfo>

#include "Oberflaeche.h"
#include "Stapel.h"
#include "Stapelergebnis.h"

Reparaturergebnis reparaturergebnis(const std::string& batch, const zorta::Programmende& ende) {
    const QString name = QFileInfo(ausPfad(batch)).fileName();
    // The interpreter's own result lines, shown as they are.
    const zorta::Stapelergebnis e = zorta::ergebnisLesen(ende.status, ende.meldung);
    QStringList zeilen;
    if (e.gekuerzt)
        zeilen << QStringLiteral("…");
    for (const auto& z : e.zeilen) zeilen << ausPfad(z);
    const QString warum = zeilen.join(u'\n');
    const QString mitGrund = warum.isEmpty() ? QString() : QStringLiteral("\n\n") + warum;
    switch (ende.status) {
        case zorta::stapelstatus::Ok:
            return {true, warum.isEmpty() ? QStringLiteral("Die Datei ist wieder zusammengesetzt.")
                                          : warum};
        case zorta::stapelstatus::KopierFehler:
            return {false, QStringLiteral("%1: Die Datei konnte nicht zusammengesetzt werden. "
                                          "Eine vorhandene Datei gleichen Namens blieb "
                                          "unverändert.%2")
                               .arg(name, mitGrund)};
        case zorta::stapelstatus::NichtUnterstuetzt:
            return {false, QStringLiteral("%1 enthält einen Befehl, den Zorta nicht ausführt. "
                                          "Es wurde nichts zusammengesetzt.%2")
                               .arg(name, mitGrund)};
        case zorta::stapelstatus::PruefsummeFalsch:
            return {false, QStringLiteral("%1: Die zusammengesetzte Datei stimmt nicht mit der "
                                          "Prüfsumme überein: ein Teil ist beschädigt, verkürzt "
                                          "oder vertauscht. Eine vorhandene Datei gleichen "
                                          "Namens blieb unverändert.%2")
                               .arg(name, mitGrund)};
        case zorta::stapelstatus::PruefdateiUnbrauchbar:
            return {false, QStringLiteral("%1: Die Prüfsummendatei daneben ist unbrauchbar. Eine "
                                          "vorhandene Datei gleichen Namens blieb unverändert.%2")
                               .arg(name, mitGrund)};
        case -1:
            return {
                false,
                QStringLiteral("%1: Die Reparatur wurde vorzeitig beendet.%2").arg(name, mitGrund)};
        default:
            return {false, QStringLiteral("%1: Die Reparatur endete mit dem Status %2.%3")
                               .arg(name)
                               .arg(ende.status)
                               .arg(mitGrund)};
    }
}
