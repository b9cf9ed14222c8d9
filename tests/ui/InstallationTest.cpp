// Runs against the tree `cmake --install` put into ZORTA_PREFIX, or against
// the one the environment's ZORTA_PREFIX names (the unpacked package).
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "Meldungen.h"
#include "UiTesthilfen.h"
#include "ZortaFormular.h"

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

    // A repair from the installed program joins a cut made by it.
    void reparaturMitDemInstalliertenInterpreter() {
        Meldungen::testmodus(true);
        zorta::test::Testordner tmp;
        const std::string ziel = tmp / "ziel";
        std::filesystem::create_directory(ziel);
        const std::string quelle = tmp / "BILD.ZIP";
        zorta::test::schreibeMuster(quelle, 300'000);
        ZortaFormular fenster(Umgebung::echt(prefix + "/bin"));
        auto wahl = std::make_unique<zorta::test::FakeDateiwahl>();
        wahl->antworten = {QString::fromStdString(quelle),
                           QString::fromStdString(ziel + "/BILD.bat")};
        fenster.cmdStandarddialog().setzeWahl(std::move(wahl));
        fenster.findChild<QLineEdit*>("textDateigröße")->setText(QStringLiteral("100"));
        fenster.findChild<QLabel*>("Label4")->setText(QString::fromStdString(ziel));
        fenster.MNU_Auswählen_Click();
        fenster.MNU_Zorta_Click();
        fenster.MNU_Reparatur_Click();
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(ziel + "/BILD.ZIP"), 10000);
        QVERIFY(zorta::test::lies(ziel + "/BILD.ZIP") == zorta::test::lies(quelle));
        Meldungen::naechsteAntwort(QMessageBox::Yes);
    }
};

QTEST_MAIN(InstallationTest)
#include "InstallationTest.moc"
