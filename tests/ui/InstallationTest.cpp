// Runs against the tree `cmake --install` put into ZORTA_PREFIX, or against
// the one the environment's ZORTA_PREFIX names (the unpacked package).
#include <QDir>
#include <QProcess>
#include <QTest>

#include "Umgebung.h"

class InstallationTest : public QObject {
    Q_OBJECT

    const QString prefix = qEnvironmentVariable("ZORTA_PREFIX", QStringLiteral(ZORTA_PREFIX));

  private slots:
    // The interpreter is found when the repair below joins.
    void findetHandbuch() {
        const Umgebung u = Umgebung::echt(prefix + "/bin");
        QCOMPARE(QDir::cleanPath(u.handbuch),
                 QDir::cleanPath(prefix + "/share/doc/zorta/handbuch.html"));
        QVERIFY(QFileInfo::exists(u.handbuch));
    }

    // Options are read before a display is looked for.
    // clang-format off
    void befehlszeile_data() {
        QTest::addColumn<QString>("programm");
        QTest::addColumn<QStringList>("argumente");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("ausgabe");  // part of stdout, or of stderr when the status is not 0
        QTest::newRow("hilfe") << "bin/zorta" << QStringList{"--help"} << 0 << "Aufruf: zorta [DATEI]";
        QTest::newRow("version") << "bin/zorta" << QStringList{"--version"} << 0 << "Zorta 1.00";
        QTest::newRow("unbekannt") << "bin/zorta" << QStringList{"--gibt-es-nicht"} << 2 << "Unbekannte Option";
        QTest::newRow("zweiDateien") << "bin/zorta" << QStringList{"a", "b"} << 2 << "Nur eine Datei";
        QTest::newRow("ohneAnzeige") << "bin/zorta" << QStringList{} << 1 << "Keine grafische Anzeige";
        QTest::newRow("batchHilfe") << "libexec/zorta/zorta-batch" << QStringList{"--help"} << 0 << "Aufruf: zorta-batch";
        QTest::newRow("batchVersion") << "libexec/zorta/zorta-batch" << QStringList{"--version"} << 0 << "1.00";
    }
    // clang-format on
    void befehlszeile() {
        QFETCH(QString, programm);
        QFETCH(QStringList, argumente);
        QFETCH(int, status);
        QFETCH(QString, ausgabe);
        QProcess p;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(prefix + "/" + programm, argumente);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        const QString text =
            QString::fromUtf8(status == 0 ? p.readAllStandardOutput() : p.readAllStandardError());
        QVERIFY2(text.contains(ausgabe), qPrintable(text));
    }

    void programmStartet() {
        QProcess zorta;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        zorta.setProcessEnvironment(env);
        zorta.start(prefix + "/bin/zorta", {});
        QVERIFY(zorta.waitForStarted());
        QTest::qWait(1500);  // splash, then the main window
        QCOMPARE(zorta.state(), QProcess::Running);
        zorta.kill();
        zorta.waitForFinished();
    }
};

QTEST_MAIN(InstallationTest)
#include "InstallationTest.moc"
