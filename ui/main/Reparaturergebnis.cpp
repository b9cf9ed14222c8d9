#include "Reparaturergebnis.h"

#include <QFile>
#include <QFileInfo>

#include "Oberflaeche.h"
#include "Stapel.h"

namespace {

// The interpreter's last message line, without the trailing line break.
QString grund(const zorta::Programmende& ende) {
    const QStringList zeilen = ausPfad(ende.meldung).trimmed().split(u'\n', Qt::SkipEmptyParts);
    return zeilen.isEmpty() ? QString() : zeilen.last().trimmed();
}

// The destination of the batch file's copy line, or "" when there is none.
QString zieldatei(const std::string& batch) {
    QFile datei(ausPfad(batch));
    if (!datei.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& roh : datei.readAll().split('\n')) {
        const std::string zeile = roh.trimmed().toStdString();
        if (zeile.size() < 5 || QByteArray::fromStdString(zeile.substr(0, 5)).toLower() != "copy ")
            continue;
        zorta::Kopierbefehl befehl;
        std::string fehler;
        if (!zorta::kopierbefehlLesen(zeile.substr(5), &befehl, &fehler) || befehl.quellen.empty())
            return {};
        return ausPfad(befehl.ziel.empty() ? befehl.quellen.front() : befehl.ziel);
    }
    return {};
}

// Only for an interpreter that said nothing: whether a checksum was checked
// is then unknown, so the text makes no promise about it.
QString erfolgstext(const std::string& batch) {
    const QString ziel = zieldatei(batch);
    return ziel.isEmpty() ? QStringLiteral("Die Datei ist wieder zusammengesetzt.")
                          : QStringLiteral("%1 ist wieder zusammengesetzt.").arg(ziel);
}

}  // namespace

Reparaturergebnis reparaturergebnis(const std::string& batch, const zorta::Programmende& ende) {
    const QString name = QFileInfo(ausPfad(batch)).fileName();
    const QString warum = grund(ende);
    const QString mitGrund = warum.isEmpty() ? QString() : QStringLiteral("\n\n") + warum;
    switch (ende.status) {
        case zorta::stapelstatus::Ok:
            return {true, warum.isEmpty() ? erfolgstext(batch) : warum};
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
