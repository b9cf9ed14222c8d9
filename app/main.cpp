#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "Meldungen.h"
#include "Sprache.h"
#include "Umgebung.h"
#include "Zerlegung.h"
#include "ZortaFormular.h"
#include "frmSplash.h"

namespace {

const char* const kAufruf = "Aufruf: zorta [DATEI]\n";

void ausgeben(std::FILE* wohin, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), wohin);
}

// Qt's messages while it looks for a display, shown only when it finds one.
QStringList& gepuffert() {
    static QStringList texte;
    return texte;
}

// Qt ends the program when no display can be reached; say so in German.
void ohneAnzeige(QtMsgType typ, const QMessageLogContext&, const QString& text) {
    if (typ != QtFatalMsg) {
        gepuffert() << text;
        return;
    }
    ausgeben(stderr, QStringLiteral("zorta: Keine grafische Anzeige erreichbar. Zorta braucht "
                                    "eine Desktop-Sitzung (X11 oder Wayland).\n"));
    std::_Exit(1);
}

}  // namespace

int main(int argc, char* argv[]) {
    // The command line is read before Qt looks for a display: --help and
    // --version need none.
    QStringList argumente;
    for (int i = 0; i < argc; ++i) argumente << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption hilfe({QStringLiteral("h"), QStringLiteral("help")},
                                   QStringLiteral("zeigt diese Hilfe"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("zeigt die Version"));
    parser.addOption(hilfe);
    parser.addOption(version);
    if (!parser.parse(argumente)) {
        const QStringList unbekannt = parser.unknownOptionNames();
        ausgeben(stderr,
                 unbekannt.isEmpty()
                     ? QStringLiteral("zorta: Die Befehlszeile ist ungültig.\n")
                     : QStringLiteral("zorta: Unbekannte Option „%1“.\n").arg(unbekannt.first()));
        ausgeben(stderr, QString::fromUtf8(kAufruf) + QStringLiteral("Mehr dazu: zorta --help\n"));
        return 2;
    }
    if (parser.isSet(hilfe)) {
        ausgeben(stdout,
                 QString::fromUtf8(kAufruf) +
                     QStringLiteral(
                         "Zerlegt eine Datei in nummerierte Teile (BILD.001, BILD.002, …) und "
                         "schreibt die Batchdatei,\ndie sie wieder zusammensetzt.\n\n"
                         "  DATEI          wird als Quelle gewählt, sobald eine Teilgröße "
                         "angegeben ist\n"
                         "  -h, --help     zeigt diese Hilfe\n"
                         "  -v, --version  zeigt die Version\n"));
        return 0;
    }
    if (parser.isSet(version)) {
        ausgeben(stdout, QStringLiteral("Velmorix Zorta %1\n").arg(QStringLiteral(ZORTA_VERSION)));
        return 0;
    }
    if (parser.positionalArguments().size() > 1) {
        ausgeben(stderr, QStringLiteral("zorta: Nur eine Datei kann angegeben werden.\n") +
                             QString::fromUtf8(kAufruf));
        return 2;
    }
    const QString quelle = parser.positionalArguments().value(0);
    // A name that is no valid UTF-8 would come back as U+FFFD and name
    // another file; the cut could not carry it into its batch file anyway.
    // The window still opens and says so, as it does for a chosen file.
    bool keinUtf8 = false;
    for (int i = 1; i < argc; ++i)
        keinUtf8 = keinUtf8 || QString::fromLocal8Bit(argv[i]).toLocal8Bit() != QByteArray(argv[i]);

    deutschOhneSprache();
    const QtMessageHandler vorher = qInstallMessageHandler(ohneAnzeige);
    QApplication app(argc, argv);
    qInstallMessageHandler(vorher);
    for (const QString& t : gepuffert()) ausgeben(stderr, t + u'\n');
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

    auto* splash = new frmSplash([quelle, keinUtf8] {
        auto* haupt = new ZortaFormular(Umgebung::echt(QApplication::applicationDirPath()));
        haupt->setAttribute(Qt::WA_DeleteOnClose);
        haupt->show();
        if (keinUtf8)
            Meldungen::zeige(haupt, QString::fromUtf8(zorta::texte::NameKeinUtf8),
                             QStringLiteral("Zorta"), QMessageBox::Information);
        else if (!quelle.isEmpty())
            haupt->quelleAnbieten(quelle, false);
    });
    splash->show();
    return QApplication::exec();
}
