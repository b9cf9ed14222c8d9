#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "Meldungen.h"
#include "UiTesthilfen.h"
#include "ZortaFormular.h"
#include "frmZielBox.h"

using namespace zorta;

class ZielBoxTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<test::Testordner> tmp;
    QString wurzel;  // the test folder
    QPointer<frmZielBox> box;
    QStringList ziele;  // what OK wrote into Label4
    QString vorher;

    template <typename T>
    T* kind(const char* name) {
        return test::kind<T>(box.data(), name);
    }
    Verzeichnisliste* liste() { return kind<Verzeichnisliste>("Verzeichnis1"); }
    int zeile(const QString& pfad) {
        for (int i = 0; i < liste()->count(); ++i) {
            if (liste()->item(i)->data(Qt::UserRole).toString() == pfad)
                return i;
        }
        return -1;
    }
    void schliessen() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  private slots:
    void init() {
        Meldungen::testmodus(true);
        Meldungen::zuruecksetzen();
        tmp = std::make_unique<test::Testordner>();
        wurzel = QString::fromStdString(tmp->pfad());
        for (const char* d : {"a/b", "a/c/tief", "a/.versteckt"}) {
            std::filesystem::create_directories(*tmp / d);
        }
        vorher = QDir::currentPath();
        QDir::setCurrent(wurzel + "/a");
        ziele.clear();
        box = new frmZielBox([this](const QString& p) { ziele << p; }, nullptr,
                             {{"/ (Dateisystem)", "/"},
                              {"Test", tmp->pfad()},
                              {"Ohne Medium", tmp->pfad() + "/kein-medium"}});
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.data()));
    }

    void cleanup() {
        delete box.data();
        QDir::setCurrent(vorher);
        tmp.reset();
    }

    void startetImAktuellenOrdner() {
        QCOMPARE(liste()->pfad(), wurzel + "/a");
        QCOMPARE(kind<QComboBox>("Laufwerk1")->currentIndex(), 1);
        QStringList namen;
        for (int i = 0; i < liste()->count(); ++i) namen << liste()->item(i)->text();
        const QStringList teile = wurzel.split(u'/', Qt::SkipEmptyParts);
        const QStringList erwartet = QStringList{"/"} + teile + QStringList{"a", "b", "c"};
        QCOMPARE(namen, erwartet);
        QCOMPARE(liste()->currentRow(), zeile(wurzel + "/a"));
        // Typing a letter finds a folder by its name.
        liste()->setFocus();
        QTest::keyClick(liste(), Qt::Key_C);
        QCOMPARE(liste()->currentRow(), zeile(wurzel + "/a/c"));
    }

    // clang-format off
    void neuerOrdner_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("angelegt");
        QTest::newRow("neu") << "neu" << true;
        QTest::newRow("vorhanden") << "b" << false;
        QTest::newRow("mitSchraegstrich") << "x/y" << false;
    }
    // clang-format on
    void neuerOrdner() {
        QFETCH(QString, name);
        QFETCH(bool, angelegt);
        const QSize groesse = box->size();
        liste()->ordnernameFragen = [name] { return std::optional<QString>(name); };
        QTimer::singleShot(0, [] {
            auto* menue = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menue != nullptr);
            QCOMPARE(menue->actions().size(), 1);
            menue->actions().first()->trigger();
            menue->close();
        });
        emit liste()->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(liste()->currentRow(), zeile(wurzel + (angelegt ? "/a/" + name : "/a")));
        QCOMPARE(Meldungen::protokoll().size(), size_t(angelegt ? 0 : 1));
        QCOMPARE(liste()->pfad(), wurzel + "/a");
        QCOMPARE(box->size(), groesse);
    }

    void klickMarkiertNurOkNimmtDenOffenenOrdner() {
        QListWidgetItem* b = liste()->item(zeile(wurzel + "/a/b"));
        QTest::mouseClick(liste()->viewport(), Qt::LeftButton, {},
                          liste()->visualItemRect(b).center());
        QCOMPARE(liste()->currentItem(), b);
        QCOMPARE(liste()->pfad(), wurzel + "/a");
        // Neither button is the default; Enter on the focused OK clicks it.
        QVERIFY(!kind<QPushButton>("Command1")->isDefault());
        kind<QPushButton>("Command2")->setFocus();
        QTest::keyClick(kind<QPushButton>("Command2"), Qt::Key_Return);
        QCOMPARE(ziele, QStringList{wurzel + "/a"});
        schliessen();
        QVERIFY(box.isNull());
    }

    // clang-format off
    void enterOeffnetDenMarkiertenOrdner_data() {
        QTest::addColumn<QString>("ziel");
        QTest::newRow("unterordner") << "/a/c";
        QTest::newRow("vorfahr") << "";
        QTest::newRow("offenerOrdner") << "/a";
        QTest::newRow("wurzel") << "/";
    }
    // clang-format on
    void enterOeffnetDenMarkiertenOrdner() {
        QFETCH(QString, ziel);
        liste()->setFocus();
        const QString pfad = ziel == u"/" ? ziel : wurzel + ziel;
        liste()->setCurrentRow(zeile(pfad));
        QTest::keyClick(liste(), Qt::Key_Return);
        QCOMPARE(liste()->pfad(), pfad);
        QVERIFY(box->isVisible());  // Enter never closes the chooser
        kind<QPushButton>("Command2")->click();
        QCOMPARE(ziele, QStringList{pfad});
    }

    void ordnerDerNichtGeoeffnetWerdenKann() {
        const int b = zeile(wurzel + "/a/b");
        std::filesystem::remove(*tmp / "a/b");
        liste()->setCurrentRow(b);
        liste()->setFocus();
        QTest::keyClick(liste(), Qt::Key_Return);
        QCOMPARE(liste()->pfad(), wurzel + "/a");
        QVERIFY(Meldungen::protokoll().empty());
        // Still usable.
        liste()->setCurrentRow(zeile(wurzel + "/a/c"));
        QTest::keyClick(liste(), Qt::Key_Return);
        QCOMPARE(liste()->pfad(), wurzel + "/a/c");
    }

    void laufwerkWechseln() {
        auto* lw = kind<QComboBox>("Laufwerk1");
        lw->setCurrentIndex(2);  // a drive without a medium
        box->Laufwerk1_Change();
        QCOMPARE(liste()->pfad(), wurzel + "/a");
        lw->setCurrentIndex(0);
        box->Laufwerk1_Change();
        QCOMPARE(liste()->pfad(), QStringLiteral("/"));
        QVERIFY(Meldungen::protokoll().empty());
    }

    // clang-format off
    void auswegeLassenDasZielStehen_data() {
        QTest::addColumn<QString>("weg");
        QTest::newRow("abbrechen") << "Command1";
        QTest::newRow("enterAbbrechen") << "enter:Command1";
        QTest::newRow("escapeLaufwerk") << "escape:Laufwerk1";
        QTest::newRow("escapeListe") << "escape:Verzeichnis1";
        QTest::newRow("escapeAbbrechen") << "escape:Command1";
        QTest::newRow("escapeOk") << "escape:Command2";
        QTest::newRow("schliessfeld") << "close";
    }
    // clang-format on
    void auswegeLassenDasZielStehen() {
        QFETCH(QString, weg);
        if (weg == u"Command1") {
            kind<QPushButton>("Command1")->click();
        } else if (weg == u"close") {
            box->close();
        } else if (weg.startsWith(u"enter:")) {
            QWidget* w = kind<QWidget>(weg.mid(6).toUtf8().constData());
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Return);
        } else {
            QWidget* w = kind<QWidget>(weg.mid(7).toUtf8().constData());
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Escape);
        }
        schliessen();
        QVERIFY(box.isNull());
        QVERIFY(ziele.isEmpty());
    }

    void ausDemHauptfensterModal() {
        auto seams = test::testUmgebung();
        ZortaFormular haupt(std::move(seams.umgebung));
        haupt.findChild<QLabel*>("Label4")->setText(QStringLiteral("/alt"));
        bool gesehen = false;
        QTimer::singleShot(0, [&] {
            auto* modal = qobject_cast<frmZielBox*>(QApplication::activeModalWidget());
            QVERIFY(modal != nullptr);
            gesehen = true;
            modal->findChild<QPushButton*>("Command2")->click();
        });
        haupt.Command4_Click();
        QVERIFY(gesehen);
        // Starts at the current folder, not at the folder in Label4.
        QCOMPARE(haupt.findChild<QLabel*>("Label4")->text(), wurzel + "/a");
        Meldungen::naechsteAntwort(QMessageBox::Yes);
    }
};

QTEST_MAIN(ZielBoxTest)
#include "ZielBoxTest.moc"
