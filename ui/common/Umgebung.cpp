#include "Umgebung.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "Oberflaeche.h"

namespace {

// The first of the places an installed or a built program keeps a file.
QString gefunden(const QStringList& kandidaten) {
    for (const QString& k : kandidaten) {
        if (QFileInfo(k).isFile())
            return QFileInfo(k).absoluteFilePath();
    }
    return kandidaten.isEmpty() ? QString() : kandidaten.first();
}

}  // namespace

Umgebung Umgebung::echt(const QString& programmordner) {
    Umgebung u;
    u.dateisystem = std::make_unique<zorta::PosixDateisystem>();
    u.wechselmedium = std::make_unique<zorta::LinuxWechselmedium>(*u.dateisystem);
    u.starter = std::make_unique<zorta::PosixStarter>();
    u.registrierung = std::make_unique<zorta::IniRegistrierung>(
        zorta::IniRegistrierung::Standardpfad, *u.dateisystem);
    const QString& bin = programmordner;
    const QString libexec = QStringLiteral("/../" ZORTA_LIBEXEC "/zorta/zorta-batch");
    const QString handbuch = QStringLiteral("/../" ZORTA_DOCDIR "/handbuch.html");
    u.interpreter = zuPfad(gefunden({bin + "/zorta-batch", bin + libexec}));
    u.handbuch = gefunden({bin + handbuch});
    u.dokumentOeffnen = [](const QString& pfad) {
        return QFileInfo(pfad).isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(pfad));
    };
    return u;
}
