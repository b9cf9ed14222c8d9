#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "UiTesthilfen.h"
#include "frmZielBox.h"

using namespace zorta;
// clang-format off
struct Weg { QString markiert, steuerelement; int taste; QString ziel; };
// clang-format on

class ZielBoxTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Testordner> tmp;
    QString wurzel, vorher;
    QPointer<frmZielBox> box;
    test::FakeWechselmedium medium;
    QStringList ziele;  // what OK handed to the main window

    Verzeichnisliste* liste() { return test::kind<Verzeichnisliste>(box, "Verzeichnis1"); }
    // "/" is the root, other paths lie below the test folder.
    QString pfad(const QString& p) { return p == u"/" ? p : wurzel + p; }
    int zeile(const QString& p) {
        const auto* m = liste()->model();
        const auto treffer = m->match(m->index(0, 0), Qt::UserRole, pfad(p), 1, Qt::MatchExactly);
        return treffer.isEmpty() ? -1 : treffer[0].row();
    }

  private slots:
    void init() {
        Meldungen::testmodus(true);
        Meldungen::zuruecksetzen();
        tmp = std::make_unique<test::Testordner>();
        wurzel = QString::fromStdString(tmp->pfad());
        for (const char* d : {"a/b", "a/c/tief", "a/.versteckt", "a/Bach", "a/Ähre"})
            fs::create_directories(*tmp / d);
        vorher = QDir::currentPath();
        QDir::setCurrent(pfad("/a"));
        ziele.clear();
        medium.laufwerkliste = {
            {"/", "/"}, {"Test", tmp->pfad()}, {"Ohne Medium", *tmp / "nichts"}};
        box = new frmZielBox([this](const QString& p) { ziele << p; }, medium);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.data()));
    }

    void cleanup() {
        delete box.data();
        QDir::setCurrent(vorher);
    }

    // The current folder is open: its ancestors and visible subfolders are
    // listed, these in the order of a German dictionary (case and umlauts
    // do not part names); typing a letter finds a folder by its name.
    void startetImAktuellenOrdner() {
        QString namen;  // the first row is the root
        for (int i = 1; i < liste()->count(); ++i) namen += "/" + liste()->item(i)->text();
        QCOMPARE(namen, wurzel + "/a/Ähre/b/Bach/c");
        QCOMPARE(liste()->currentRow(), zeile("/a"));
        liste()->setFocus();
        QTest::keyClick(liste(), Qt::Key_C);
        QCOMPARE(liste()->currentRow(), zeile("/a/c"));
    }

    // A folder that may not be listed, or listed but not entered, is not
    // opened: the list stays on the open folder.
    void ohneRecht() {
        QVERIFY(test::imOrdner(wurzel.toStdString(),
                               "chmod 755 . && mkdir -m 111 a/zu && mkdir -m 444 a/blind",
                               "") == 0);
        liste()->setzePfad(pfad("/a"));
        const int zeilen = liste()->count();
        test::OhneVorrecht als;
        QVERIFY(!liste()->setzePfad(pfad("/a/zu")) && !liste()->setzePfad(pfad("/a/blind")));
        QVERIFY(liste()->pfad() == pfad("/a") && liste()->count() == zeilen);
    }

    // From the context menu, without changing the dialog's size.
    void neuerOrdner_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("neu") << "neu";
        QTest::newRow("vorhanden") << "b";
    }
    void neuerOrdner() {
        QFETCH(QString, name);
        const QSize groesse = box->size();
        liste()->ordnernameFragen = [name] { return std::optional<QString>(name); };
        QTimer::singleShot(0, [] {
            auto* menue = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menue != nullptr && menue->actions().size() == 1);
            menue->actions().first()->trigger();
            menue->close();
        });
        emit liste()->customContextMenuRequested(QPoint(5, 5));
        const bool angelegt = name == u"neu";
        QCOMPARE(liste()->currentRow(), zeile(angelegt ? "/a/neu" : "/a"));
        QCOMPARE(Meldungen::protokoll().size(), size_t(angelegt ? 0 : 1));
        QVERIFY(liste()->pfad() == pfad("/a") && box->size() == groesse);
    }

    // A click on `markiert` only marks it; then a key on a control. Enter
    // opens the marked folder and never closes the chooser, OK (clicked when
    // still open) hands over the open folder; no button is the default.
    // clang-format off
    void wege_data() {
        QTest::addColumn<Weg>("f");  // markiert "~": the test folder, "": none; ziel "-": none
        QTest::newRow("klickMarkiertNurOk") << Weg{"/a/b", "Command2", Qt::Key_Return, "/a"};
        QTest::newRow("unterordner") << Weg{"/a/c", "Verzeichnis1", Qt::Key_Enter, "/a/c"};
        QTest::newRow("vorfahr") << Weg{"~", "Verzeichnis1", Qt::Key_Return, ""};
        QTest::newRow("wurzel") << Weg{"/", "Verzeichnis1", Qt::Key_Return, "/"};
        QTest::newRow("enterAbbrechen") << Weg{"/a/b", "Command1", Qt::Key_Return, "-"};
        QTest::newRow("escapeLaufwerk") << Weg{"", "Laufwerk1", Qt::Key_Escape, "-"};
        QTest::newRow("escapeListe") << Weg{"/a/c", "Verzeichnis1", Qt::Key_Escape, "-"};
        QTest::newRow("escapeOk") << Weg{"", "Command2", Qt::Key_Escape, "-"};
    }
    // clang-format on
    void wege() {
        QFETCH(Weg, f);
        const QString m = f.markiert == u"~" ? QString() : f.markiert;
        if (!f.markiert.isEmpty())
            QTest::mouseClick(liste()->viewport(), Qt::LeftButton, {},
                              liste()->visualItemRect(liste()->item(zeile(m))).center());
        QVERIFY(f.markiert.isEmpty() ||
                (liste()->currentRow() == zeile(m) && liste()->pfad() == pfad("/a")));
        for (const char* k : {"Command1", "Command2"})
            QVERIFY(!test::kind<QPushButton>(box, k)->isDefault());
        QWidget* w = test::kind(box, f.steuerelement.toUtf8());
        w->setFocus();
        QTest::keyClick(w, Qt::Key(f.taste));
        QCOMPARE(box->isVisible(), w == liste() && f.taste != Qt::Key_Escape);
        if (box->isVisible())
            test::kind<QPushButton>(box, "Command2")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closed: deleted
        QVERIFY(box.isNull() && Meldungen::protokoll().empty());
        QCOMPARE(ziele, f.ziel == u"-" ? QStringList{} : QStringList{pfad(f.ziel)});
    }
};

QTEST_MAIN(ZielBoxTest)
#include "ZielBoxTest.moc"
