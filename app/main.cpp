#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "Umgebung.h"
#include "ZortaFormular.h"
#include "frmSplash.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmorix"));
    QApplication::setApplicationName(QStringLiteral("Zorta"));
    QApplication::setApplicationVersion(QStringLiteral(ZORTA_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/bilder/zorta-app.png")));
    // The program speaks German: Qt's own buttons and dialogs too.
    QTranslator qtTexte;
    if (qtTexte.load(QStringLiteral("qtbase_de"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexte);
    }
    // The program ends only through the main window's quit confirmation.
    QApplication::setQuitOnLastWindowClosed(false);

    auto* splash = new frmSplash([] {
        auto* haupt = new ZortaFormular(Umgebung::echt(QApplication::applicationDirPath()));
        haupt->setAttribute(Qt::WA_DeleteOnClose);
        haupt->show();
    });
    splash->show();
    return QApplication::exec();
}
