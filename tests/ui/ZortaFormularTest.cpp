#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "Meldungen.h"
#include "UiTesthilfen.h"
#include "ZortaFormular.h"

using namespace zorta;

class ZortaFormularTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<ZortaFormular> fenster;
    test::FakeDateiwahl* wahl = nullptr;
    test::TestUmgebung seams;
    std::unique_ptr<test::Testordner> tmp;

    template <typename T>
    T* kind(const char* name) {
        return test::kind<T>(fenster.get(), name);
    }
    QString label(const char* name) { return kind<QLabel>(name)->text(); }
    QLineEdit* box() { return kind<QLineEdit>("textDateigröße"); }
    QString datei(const std::string& name, std::int64_t laenge) {
        const std::string pfad = *tmp / name;
        test::schreibeMuster(pfad, laenge);
        return QString::fromStdString(pfad);
    }
    // Types the piece size and chooses `pfad` in the (fake) dialog.
    void waehle(const QString& groesse, const QString& pfad) {
        box()->setText(groesse);
        wahl->antworten.push_back(pfad);
        fenster->MNU_Auswählen_Click();
    }
    QStringList meldungstexte() {
        QStringList t;
        for (const auto& m : Meldungen::protokoll()) t << m.text;
        return t;
    }

  private slots:
    void init() {
        Meldungen::testmodus(true);
        Meldungen::zuruecksetzen();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        tmp = std::make_unique<test::Testordner>();
        seams = test::testUmgebung();
        fenster = std::make_unique<ZortaFormular>(std::move(seams.umgebung));
        auto w = std::make_unique<test::FakeDateiwahl>();
        wahl = w.get();
        fenster->cmdStandarddialog().setzeWahl(std::move(w));
        fenster->show();
        QVERIFY(QTest::qWaitForWindowExposed(fenster.get()));
    }

    void cleanup() {
        Meldungen::naechsteAntwort(QMessageBox::Yes);
        fenster.reset();
        Meldungen::zuruecksetzen();
        tmp.reset();
    }

    void anfangszustand() {
        QVERIFY(!kind<QToolButton>("Command1")->isEnabled());
        QVERIFY(!kind<QAction>("MNU_Zorta")->isEnabled());
        QCOMPARE(QApplication::focusWidget(), kind<QToolButton>("Command3"));
        // Every picture button's caption fits under its picture.
        for (auto* k : fenster->findChildren<QToolButton*>()) {
            QVERIFY2(k->fontMetrics().horizontalAdvance(k->text()) <= k->width() - 4,
                     qPrintable(k->text()));
        }
    }

    void tastenkuerzel() {
        QTest::keyClick(fenster.get(), Qt::Key_S, Qt::ControlModifier);  // disabled: nothing
        QVERIFY(Meldungen::protokoll().empty());
        QTest::keyClick(fenster.get(), Qt::Key_A, Qt::ControlModifier);  // empty box: message
        QCOMPARE(meldungstexte(), QStringList{"Geben Sie bitte eine gültige Dateigröße an!"});
        QVERIFY(wahl->aufrufe.empty());
        // Ctrl+A reaches the window even from inside the box.
        box()->setText(QStringLiteral("10"));
        box()->setFocus();
        QTest::keyClick(box(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(static_cast<int>(wahl->aufrufe.size()), 1);
    }

    // clang-format off
    void beenden_data() {
        QTest::addColumn<int>("antwort");
        QTest::addColumn<bool>("offen");
        QTest::newRow("Ja") << int(QMessageBox::Yes) << false;
        QTest::newRow("Nein") << int(QMessageBox::No) << true;
        QTest::newRow("Abbrechen") << int(QMessageBox::Cancel) << true;
        QTest::newRow("Escape") << int(QMessageBox::Escape) << true;
    }
    // clang-format on
    void beenden() {
        QFETCH(int, antwort);
        QFETCH(bool, offen);
        Meldungen::naechsteAntwort(static_cast<QMessageBox::StandardButton>(antwort));
        kind<QAction>("MNU_Beenden")->trigger();
        QCOMPARE(fenster->isVisible(), offen);
        QCOMPARE(meldungstexte(), QStringList{"Wollen Sie Velmorix Zorta wirklich beenden ?"});
        QCOMPARE(Meldungen::protokoll()[0].standard, QMessageBox::Yes);
    }

    // clang-format off
    void tastenfilter_data() {
        QTest::addColumn<QString>("getippt");
        QTest::addColumn<QString>("ergebnis");
        QTest::newRow("ziffern") << "0123456789" << "0123456789";
        QTest::newRow("buchstaben") << "1a2b" << "12";
        QTest::newRow("punktKommaMinus") << "1.4,-5" << "145";
        QTest::newRow("blank") << "1 2" << "12";
    }
    // clang-format on
    void tastenfilter() {
        QFETCH(QString, getippt);
        QFETCH(QString, ergebnis);
        box()->setFocus();
        QTest::keyClicks(box(), getippt);
        QCOMPARE(box()->text(), ergebnis);
    }

    // clang-format off
    void teilgroesse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("leer") << "" << qint64(0);
        QTest::newRow("null") << "0" << qint64(0);
        QTest::newRow("nullen") << "000" << qint64(0);
        QTest::newRow("eins") << "1" << qint64(1024);
        QTest::newRow("fuehrendeNull") << "0100" << qint64(102400);
        QTest::newRow("diskette") << "1400" << qint64(1433600);
        QTest::newRow("zip") << "96000" << qint64(98304000);
        QTest::newRow("mitBuchstaben") << "12abc" << qint64(12288);
        QTest::newRow("blanks") << "  1 4 " << qint64(14336);
        QTest::newRow("dezimalpunkt") << "1.5" << qint64(1536);
        QTest::newRow("kommaEndet") << "1,5" << qint64(1024);
        QTest::newRow("negativ") << "-5" << qint64(0);
        QTest::newRow("text") << "abc" << qint64(0);
        QTest::newRow("halbAufGerade") << "0.00048828125" << qint64(0);  // 0.5 byte
        QTest::newRow("eineinhalb") << "0.00146484375" << qint64(2);     // 1.5 bytes
        QTest::newRow("ueber32Bit") << "2097152" << qint64(2147483648);
        QTest::newRow("zuGross") << "1e20" << qint64(0);
    }
    // clang-format on
    void teilgroesse() {
        QFETCH(QString, text);
        QFETCH(qint64, bytes);
        fenster->auftrag().Teilgröße = 777;  // a refused size never keeps the old one
        box()->setText(text);
        fenster->MNU_Auswählen_Click();
        QCOMPARE(fenster->auftrag().Teilgröße, bytes);
        if (bytes == 0) {
            QCOMPARE(meldungstexte(), QStringList{"Geben Sie bitte eine gültige Dateigröße an!"});
            QCOMPARE(QApplication::focusWidget(), box());
            QVERIFY(wahl->aufrufe.empty());
        } else {
            QCOMPARE(static_cast<int>(wahl->aufrufe.size()), 1);
        }
    }

    // clang-format off
    void quellwahl_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("groesse");
        QTest::addColumn<qint64>("laenge");
        QTest::addColumn<QString>("kbyte");
        QTest::addColumn<QString>("disketten");
        QTest::newRow("genauEinStueck") << "de_DE" << "1400" << qint64(1433600) << "1433,6" << "1";
        QTest::newRow("disketteUndRest") << "de_DE" << "1400" << qint64(1474560) << "1474,56" << "1";
        QTest::newRow("ganz") << "de_DE" << "1" << qint64(2000) << "2" << "2";
        QTest::newRow("dreiStellen") << "de_DE" << "1" << qint64(1234567) << "1234,567" << "1235";
        QTest::newRow("englisch") << "en_US" << "1400" << qint64(1474560) << "1474.56" << "1";
        QTest::newRow("beispiel") << "de_DE" << "1400" << qint64(3000000) << "3000" << "2";
    }
    // clang-format on
    void quellwahl() {
        QFETCH(QString, locale);
        QFETCH(QString, groesse);
        QFETCH(qint64, laenge);
        QFETCH(QString, kbyte);
        QFETCH(QString, disketten);
        QLocale::setDefault(QLocale(locale));
        const QString pfad = datei("BILD.ZIP", laenge);
        waehle(groesse, pfad);
        QVERIFY(Meldungen::protokoll().empty());
        QCOMPARE(label("Label6"), kbyte);
        QCOMPARE(label("Label2"), pfad);
        QCOMPARE(label("Label9"), disketten);
        QVERIFY(kind<QToolButton>("Command1")->isEnabled());
        QVERIFY(kind<QAction>("MNU_Zorta")->isEnabled());
        QCOMPARE(fenster->auftrag().Quelldatei, pfad.toStdString());
        QCOMPARE(fenster->auftrag().Quellgröße, laenge);
        QCOMPARE(QDir::currentPath(), QString::fromStdString(tmp->pfad()));
    }

    void fuenfGibibyte() {
        const std::string pfad = *tmp / "gross";
        { std::ofstream(pfad).close(); }
        std::filesystem::resize_file(pfad, 5LL * 1024 * 1024 * 1024);
        waehle(QStringLiteral("1400"), QString::fromStdString(pfad));
        QCOMPARE(label("Label6"), QStringLiteral("5368709,12"));
        QCOMPARE(fenster->auftrag().Quellgröße, 5LL * 1024 * 1024 * 1024);
    }

    void zuKleineDateiWirdAbgelehnt() {
        waehle(QStringLiteral("1400"), datei("a", 1433600));
        const QString vorher = label("Label2");
        waehle(QStringLiteral("1400"), datei("b", 1433599));
        QCOMPARE(meldungstexte(),
                 QStringList{"Die ausgewählte Datei ist kleiner als die angegebene Dateigröße. "
                             "Keine Zerlegung erforderlich."});
        QCOMPARE(label("Label2"), vorher);
        QCOMPARE(fenster->auftrag().Quellgröße, qint64(1433599));
        QVERIFY(kind<QToolButton>("Command1")->isEnabled());
    }

    void verschwundeneDateiWirdNichtAngenommen() {
        waehle(QStringLiteral("1"), datei("a", 5000));
        const QString vorher = label("Label6");
        waehle(QStringLiteral("1"), QString::fromStdString(*tmp / "weg"));
        QCOMPARE(label("Label6"), vorher);
        QCOMPARE(fenster->auftrag().Quellgröße, qint64(0));
        QCOMPARE(static_cast<int>(Meldungen::protokoll().size()), 1);
    }

    // clang-format off
    void diskettenanzahlFolgtDerBox_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("anzahl");
        QTest::newRow("1200") << "1200" << "1";  // 1474,56 / 1200
        QTest::newRow("500") << "500" << "3";  // 2.94912
        QTest::newRow("100") << "100" << "15";  // 14.7456
        QTest::newRow("leer") << "" << "";
        QTest::newRow("null") << "0" << "1";  // kept
        QTest::newRow("buchstaben") << "12abc" << "1";  // kept
        QTest::newRow("riesig") << "99999999" << "";  // rounds to 0
        QTest::newRow("halbAuf") << "2949.12" << "1";  // 0.5 rounds up
    }
    // clang-format on
    void diskettenanzahlFolgtDerBox() {
        QFETCH(QString, text);
        QFETCH(QString, anzahl);
        waehle(QStringLiteral("1400"), datei("BILD.ZIP", 1474560));
        QCOMPARE(label("Label9"), QStringLiteral("1"));
        box()->setText(text);
        QCOMPARE(label("Label9"), anzahl);
        // The piece size of the next run stays the one of the selection.
        QCOMPARE(fenster->auftrag().Teilgröße, qint64(1433600));
    }

    void fehlschlagLaesstDieAnzeigenStehen() {
        const QString ziel = QString::fromStdString(*tmp / "gibt-es-nicht");
        kind<QLabel>("Label4")->setText(ziel);
        waehle(QStringLiteral("1"), datei("BILD.ZIP", 3000));
        int position = -1;
        Meldungen::beiMeldung([&](const Meldungen::Eintrag&) {
            position = kind<QProgressBar>("ProgressBar1")->value();
        });
        kind<QToolButton>("Command1")->click();
        QCOMPARE(meldungstexte(), QStringList{"Fehler #  76\rPfad nicht gefunden"});
        QCOMPARE(Meldungen::protokoll()[0].symbol, QMessageBox::NoIcon);
        QCOMPARE(position, 0);
        QCOMPARE(label("Label4"), ziel);
        QVERIFY(!label("Label2").isEmpty());
        QVERIFY(label("labelInfo").isEmpty());
        QVERIFY(kind<QToolButton>("Command1")->isEnabled());
    }

    void reparaturEinstellungenBleibenStehen() {
        const QString batch = QString::fromStdString(*tmp / "BILD.bat");
        test::schreibeText(batch.toStdString(), "@echo off\r\n");
        wahl->antworten.push_back(batch);
        kind<QAction>("MNU_Reparatur")->trigger();
        QVERIFY(Meldungen::protokoll().empty());
        const auto& a = wahl->aufrufe.back();
        QVERIFY(a.cancelError);
        QCOMPARE(a.titel, QStringLiteral("Datei reparieren..."));
        QCOMPARE(a.filter, QStringLiteral("Batchdateien (*.bat)|*.bat"));
        QCOMPARE(a.flags, 4096);
        QCOMPARE(static_cast<int>(seams.starter->auftraege.size()), 1);
        QCOMPARE(seams.starter->auftraege[0].argumente,
                 std::vector<std::string>{batch.toStdString()});

        // The next source selection shows the batch filter and the batch file.
        box()->setText(QStringLiteral("1"));
        fenster->MNU_Auswählen_Click();
        QCOMPARE(wahl->aufrufe.back().filter, QStringLiteral("Batchdateien (*.bat)|*.bat"));
        QCOMPARE(wahl->aufrufe.back().dateiname, batch);
        QCOMPARE(fenster->cmdStandarddialog().namensfilter(), QStringList{"Batchdateien (*.bat)"});
    }

    void reparaturFehlermeldung() {
        const QString text = QString::fromStdString(*tmp / "liesmich.txt");
        test::schreibeText(text.toStdString(), "x");
        wahl->antworten.push_back(text);
        kind<QAction>("MNU_Reparatur")->trigger();
        QCOMPARE(meldungstexte(),
                 QStringList{"Fehler Nr. :  5\r\rFehlerbeschreibung : Unzulässiger "
                             "Prozeduraufruf oder unzulässiges Argument"});
        QCOMPARE(Meldungen::protokoll()[0].titel, QStringLiteral("Fehler..."));
        QCOMPARE(Meldungen::protokoll()[0].symbol, QMessageBox::Critical);
        QVERIFY(seams.starter->auftraege.empty());
    }

    // Cut through the window, then repair with the real launcher and interpreter.
    void schneidenUndReparieren() {
        const std::string ziel = *tmp / "ziel";
        std::filesystem::create_directory(ziel);
        auto echt = test::testUmgebung();
        echt.umgebung.starter = std::make_unique<PosixStarter>();
        echt.umgebung.interpreter = ZORTA_BATCH_PFAD;
        fenster = std::make_unique<ZortaFormular>(std::move(echt.umgebung));
        auto w = std::make_unique<test::FakeDateiwahl>();
        wahl = w.get();
        fenster->cmdStandarddialog().setzeWahl(std::move(w));

        kind<QLabel>("Label4")->setText(QString::fromStdString(ziel));
        const QString quelle = datei("BILD.ZIP", 3'000'000);
        waehle(QStringLiteral("1400"), quelle);
        box()->setText(QStringLiteral("1200"));  // does not change the run
        kind<QToolButton>("Command1")->click();
        QCOMPARE(meldungstexte(), QStringList{"Zorta erfolgreich durchgeführt !"});
        QCOMPARE(std::filesystem::file_size(ziel + "/BILD.001"), 1433600u);
        for (const char* n : {"Label2", "Label4", "Label6", "Label9", "labelInfo"}) {
            QVERIFY2(label(n).isEmpty(), n);
        }
        QVERIFY(!kind<QAction>("MNU_Zorta")->isEnabled());
        QCOMPARE(fenster->cursor().shape(), Qt::ArrowCursor);

        wahl->antworten.push_back(QString::fromStdString(ziel + "/BILD.bat"));
        kind<QAction>("MNU_Reparatur")->trigger();
        QCOMPARE(static_cast<int>(Meldungen::protokoll().size()), 1);
        const std::string joined = ziel + "/BILD.ZIP";
        QTRY_VERIFY_WITH_TIMEOUT(
            std::filesystem::exists(joined) && std::filesystem::file_size(joined) == 3'000'000u,
            10000);
        QVERIFY(test::lies(joined) == test::lies(quelle.toStdString()));
    }
};

QTEST_MAIN(ZortaFormularTest)
#include "ZortaFormularTest.moc"
