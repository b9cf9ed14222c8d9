#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "UiTesthilfen.h"
#include "ZortaFormular.h"

using namespace zorta;
using test::meldungstexte;

namespace {
const QString kGroesse = QStringLiteral("Geben Sie bitte eine gültige Dateigröße an!");
}

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
    bool zortaAn() {
        return kind<QToolButton>("Command1")->isEnabled() &&
               kind<QAction>("MNU_Zorta")->isEnabled();
    }
    // Large files are sparse.
    QString datei(const std::string& name, std::int64_t laenge) {
        const std::string pfad = *tmp / name;
        if (laenge > 64 * 1024 * 1024) {
            std::ofstream(pfad).close();
            std::filesystem::resize_file(pfad, laenge);
        } else {
            test::schreibeMuster(pfad, laenge);
        }
        return QString::fromStdString(pfad);
    }
    // Types the piece size and chooses `pfad` in the (fake) dialog.
    void waehle(const QString& groesse, const QString& pfad) {
        box()->setText(groesse);
        wahl->antworten.push_back(pfad);
        fenster->MNU_Auswählen_Click();
    }
    void fensterMit(test::TestUmgebung t) {
        seams = std::move(t);
        fenster = std::make_unique<ZortaFormular>(std::move(seams.umgebung));
        auto w = std::make_unique<test::FakeDateiwahl>();
        wahl = w.get();
        fenster->cmdStandarddialog().setzeWahl(std::move(w));
    }
    // Starts the cut and waits for the run's thread to end.
    void schneiden() {
        kind<QToolButton>("Command1")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!fenster->laeuft(), 20000);
    }
    // A job of three 1-KByte pieces into the folder "ziel".
    std::string auftragAnlegen() {
        const std::string ziel = *tmp / "ziel";
        std::filesystem::create_directory(ziel);
        kind<QLabel>("Label4")->setText(QString::fromStdString(ziel));
        waehle(QStringLiteral("1"), datei("BILD.ZIP", 3000));
        return ziel;
    }

  private slots:
    void init() {
        Meldungen::testmodus(true);
        Meldungen::zuruecksetzen();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        tmp = std::make_unique<test::Testordner>();
        fensterMit(test::testUmgebung());
        fenster->show();
        QVERIFY(QTest::qWaitForWindowExposed(fenster.get()));
    }

    void cleanup() {
        Meldungen::naechsteAntwort(QMessageBox::Yes);
        fenster.reset();
        Meldungen::zuruecksetzen();
        tmp.reset();
    }

    void bildknoepfe() {
        // Every picture button's caption fits under its picture.
        for (auto* k : fenster->findChildren<QToolButton*>()) {
            QVERIFY2(k->fontMetrics().horizontalAdvance(k->text()) <= k->width() - 4,
                     qPrintable(k->text()));
        }
        // Enter on a focused button clicks it.
        kind<QToolButton>("Command5")->setFocus();
        QTest::keyClick(kind<QToolButton>("Command5"), Qt::Key_Return);
        QCOMPARE(box()->text(), QStringLiteral("1400"));
    }

    // The real dialog shows dot files once the typed name begins with a dot.
    // Runs before any test quits the program: no modal loop starts after that.
    void punktdateien() {
        Standarddialog echt;
        QDir::Filters vorher, nachher;
        QTimer warten;  // until the dialog is up
        connect(&warten, &QTimer::timeout, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (d == nullptr || !d->isVisible())
                return;
            warten.stop();
            vorher = d->filter();
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral(".bat"));
            nachher = d->filter();
            d->reject();
        });
        warten.start(10);
        echt.ShowOpen(fenster.get());
        QVERIFY(!(vorher & QDir::Hidden));
        QVERIFY(nachher & QDir::Hidden);
    }

    void tastenkuerzel() {
        QTest::keyClick(fenster.get(), Qt::Key_S, Qt::ControlModifier);  // disabled: nothing
        QVERIFY(Meldungen::protokoll().empty());
        QTest::keyClick(fenster.get(), Qt::Key_A, Qt::ControlModifier);  // empty box: message
        QCOMPARE(meldungstexte(), QStringList{kGroesse});
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
    }
    // clang-format on
    void beenden() {
        QFETCH(int, antwort);
        QFETCH(bool, offen);
        Meldungen::naechsteAntwort(static_cast<QMessageBox::StandardButton>(antwort));
        kind<QAction>("MNU_Beenden")->trigger();
        QCOMPARE(fenster->isVisible(), offen);
        QCOMPARE(Meldungen::protokoll().size(), size_t(1));
        QCOMPARE(Meldungen::protokoll()[0].standard, QMessageBox::Yes);
    }

    // clang-format off
    void tastenfilter_data() {
        QTest::addColumn<QString>("getippt");
        QTest::addColumn<int>("taste");  // pressed after typing, cursor after the first digit
        QTest::addColumn<QString>("ergebnis");
        QTest::newRow("ziffern") << "0123456789" << 0 << "0123456789";
        QTest::newRow("buchstaben") << "1a2b" << 0 << "12";
        QTest::newRow("punktKommaMinus") << "1.4,-5" << 0 << "145";
        QTest::newRow("blank") << "1 2" << 0 << "12";
        QTest::newRow("entf") << "123" << int(Qt::Key_Delete) << "13";
        QTest::newRow("rueck") << "123" << int(Qt::Key_Backspace) << "23";
    }
    // clang-format on
    void tastenfilter() {
        QFETCH(QString, getippt);
        QFETCH(int, taste);
        QFETCH(QString, ergebnis);
        box()->setFocus();
        QTest::keyClicks(box(), getippt);
        if (taste != 0) {
            box()->setCursorPosition(1);
            // X11 sends Delete with the character 0x7F.
            const QString zeichen = taste == Qt::Key_Delete ? QString(QChar(0x7f)) : QString();
            QKeyEvent druck(QEvent::KeyPress, taste, Qt::NoModifier, zeichen);
            QApplication::sendEvent(box(), &druck);
            if (taste == Qt::Key_Delete) {  // the keypad's Delete too
                box()->setText(getippt);
                box()->setCursorPosition(1);
                QKeyEvent block(QEvent::KeyPress, taste, Qt::KeypadModifier, zeichen);
                QApplication::sendEvent(box(), &block);
            }
        }
        QCOMPARE(box()->text(), ergebnis);
    }

    // clang-format off
    void teilgroesse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("bytes");  // 0: refused
        QTest::newRow("leer") << "" << qint64(0);
        QTest::newRow("nullen") << "000" << qint64(0);
        QTest::newRow("fuehrendeNull") << "0100" << qint64(102400);
        QTest::newRow("diskette") << "1400" << qint64(1433600);
        QTest::newRow("mitBuchstaben") << "12abc" << qint64(12288);
        QTest::newRow("blanks") << "  1 4 " << qint64(14336);
        QTest::newRow("dezimalpunkt") << "1.5" << qint64(1536);
        QTest::newRow("kommaEndet") << "1,5" << qint64(1024);
        QTest::newRow("negativ") << "-5" << qint64(0);
        QTest::newRow("halbAufGerade") << "0.00048828125" << qint64(0);  // 0.5 byte
        QTest::newRow("eineinhalb") << "0.00146484375" << qint64(2);     // 1.5 bytes
        QTest::newRow("ueber32Bit") << "2097152" << qint64(2147483648);
        QTest::newRow("zuGross") << "1e20" << qint64(0);
    }
    // clang-format on
    void teilgroesse() {
        QFETCH(QString, text);
        QFETCH(qint64, bytes);
        waehle(text, datei("gross", 3LL << 30));
        QCOMPARE(fenster->auftrag().Teilgröße, bytes);
        QCOMPARE(meldungstexte(), bytes == 0 ? QStringList{kGroesse} : QStringList{});
        QCOMPARE(static_cast<int>(wahl->aufrufe.size()), bytes == 0 ? 0 : 1);
        if (bytes == 0)
            QCOMPARE(QApplication::focusWidget(), box());
    }

    // clang-format off
    void quellwahl_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("groesse");
        QTest::addColumn<qint64>("laenge");
        QTest::addColumn<QString>("kbyte");
        QTest::addColumn<QString>("stuecke");
        QTest::newRow("genauEinStueck") << "de_DE" << "1400" << qint64(1433600) << "1433,6" << "1";
        QTest::newRow("disketteUndRest") << "de_DE" << "1400" << qint64(1474560) << "1474,56" << "2";
        QTest::newRow("zweiMillionen") << "de_DE" << "1400" << qint64(2000000) << "2000" << "2";
        QTest::newRow("dreiStellen") << "de_DE" << "1" << qint64(1234567) << "1234,567" << "1206";
        QTest::newRow("englisch") << "en_US" << "1400" << qint64(1474560) << "1474.56" << "2";
        QTest::newRow("fuenfGibibyte") << "de_DE" << "1400" << qint64(5LL << 30) << "5368709,12" << "3745";
    }
    // clang-format on
    void quellwahl() {
        QFETCH(QString, locale);
        QFETCH(QString, groesse);
        QFETCH(qint64, laenge);
        QFETCH(QString, kbyte);
        QFETCH(QString, stuecke);
        QLocale::setDefault(QLocale(locale));
        const QString pfad = datei("BILD.ZIP", laenge);
        waehle(groesse, pfad);
        QVERIFY(Meldungen::protokoll().empty());
        QCOMPARE(label("Label6"), kbyte);
        QCOMPARE(label("Label2"), pfad);
        QCOMPARE(label("Label9"), stuecke);
        QVERIFY(zortaAn());
        QCOMPARE(fenster->auftrag().Quelldatei, pfad.toStdString());
        QCOMPARE(fenster->auftrag().Quellgröße, laenge);
        QCOMPARE(QDir::currentPath(), QString::fromStdString(tmp->pfad()));
    }

    // clang-format off
    void ablehnungLaesstDenAuftragStehen_data() {
        QTest::addColumn<QString>("groesse");
        QTest::addColumn<QString>("wahl");  // "": cancelled
        QTest::addColumn<int>("meldungen");
        QTest::newRow("zuKlein") << "1400" << "klein" << 1;
        QTest::newRow("abgebrochen") << "1" << "" << 0;
        QTest::newRow("verschwunden") << "1" << "weg" << 1;
        QTest::newRow("ungueltigeGroesse") << "0" << "klein" << 1;
    }
    // clang-format on
    void ablehnungLaesstDenAuftragStehen() {
        QFETCH(QString, groesse);
        QFETCH(QString, wahl);
        QFETCH(int, meldungen);
        waehle(QStringLiteral("1"), datei("a", 5000));
        const Auftrag vorher = fenster->auftrag();
        const QStringList labels = {label("Label2"), label("Label6")};
        datei("klein", 1433599);
        waehle(groesse,
               wahl.isEmpty() ? QString() : QString::fromStdString(*tmp / wahl.toStdString()));
        QCOMPARE(static_cast<int>(Meldungen::protokoll().size()), meldungen);
        QCOMPARE(fenster->auftrag().Quelldatei, vorher.Quelldatei);
        QCOMPARE(fenster->auftrag().Quellgröße, vorher.Quellgröße);
        QCOMPARE(fenster->auftrag().Teilgröße, vorher.Teilgröße);
        QCOMPARE((QStringList{label("Label2"), label("Label6")}), labels);
        QVERIFY(zortaAn());
    }

    // clang-format off
    void stueckzahlFolgtDerBox_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("anzahl");
        QTest::newRow("1200") << "1200" << "2";  // 1474560 / 1228800
        QTest::newRow("100") << "100" << "15";
        QTest::newRow("leer") << "" << "";
        QTest::newRow("null") << "0" << "2";  // kept
        QTest::newRow("buchstaben") << "12abc" << "120";
        QTest::newRow("riesig") << "99999999" << "1";
    }
    // clang-format on
    void stueckzahlFolgtDerBox() {
        QFETCH(QString, text);
        QFETCH(QString, anzahl);
        waehle(QStringLiteral("1400"), datei("BILD.ZIP", 1474560));
        box()->setText(text);
        QCOMPARE(label("Label9"), anzahl);
        // The piece size of the next run stays the one of the selection.
        QCOMPARE(fenster->auftrag().Teilgröße, qint64(1433600));
    }

    // A source from the command line or dropped on the window.
    // clang-format off
    void vonAussen_data() {
        QTest::addColumn<QStringList>("dateien");  // "/" ends a folder
        QTest::addColumn<bool>("fallen");          // dropped, not given at start
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("dann");         // a preset, Enter in the box, or nothing
        QTest::addColumn<QStringList>("texte");
        QTest::addColumn<bool>("gewaehlt");
        QTest::newRow("befehlszeileWartet") << QStringList{"a"} << false << "1" << "" << QStringList{} << false;
        QTest::newRow("befehlszeileEnter") << QStringList{"a"} << false << "1" << "enter" << QStringList{} << true;
        QTest::newRow("befehlszeileVorgabe") << QStringList{"a"} << false << "" << "Command6" << QStringList{} << true;
        QTest::newRow("befehlszeileZuKlein") << QStringList{"a"} << false << "" << "Command7"
            << QStringList{"Die ausgewählte Datei ist kleiner als die angegebene Dateigröße. Keine Zerlegung erforderlich."} << false;
        QTest::newRow("fallen") << QStringList{"a"} << true << "1" << "" << QStringList{} << true;
        QTest::newRow("fallenLeereBox") << QStringList{"a"} << true << "" << "" << QStringList{kGroesse} << false;
        QTest::newRow("fallenLeereBoxVorgabe") << QStringList{"a"} << true << "" << "Command5" << QStringList{kGroesse} << true;
        QTest::newRow("ordner") << QStringList{"d/"} << true << "1" << "Command5"
            << QStringList{"Ziehen Sie bitte genau eine Datei auf Zorta."} << false;
        QTest::newRow("zweiDateien") << QStringList{"a", "b"} << true << "1" << "Command5"
            << QStringList{"Ziehen Sie bitte genau eine Datei auf Zorta."} << false;
    }
    // clang-format on
    void vonAussen() {
        QFETCH(QStringList, dateien);
        QFETCH(bool, fallen);
        QFETCH(QString, box);
        QFETCH(QString, dann);
        QFETCH(QStringList, texte);
        QFETCH(bool, gewaehlt);
        QList<QUrl> urls;
        for (const QString& d : dateien) {
            if (d.endsWith(u'/'))
                std::filesystem::create_directory(*tmp / d.toStdString());
            else
                datei(d.toStdString(), 1433600);
            urls << QUrl::fromLocalFile(QString::fromStdString(*tmp / d.toStdString()));
        }
        this->box()->setText(box);
        if (fallen) {
            fenster->gezogen(urls);
        } else {
            fenster->quelleAnbieten(urls[0].toLocalFile(), false);
            QCOMPARE(QApplication::focusWidget(), this->box());
            QVERIFY(label("labelInfo").contains(urls[0].toLocalFile()));
        }
        if (dann == u"enter")
            QTest::keyClick(this->box(), Qt::Key_Return);
        else if (!dann.isEmpty())
            kind<QToolButton>(dann.toUtf8().constData())->click();
        QCOMPARE(meldungstexte(), texte);
        QCOMPARE(fenster->auftrag().Quelldatei,
                 gewaehlt ? urls[0].toLocalFile().toStdString() : std::string());
        QCOMPARE(zortaAn(), gewaehlt);
        QVERIFY(wahl->aufrufe.empty());
    }

    void fehlschlagLaesstDieAnzeigenStehen() {
        const QString ziel = QString::fromStdString(*tmp / "gibt-es-nicht");
        kind<QLabel>("Label4")->setText(ziel);
        waehle(QStringLiteral("1"), datei("BILD.ZIP", 3000));
        int position = -1;
        Meldungen::beiMeldung([&](const Meldungen::Eintrag&) {
            position = kind<QProgressBar>("ProgressBar1")->value();
        });
        schneiden();
        QCOMPARE(meldungstexte(), QStringList{"Fehler #  76\rPfad nicht gefunden"});
        QCOMPARE(position, 0);
        QCOMPARE(label("Label4"), ziel);
        QVERIFY(!label("Label2").isEmpty());
        QVERIFY(label("labelInfo").isEmpty());
        QVERIFY(zortaAn());
    }

    // The cut runs in its own thread; at the first disk prompt the user asks
    // to cancel (or to quit) and answers the question.
    // clang-format off
    void abbrechen_data() {
        QTest::addColumn<QString>("weg");
        QTest::addColumn<int>("antwort");
        QTest::addColumn<bool>("abgebrochen");
        QTest::addColumn<bool>("offen");
        QTest::newRow("durchlauf") << "" << 0 << false << true;
        QTest::newRow("escapeJa") << "escape" << int(QMessageBox::Yes) << true << true;
        QTest::newRow("escapeNein") << "escape" << int(QMessageBox::No) << false << true;
        QTest::newRow("strgBJa") << "strgB" << int(QMessageBox::Yes) << true << false;
        QTest::newRow("schliessfeldJa") << "schliessen" << int(QMessageBox::Yes) << true << false;
        QTest::newRow("schliessfeldNein") << "schliessen" << int(QMessageBox::No) << false << true;
        QTest::newRow("disketteAbbrechen") << "diskette" << int(QMessageBox::Cancel) << true << true;
    }
    // clang-format on
    void abbrechen() {
        QFETCH(QString, weg);
        QFETCH(int, antwort);
        QFETCH(bool, abgebrochen);
        QFETCH(bool, offen);
        seams.medium->wechselbar = true;
        const std::string ziel = auftragAnlegen();
        const bool mitFrage = !weg.isEmpty() && weg != u"diskette";
        const bool mitSperre = !weg.isEmpty();
        bool gefragt = false, gesperrt = false;
        Meldungen::beiMeldung([&](const Meldungen::Eintrag& m) {
            if (m.symbol == QMessageBox::Question)
                gefragt = true;
            if (m.titel != u"Diskette wechseln..." || weg.isEmpty())
                return;
            const QString taste = std::exchange(weg, QString());
            gesperrt = !kind<QWidget>("Frame2")->isEnabled() && !zortaAn() &&
                       label("labelInfo").contains(QStringLiteral("BILD.001"));
            Meldungen::naechsteAntwort(static_cast<QMessageBox::StandardButton>(antwort));
            if (taste == u"diskette")
                return;  // the prompt itself gets the answer
            if (taste == u"escape")
                QTest::keyClick(fenster.get(), Qt::Key_Escape);
            else if (taste == u"strgB")
                QTest::keyClick(fenster.get(), Qt::Key_B, Qt::ControlModifier);
            else
                fenster->close();
        });
        schneiden();
        QCOMPARE(gefragt, mitFrage);
        QCOMPARE(gesperrt, mitSperre);
        QCOMPARE(test::gibtEs(ziel + "/BILD.bat"), !abgebrochen);
        QCOMPARE(test::gibtEs(ziel + "/BILD.001"), true);
        QCOMPARE(test::gibtEs(ziel + "/BILD.002"), !abgebrochen);
        QCOMPARE(label("labelInfo").isEmpty(), !abgebrochen);
        QCOMPARE(meldungstexte().contains(QStringLiteral("Zorta erfolgreich durchgeführt !")),
                 !abgebrochen);
        QVERIFY(!meldungstexte().join(u' ').contains(QStringLiteral("Fehler")));
        QCOMPARE(fenster->isVisible(), offen);
        QVERIFY(kind<QWidget>("Frame2")->isEnabled());
        QCOMPARE(fenster->cursor().shape(), Qt::ArrowCursor);
    }

    // What the window says when a repair's batch interpreter ends.
    // clang-format off
    void reparaturergebnis_data() {
        QTest::addColumn<QString>("datei");
        QTest::addColumn<bool>("beobachten");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("fehlerausgabe");
        QTest::addColumn<QStringList>("erwartet");  // parts of the one message; empty: none
        QTest::newRow("erfolgOhneText") << "BILD.bat" << true << 0 << "" << QStringList{"BILD.ZIP ist wieder zusammengesetzt."};
        QTest::newRow("erfolgMitText") << "BILD.bat" << true << 0 << "BILD.ZIP geprüft.\n" << QStringList{"BILD.ZIP geprüft."};
        QTest::newRow("teilFehlt") << "BILD.bat" << true << 1 << "BILD.002: Datei nicht gefunden\n" << QStringList{"BILD.bat", "BILD.002: Datei nicht gefunden"};
        QTest::newRow("befehlUnbekannt") << "BILD.bat" << true << 2 << "del BILD.ZIP\n" << QStringList{"nicht ausführt", "del BILD.ZIP"};
        QTest::newRow("pruefsummeFalsch") << "BILD.bat" << true << 3 << "" << QStringList{"Prüfsumme", "unverändert"};
        QTest::newRow("signal") << "BILD.bat" << true << -1 << "" << QStringList{"vorzeitig"};
        QTest::newRow("ohneBeobachtung") << "BILD.bat" << false << 0 << "" << QStringList{};
        QTest::newRow("keineBatchdatei") << "liesmich.txt" << true << 5 << "" << QStringList{"Fehler Nr. :  5"};
    }
    // clang-format on
    void reparaturergebnis() {
        QFETCH(QString, datei);
        QFETCH(bool, beobachten);
        QFETCH(int, status);
        QFETCH(QString, fehlerausgabe);
        QFETCH(QStringList, erwartet);
        test::schreibeText(*tmp / "BILD.bat",
                           "@echo off\r\ncopy /b BILD.001 + BILD.002 BILD.ZIP >nul\r\n");
        test::schreibeText(*tmp / "liesmich.txt", "x");
        seams.starter->beobachten = beobachten;
        wahl->antworten.push_back(QString::fromStdString(*tmp / datei.toStdString()));
        kind<QAction>("MNU_Reparatur")->trigger();
        QVERIFY(Meldungen::protokoll().empty() || !seams.starter->beobachtung);
        if (seams.starter->beobachtung)
            seams.starter->beobachtung->beenden(status, fehlerausgabe.toStdString());
        QTest::qWait(50);
        if (erwartet.isEmpty()) {
            QVERIFY(Meldungen::protokoll().empty());
            return;
        }
        QTRY_COMPARE(Meldungen::protokoll().size(), size_t(1));
        for (const QString& teil : erwartet)
            QVERIFY2(Meldungen::protokoll()[0].text.contains(teil),
                     qPrintable(Meldungen::protokoll()[0].text));
        QCOMPARE(Meldungen::protokoll()[0].symbol == QMessageBox::Information, status == 0);
    }

    void reparaturEinstellungenBleibenStehen() {
        const QString batch = QString::fromStdString(*tmp / "BILD.bat");
        test::schreibeText(batch.toStdString(), "@echo off\r\n");
        wahl->antworten.push_back(batch);
        kind<QAction>("MNU_Reparatur")->trigger();
        QCOMPARE(seams.starter->auftraege.size(), size_t(1));
        QCOMPARE(seams.starter->auftraege[0].argumente,
                 std::vector<std::string>{batch.toStdString()});
        // The next source selection shows the batch filter and the batch file.
        box()->setText(QStringLiteral("1"));
        fenster->MNU_Auswählen_Click();
        QCOMPARE(wahl->aufrufe.back().filter, wahl->aufrufe.front().filter);
        QCOMPARE(wahl->aufrufe.back().dateiname, batch);
    }

    // Cut through the window, then repair with the real launcher and interpreter.
    void schneidenUndReparieren() {
        auto echt = test::testUmgebung();
        echt.umgebung.starter = std::make_unique<PosixStarter>();
        echt.umgebung.interpreter = ZORTA_BATCH_PFAD;
        fensterMit(std::move(echt));
        const std::string ziel = *tmp / "ziel";
        std::filesystem::create_directory(ziel);
        kind<QLabel>("Label4")->setText(QString::fromStdString(ziel));
        const QString quelle = datei("BILD.ZIP", 3'000'000);
        waehle(QStringLiteral("1400"), quelle);
        box()->setText(QStringLiteral("1200"));  // does not change the run
        schneiden();
        QCOMPARE(meldungstexte(), QStringList{"Zorta erfolgreich durchgeführt !"});
        QCOMPARE(std::filesystem::file_size(ziel + "/BILD.001"), 1433600u);
        for (const char* n : {"Label2", "Label4", "Label6", "Label9", "labelInfo"}) {
            QVERIFY2(label(n).isEmpty(), n);
        }
        QVERIFY(!zortaAn());
        QCOMPARE(fenster->cursor().shape(), Qt::ArrowCursor);

        wahl->antworten.push_back(QString::fromStdString(ziel + "/BILD.bat"));
        kind<QAction>("MNU_Reparatur")->trigger();
        const std::string joined = ziel + "/BILD.ZIP";
        QTRY_VERIFY_WITH_TIMEOUT(
            std::filesystem::exists(joined) && std::filesystem::file_size(joined) == 3'000'000u,
            10000);
        QVERIFY(test::lies(joined) == test::lies(quelle.toStdString()));
        QVERIFY(!meldungstexte().join(u' ').contains(QStringLiteral("Fehler")));
    }
};

QTEST_MAIN(ZortaFormularTest)
#include "ZortaFormularTest.moc"
