#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>

#include "UiTesthilfen.h"
#include "Zerlegung.h"
#include "ZortaFormular.h"

using namespace zorta;

namespace {
// clang-format off
const QString kGroesse = QStringLiteral("Geben Sie bitte eine gültige Dateigröße an!");
const QString kEineDatei = QStringLiteral("Ziehen Sie bitte genau eine Datei auf Zorta.");
const QString kKleiner = QStringLiteral("Die ausgewählte Datei ist kleiner als die angegebene Dateigröße. Keine Zerlegung erforderlich.");
const QString kErfolg = QStringLiteral("Zorta erfolgreich durchgeführt !");

// One row each; see the _data functions.
struct Taste { QString getippt; int taste, modifikator; QString ergebnis; };
struct Quelle { QString locale, groesse; qint64 teil, laenge; QString kbyte, stuecke, box, danach; };
struct Ablehnung { QString groesse, wahl, meldung; };
struct Aussen { QStringList dateien; bool fallen; QString box, dann; QStringList texte; bool gewaehlt; };
struct Abbruch { QString weg; int antwort; bool abgebrochen, offen; };
struct Reparatur { QString schaden, batch; QStringList erwartet; bool erfolg; };
// clang-format on
}  // namespace

class ZortaFormularTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ZortaFormular> fenster;
    test::FakeDateiwahl* wahl = nullptr;
    test::FakeWechselmedium* medium = nullptr;
    std::unique_ptr<test::Testordner> tmp;
    std::string ziel;  // the target folder of a cut

    template <typename T = QWidget>
    T* kind(const char* name) {
        return test::kind<T>(fenster.get(), name);
    }
    QString label(const char* name) { return kind<QLabel>(name)->text(); }
    QStringList labels() { return {label("Label2"), label("Label6"), label("Label9")}; }
    QLineEdit* box() { return kind<QLineEdit>("textDateigröße"); }
    // "Zorta" can be started, by button and menu.
    bool an() { return kind("Command1")->isEnabled() && kind<QAction>("MNU_Zorta")->isEnabled(); }
    // Large files are sparse.
    QString datei(const std::string& name, std::int64_t laenge) {
        const std::string pfad = *tmp / name;
        test::schreibeLueckenhaft(pfad, laenge, {{0, laenge > (64 << 20) ? 0 : laenge}});
        return QString::fromStdString(pfad);
    }
    // Types the piece size and chooses `pfad` in the (fake) dialog.
    void waehle(const QString& groesse, const QString& pfad) {
        box()->setText(groesse);
        wahl->antwort = pfad;
        fenster->MNU_Auswählen_Click();
    }
    // Starts cutting BILD.ZIP into `ziel`; schneiden() also waits for the run's thread to end.
    void starten(const QString& groesse, std::int64_t laenge) {
        kind<QLabel>("Label4")->setText(QString::fromStdString(ziel));
        waehle(groesse, datei("BILD.ZIP", laenge));
        kind<QToolButton>("Command1")->click();
    }
    void schneiden(const QString& groesse, std::int64_t laenge) {
        starten(groesse, laenge);
        QTRY_VERIFY_WITH_TIMEOUT(!fenster->laeuft(), 20000);
    }

  private slots:
    void init() {
        Meldungen::testmodus(true);
        Meldungen::zuruecksetzen();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        tmp = std::make_unique<test::Testordner>();
        fs::create_directory(ziel = *tmp / "ziel");
        // A window on the real file system, launcher and interpreter; the test
        // decides whether the target is removable.
        Umgebung u = Umgebung::echt({});
        u.wechselmedium.reset(medium = new test::FakeWechselmedium);
        u.registrierung = std::make_unique<SpeicherRegistrierung>();
        u.interpreter = ZORTA_BATCH_PFAD;
        fenster = std::make_unique<ZortaFormular>(std::move(u));
        fenster->cmdStandarddialog().setzeWahl(
            std::unique_ptr<Dateiwahl>(wahl = new test::FakeDateiwahl));
        fenster->show();
        QVERIFY(QTest::qWaitForWindowExposed(fenster.get()));
    }

    void cleanup() {
        Meldungen::naechsteAntwort(QMessageBox::Yes);
        fenster.reset();
    }

    void tasten() {
        // Enter on a focused button clicks it.
        kind("Command5")->setFocus();
        QTest::keyClick(kind("Command5"), Qt::Key_Return);
        QCOMPARE(box()->text(), QStringLiteral("1400"));
        // Ctrl+S is off without a source; Ctrl+A reaches the window from the box.
        QTest::keyClick(box(), Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(box(), Qt::Key_A, Qt::ControlModifier);
        QVERIFY(Meldungen::protokoll().empty() && wahl->aufrufe == 1);
    }

    // A key pressed after typing, with the cursor after the first digit.
    // clang-format off
    void tastenfilter_data() {
        QTest::addColumn<Taste>("f");
        QTest::newRow("anderes") << Taste{"01a2.3,4-5 6", 0, 0, "0123456"};
        // X11 sends Delete with the character 0x7F.
        QTest::newRow("entf") << Taste{"123", Qt::Key_Delete, 0, "13"};
        QTest::newRow("entfBlock") << Taste{"123", Qt::Key_Delete, Qt::KeypadModifier, "13"};
        QTest::newRow("rueck") << Taste{"123", Qt::Key_Backspace, 0, "23"};
    }
    // clang-format on
    void tastenfilter() {
        QFETCH(Taste, f);
        box()->setFocus();
        QTest::keyClicks(box(), f.getippt);
        box()->setCursorPosition(1);
        const QString zeichen = f.taste == Qt::Key_Delete ? QString(QChar(0x7f)) : QString();
        QKeyEvent druck(QEvent::KeyPress, f.taste, Qt::KeyboardModifiers(f.modifikator), zeichen);
        if (f.taste != 0)
            QApplication::sendEvent(box(), &druck);
        QCOMPARE(box()->text(), f.ergebnis);
    }

    // The piece size in the box and the figures of a chosen source; typing
    // `box` afterwards recounts the pieces (`danach`) without changing the job.
    // clang-format off
    void quellwahl_data() {
        QTest::addColumn<Quelle>("f");
        QTest::newRow("disketteUndRest") << Quelle{"de_DE", "1400", 1433600, 1474560, "1474,56", "2", "1200", "2"};
        QTest::newRow("zweiMillionen") << Quelle{"de_DE", "1400", 1433600, 2000000, "2000", "2", "100", "20"};
        QTest::newRow("englisch") << Quelle{"en_US", "1400", 1433600, 1474560, "1474.56", "2", "12abc", "120"};
        QTest::newRow("fuenfGibibyte") << Quelle{"de_DE", "1400", 1433600, 5LL << 30, "5368709,12", "3745", "99999999", "1"};
        QTest::newRow("mitBuchstaben") << Quelle{"de_DE", " 1 2abc", 12288, 24576, "24,576", "2", "", ""};
        QTest::newRow("dezimalpunkt") << Quelle{"de_DE", "01.5", 1536, 3072, "3,072", "2", "", ""};
        QTest::newRow("eineinhalbBytes") << Quelle{"de_DE", "0.00146484375", 2, 3, "0,003", "2", "", ""};
        QTest::newRow("ueber32Bit") << Quelle{"de_DE", "2097152", 2147483648, 3LL << 30, "3221225,472", "2", "", ""};
    }
    // clang-format on
    void quellwahl() {
        QFETCH(Quelle, f);
        QLocale::setDefault(QLocale(f.locale));
        const QString pfad = datei("BILD.ZIP", f.laenge);
        waehle(f.groesse, pfad);
        QVERIFY(Meldungen::protokoll().empty() && an());
        QCOMPARE(labels(), (QStringList{pfad, f.kbyte, f.stuecke}));
        const Auftrag vorher = fenster->auftrag();
        QVERIFY(vorher.Quelldatei == pfad.toStdString() && vorher.Quellgröße == f.laenge &&
                vorher.Teilgröße == f.teil);
        box()->setText(f.box);
        QCOMPARE(label("Label9"), f.danach);
        QCOMPARE(fenster->auftrag().Teilgröße, vorher.Teilgröße);
    }

    // A refused or cancelled selection keeps the job and the displays; an
    // invalid size is refused before the dialog, and the box gets the focus.
    // clang-format off
    void ablehnungLaesstDenAuftragStehen_data() {
        QTest::addColumn<Ablehnung>("f");  // wahl "": cancelled
        QTest::newRow("zuKlein") << Ablehnung{"1400", "klein", kKleiner};
        QTest::newRow("abgebrochen") << Ablehnung{"1", "", ""};
        QTest::newRow("verschwunden") << Ablehnung{"1", "weg", "Die ausgewählte Datei kann nicht gelesen werden."};
        QTest::newRow("leer") << Ablehnung{"", "klein", kGroesse};
        QTest::newRow("halbesByte") << Ablehnung{"0.00048828125", "klein", kGroesse};  // rounds to even
        QTest::newRow("zuGross") << Ablehnung{"1e20", "klein", kGroesse};
    }
    // clang-format on
    void ablehnungLaesstDenAuftragStehen() {
        QFETCH(Ablehnung, f);
        waehle(QStringLiteral("1"), datei("a", 5000));
        const Auftrag vorher = fenster->auftrag();
        const QStringList angezeigt = labels();
        datei("klein", 1433599);
        waehle(f.groesse,
               f.wahl.isEmpty() ? QString() : QString::fromStdString(*tmp / f.wahl.toStdString()));
        QCOMPARE(test::meldungstexte(),
                 f.meldung.isEmpty() ? QStringList{} : QStringList{f.meldung});
        QCOMPARE(wahl->aufrufe, f.meldung == kGroesse ? 1 : 2);
        QVERIFY(f.meldung != kGroesse || QApplication::focusWidget() == box());
        const Auftrag& a = fenster->auftrag();
        QVERIFY(a.Quelldatei == vorher.Quelldatei && a.Quellgröße == vorher.Quellgröße &&
                a.Teilgröße == vorher.Teilgröße && an());
        QCOMPARE(labels().mid(0, 2), angezeigt.mid(0, 2));  // the count follows the box
    }

    // A source from the command line or dropped on the window (`fallen`);
    // then a preset, Enter in the box, or nothing (`dann`).
    // clang-format off
    void vonAussen_data() {
        QTest::addColumn<Aussen>("f");
        QTest::newRow("befehlszeileWartet") << Aussen{{"a"}, false, "1", "", {}, false};
        QTest::newRow("befehlszeileEnter") << Aussen{{"a"}, false, "1", "enter", {}, true};
        QTest::newRow("befehlszeileVorgabe") << Aussen{{"a"}, false, "", "Command6", {}, true};
        QTest::newRow("befehlszeileZuKlein") << Aussen{{"a"}, false, "", "Command7", {kKleiner}, false};
        QTest::newRow("befehlszeileGetippt") << Aussen{{"a"}, false, "", "tippen", {}, true};
        QTest::newRow("fallen") << Aussen{{"a"}, true, "1", "", {}, true};
        QTest::newRow("fallenLeereBox") << Aussen{{"a"}, true, "", "", {kGroesse}, false};
        QTest::newRow("fallenLeereBoxVorgabe") << Aussen{{"a"}, true, "", "Command5", {kGroesse}, true};
        QTest::newRow("ordner") << Aussen{{"ziel"}, true, "1", "Command5", {kEineDatei}, false};
        QTest::newRow("zweiDateien") << Aussen{{"a", "b"}, true, "1", "Command5", {kEineDatei}, false};
    }
    // clang-format on
    void vonAussen() {
        QFETCH(Aussen, f);
        datei("a", 1433600), datei("b", 1433600);
        QList<QUrl> urls;
        for (const QString& d : f.dateien)
            urls << QUrl::fromLocalFile(QString::fromStdString(*tmp / d.toStdString()));
        box()->setText(f.box);
        if (f.fallen) {
            fenster->gezogen(urls);
        } else {
            fenster->quelleAnbieten(urls[0].toLocalFile(), false);
            QCOMPARE(QApplication::focusWidget(), box());
            QVERIFY(label("labelInfo").contains(urls[0].toLocalFile()));
        }
        if (f.dann == u"enter") {
            QTest::keyClick(box(), Qt::Key_Return);
        } else if (f.dann == u"tippen") {
            QTest::keyClicks(box(), QStringLiteral("1"));
            QTest::qWait(1000);  // typing has paused
        } else if (!f.dann.isEmpty()) {
            kind<QToolButton>(f.dann.toUtf8().constData())->click();
        }
        QCOMPARE(test::meldungstexte(), f.texte);
        QCOMPARE(fenster->auftrag().Quelldatei,
                 f.gewaehlt ? urls[0].toLocalFile().toStdString() : "");
        QVERIFY(an() == f.gewaehlt && wahl->aufrufe == 0);
    }

    // The real dialog lists batch files in any case, and offers the file
    // chosen last only where the filter lists it. Before any test that ends
    // the program: an event loop does not start after that.
    void reparaturdialog_data() {
        QTest::addColumn<QString>("zuletzt");
        QTest::newRow("quelle") << "zufall.bin";
        QTest::newRow("batchdatei") << "BILD.BAT";
    }
    void reparaturdialog() {
        QFETCH(QString, zuletzt);
        test::schreibeText(*tmp / "BILD.BAT", "x"), datei("zufall.bin", 1);
        Standarddialog d;
        d.Filter = QStringLiteral("Batchdateien (*.bat)|*.bat");
        d.FileName = QString::fromStdString(*tmp / zuletzt.toStdString());
        QStringList liste;
        QTimer warten;
        QObject::connect(&warten, &QTimer::timeout, &warten, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                warten.stop();
                QTest::qWait(500);
                auto* ansicht = test::kind<QListView>(dialog, "listView");
                for (int i = 0; i < ansicht->model()->rowCount(ansicht->rootIndex()); ++i)
                    liste << ansicht->model()->index(i, 0, ansicht->rootIndex()).data().toString();
                liste << test::kind<QLineEdit>(dialog, "fileNameEdit")->text();
                dialog->reject();
            }
        });
        warten.start(50);
        (void)d.ShowOpen(nullptr);
        QCOMPARE(liste, (QStringList{"ziel", "BILD.BAT", zuletzt.endsWith(".BAT") ? zuletzt : ""}));
    }

    // The cut runs in its own thread; at the first disk prompt the user asks
    // to cancel (or to quit) and answers the question.
    // clang-format off
    void abbrechen_data() {
        QTest::addColumn<Abbruch>("f");
        QTest::newRow("durchlauf") << Abbruch{"", 0, false, true};
        QTest::newRow("escapeJa") << Abbruch{"escape", QMessageBox::Yes, true, true};
        QTest::newRow("strgBJa") << Abbruch{"strgB", QMessageBox::Yes, true, false};
        QTest::newRow("schliessfeldJa") << Abbruch{"schliessen", QMessageBox::Yes, true, false};
        // the prompt itself gets the answer
        QTest::newRow("disketteAbbrechen") << Abbruch{"diskette", QMessageBox::Cancel, true, true};
        // closed at the success message; the run ends while the question is open
        QTest::newRow("spaetJa") << Abbruch{"spaet", QMessageBox::Yes, false, false};
        QTest::newRow("spaetNein") << Abbruch{"spaet", QMessageBox::No, false, true};
    }
    // clang-format on
    void abbrechen() {
        QFETCH(Abbruch, f);
        medium->wechselbar = true;
        QString weg = f.weg;
        const bool spaet = weg == u"spaet";
        bool gefragt = false, gesperrt = false, stimmig = true;
        Meldungen::beiMeldung([&](const Meldungen::Eintrag& m) {
            gefragt = gefragt || m.symbol == QMessageBox::Question;
            if (spaet && m.titel == u"Zorta abbrechen") {
                QTRY_VERIFY(!fenster->laeuft());
                Meldungen::naechsteAntwort(static_cast<QMessageBox::StandardButton>(f.antwort));
            }
            if (m.titel != u"Diskette wechseln..." && !(spaet && m.text == kErfolg))
                return;
            // Bar and status line tell of the same piece, of three.
            const int nr = QRegularExpression(QStringLiteral("BILD\\.(\\d+)"))
                               .match(label("labelInfo"))
                               .captured(1)
                               .toInt();
            const int balken = kind<QProgressBar>("ProgressBar1")->value();
            stimmig = stimmig && (m.text == kErfolg || balken == qRound(100.0 * nr / 3));
            if (weg.isEmpty() || spaet != (m.text == kErfolg))
                return;
            const QString taste = std::exchange(weg, QString());
            gesperrt = !kind("Frame2")->isEnabled() && !an() && nr == 1 && balken > 0;
            Meldungen::naechsteAntwort(static_cast<QMessageBox::StandardButton>(f.antwort));
            if (taste == u"escape")
                QTest::keyClick(fenster.get(), Qt::Key_Escape);
            else if (taste == u"strgB")
                QTest::keyClick(fenster.get(), Qt::Key_B, Qt::ControlModifier);
            else if (taste == u"schliessen")
                fenster->close();
            else if (spaet)  // once the box is answered
                QMetaObject::invokeMethod(
                    fenster.get(), [&] { fenster->close(); }, Qt::QueuedConnection);
        });
        schneiden(QStringLiteral("1"), 3000);
        // Complete pieces stay; no batch file describes a cancelled cut.
        const bool fertig = !f.abgebrochen, gewollt = !f.weg.isEmpty();
        QCOMPARE(
            (QList<bool>{gefragt, gesperrt, fs::exists(ziel + "/BILD.bat"),
                         fs::exists(ziel + "/BILD.001"), fs::exists(ziel + "/BILD.002"),
                         label("labelInfo") == QString::fromUtf8(fertig ? "" : texte::Abgebrochen),
                         test::meldungstexte().contains(kErfolg), fenster->isVisible(), stimmig}),
            (QList<bool>{gewollt && f.weg != u"diskette", gewollt && !spaet, fertig, true, fertig,
                         true, fertig, f.offen, true}));
        QVERIFY(!test::meldungstexte().join(u' ').contains(QStringLiteral("Fehler")));
        if (f.abgebrochen && f.offen) {  // the next run is not cancelled by the last one
            kind<QToolButton>("Command1")->click();
            QTRY_VERIFY_WITH_TIMEOUT(!fenster->laeuft(), 20000);
            QVERIFY(fs::exists(ziel + "/BILD.bat") && stimmig);
        }
        if (spaet && f.offen) {  // the next close asks as always
            Meldungen::zuruecksetzen();
            fenster->close();
            QVERIFY(test::meldungstexte().contains("Wollen Sie Velmorix Zorta wirklich beenden ?"));
        }
        QVERIFY(kind("Frame2")->isEnabled() && fenster->cursor().shape() == Qt::ArrowCursor);
    }

    // While the cancel question is open the run adds no piece; "Nein" goes
    // on, the second question's "Ja" cancels.
    void frageHaeltAn_data() {
        QTest::addColumn<bool>("schliessen");
        QTest::newRow("escape") << false;
        QTest::newRow("schliessfeld") << true;
    }
    void frageHaeltAn() {
        QFETCH(bool, schliessen);
        auto stuecke = [&] { return test::namenIn(ziel).size(); };
        std::vector<std::size_t> n;  // at each question, and 300 ms later
        Meldungen::beiMeldung([&](const Meldungen::Eintrag&) {
            QTest::qWait(100);  // the piece begun meanwhile
            n.push_back(stuecke());
            QTest::qWait(300);
            n.push_back(stuecke());
            Meldungen::naechsteAntwort(n.size() == 2 ? QMessageBox::No : QMessageBox::Yes);
        });
        starten(QStringLiteral("64"), 256 << 20);  // 4096 pieces
        for (int i = 0; i < 2; ++i) {
            const std::size_t bisher = stuecke();
            QTRY_VERIFY(stuecke() > bisher + 2);
            schliessen ? (void)fenster->close() : QTest::keyClick(fenster.get(), Qt::Key_Escape);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!fenster->laeuft(), 20000);
        QVERIFY(n.size() == 4 && n[0] == n[1] && n[2] == n[3] && n[2] > n[1]);
        QVERIFY(!fs::exists(ziel + "/BILD.bat") && fenster->isVisible() == !schliessen);
    }

    // Cut through the window, harm the pieces (a shell command), put an older
    // BILD.ZIP beside them, then "&Reparatur" with the real launcher: the
    // window shows the interpreter's result lines, and a failed join leaves the
    // older file as it was. Some rows choose another batch file.
    // clang-format off
    void schneidenUndReparieren_data() {
        QTest::addColumn<Reparatur>("f");  // batch: "" for BILD.bat; erwartet: parts of the one message
        const QString pruefsumme = "Prüfsumme falsch: BILD.ZIP stimmt nicht mit BILD.sha256 überein";
        QTest::newRow("heil") << Reparatur{"", "", {"BILD.ZIP wurde zusammengesetzt, die Prüfsumme stimmt."}, true};
        QTest::newRow("fehlt") << Reparatur{"rm BILD.002", "", {"Teil „BILD.002“ fehlt – BILD.ZIP wurde nicht zusammengesetzt."}, false};
        // Byte 2,867,277 of the source is 0xba: the flip makes it 0xbe. With
        // a line per piece the damaged one is named.
        QTest::newRow("bitGekippt") << Reparatur{"sha256sum BILD.00? >> BILD.sha256 && printf '\\276' | dd of=BILD.003 bs=1 seek=77 conv=notrunc status=none", "", {"BILD.bat: ", pruefsumme, "\nTeil „BILD.003“ ist beschädigt."}, false};
        QTest::newRow("pruefdateiOrdner") << Reparatur{"rm BILD.sha256 && mkdir BILD.sha256", "", {"BILD.bat: Die Prüfsummendatei daneben ist unbrauchbar", "BILD.sha256 ist unbrauchbar (keine gewöhnliche Datei)"}, false};
        // The result lines of the whole run.
        QTest::newRow("zweiterTeilFehlt") << Reparatur{"printf 'copy /b BILD.001 A.ZIP\\r\\ncopy /b B.001 B.ZIP\\r\\n' > A.bat", "A.bat", {"A.bat: ", "Teil „B.001“ fehlt"}, false};
        QTest::newRow("befehlUnbekannt") << Reparatur{"printf 'del BILD.ZIP\\r\\n' > A.bat", "A.bat", {"A.bat enthält einen Befehl, den Zorta nicht ausführt", "Zeile 1"}, false};
        // Another program's end means nothing to the window.
        QTest::newRow("anderesProgramm") << Reparatur{"printf '#!/bin/sh\\nexit 3\\n' > werkzeug && chmod 755 werkzeug", "werkzeug", {}, false};
        QTest::newRow("keineBatchdatei") << Reparatur{"echo x > liesmich.txt", "liesmich.txt", {"Fehler Nr. :  5"}, false};
    }
    // clang-format on
    void schneidenUndReparieren() {
        QFETCH(Reparatur, f);
        schneiden(QStringLiteral("1400"), 3'000'000);
        box()->setText(QStringLiteral("1200"));  // does not change the run
        QCOMPARE(fs::file_size(ziel + "/BILD.001"), 1433600u);
        QCOMPARE(labels() << label("Label4"), QStringList(4, ""));  // a done job is cleared
        QVERIFY(!an());

        const std::string quelle = test::lies(*tmp / "BILD.ZIP"), alt = "älteres Original";
        QVERIFY(f.schaden.isEmpty() || test::imOrdner(ziel, f.schaden.toStdString(), "") == 0);
        test::schreibeText(ziel + "/BILD.ZIP", alt);
        Meldungen::zuruecksetzen();
        wahl->antwort =
            QString::fromStdString(ziel + "/") + (f.batch.isEmpty() ? "BILD.bat" : f.batch);
        kind<QAction>("MNU_Reparatur")->trigger();
        QTest::qWait(f.erwartet.isEmpty() ? 500 : 0);  // a program without a message ends meanwhile
        QTRY_COMPARE_WITH_TIMEOUT(test::meldungstexte().size(), f.erwartet.isEmpty() ? 0 : 1,
                                  10000);
        for (const QString& t : f.erwartet)
            QVERIFY2(test::meldungstexte()[0].contains(t), qPrintable(test::meldungstexte()[0]));
        QVERIFY(f.erwartet.isEmpty() ||
                (Meldungen::protokoll()[0].symbol == QMessageBox::Information) == f.erfolg);
        QVERIFY(test::lies(ziel + "/BILD.ZIP") == (f.erfolg ? quelle : alt));
    }
};

QTEST_MAIN(ZortaFormularTest)
#include "ZortaFormularTest.moc"
