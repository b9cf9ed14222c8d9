// Runs against the tree `cmake --install` put into ZORTA_PREFIX, or against
// the one the environment's ZORTA_PREFIX names (the unpacked package).
#include <QProcess>
#include <QTest>

#include "Umgebung.h"

// clang-format off
struct Aufruf { QString programm; QStringList argumente; int status; QString ausgabe; };
// clang-format on

class InstallationTest : public QObject {
    Q_OBJECT

    const QString prefix = qEnvironmentVariable("ZORTA_PREFIX", QStringLiteral(ZORTA_PREFIX));

  private slots:
    void findetHandbuch() {
        const Umgebung u = Umgebung::echt(prefix + "/bin");
        QCOMPARE(QDir::cleanPath(u.handbuch),
                 QDir::cleanPath(prefix + "/share/doc/zorta/handbuch.html"));
        QVERIFY(QFileInfo::exists(u.handbuch) &&
                QFileInfo(QString::fromStdString(u.interpreter)).isExecutable());
    }

    // Options are read before a display is looked for; with one FILE and a
    // display the program keeps running (its window waits for a size).
    // clang-format off
    void befehlszeile_data() {
        // status -1: still running after 1.5 s; ausgabe: part of stdout, or of stderr when the status is not 0
        QTest::addColumn<Aufruf>("f");
        QTest::newRow("hilfe") << Aufruf{"bin/zorta", QStringList{"--help"}, 0, "Aufruf: zorta [DATEI]"};
        QTest::newRow("unbekannt") << Aufruf{"bin/zorta", QStringList{"--gibt-es-nicht"}, 2, "Unbekannte Option"};
        QTest::newRow("zweiDateien") << Aufruf{"bin/zorta", QStringList{"a", "b"}, 2, "Nur eine Datei"};
        QTest::newRow("ohneAnzeige") << Aufruf{"bin/zorta", QStringList{}, 1, "Keine grafische Anzeige"};
        QTest::newRow("batchHilfe") << Aufruf{"libexec/zorta/zorta-batch", QStringList{"--help"}, 0, "Aufruf: zorta-batch"};
        QTest::newRow("startetMitDatei") << Aufruf{"bin/zorta", QStringList{"/etc/hostname"}, -1, ""};
    }
    // clang-format on
    void befehlszeile() {
        QFETCH(Aufruf, f);
        qputenv("QT_QPA_PLATFORM", f.status == -1 ? "offscreen" : "xcb");  // for the program only
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        QProcess p;
        p.start(prefix + "/" + f.programm, f.argumente);
        QCOMPARE(p.waitForFinished(f.status == -1 ? 1500 : 10000), f.status != -1);
        p.kill();
        p.waitForFinished();
        if (f.status == -1)
            return;
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), f.status);
        const QString text = f.status == 0 ? p.readAllStandardOutput() : p.readAllStandardError();
        QVERIFY2(text.contains(f.ausgabe), qPrintable(text));
    }
};

QTEST_MAIN(InstallationTest)
#include "InstallationTest.moc"
