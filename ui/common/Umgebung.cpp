#include "Umgebung.h"

#include <QCoreApplication>
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

Umgebung Umgebung::echt() {
    Umgebung u;
    u.dateisystem = std::make_unique<zorta::PosixDateisystem>();
    u.wechselmedium = std::make_unique<zorta::LinuxWechselmedium>();
    u.starter = std::make_unique<zorta::PosixStarter>();
    u.registrierung =
        std::make_unique<zorta::IniRegistrierung>(zorta::IniRegistrierung::Standardpfad);
    const QString bin = QCoreApplication::applicationDirPath();
    u.interpreter = zuPfad(gefunden({bin + "/zorta-batch", bin + "/../libexec/zorta/zorta-batch"}));
    u.handbuch = gefunden({bin + "/../share/doc/zorta/README.md", bin + "/README.md"});
    u.dokumentOeffnen = [](const QString& pfad) {
        return QFileInfo(pfad).isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(pfad));
    };
    return u;
}
