// Runs on a real X server with a window manager (tests/ui/mit-fenstermanager),
// where windows get their frames only after they are shown and the keyboard
// focus is the window manager's to give.
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "UiTesthilfen.h"
#include "frmAbout.h"
#include "frmSplash.h"
#include "frmZielBox.h"

using namespace zorta;

class FensterX11Test : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { Meldungen::testmodus(true); }

    // The outer rectangle, frame included, sits in the middle of the screen.
    void zentriertMitRahmen() {
        zorta::KeinWechselmedium ohne;
        frmZielBox box(nullptr, ohne);
        box.show();
        QTRY_VERIFY(box.frameGeometry() != box.geometry());
        // The drive box shows its focus before any Tab.
        QTRY_VERIFY(box.isActiveWindow() && box.testAttribute(Qt::WA_KeyboardFocusChange));
        const QRect schirm = box.screen()->geometry();
        QTRY_VERIFY((box.frameGeometry().center() - schirm.center()).manhattanLength() <= 2);
    }

    // The splash takes the keyboard when shown; a key character, the timer or
    // a left click on the frame's bare surface hands over, exactly once; a
    // key without a character and a click elsewhere or with the right button
    // do nothing.
    void splash_data() {
        QTest::addColumn<QString>("weg");  // a character, "zeit", or a control clicked
        QTest::addColumn<int>("uebergaben");
        QTest::newRow("taste") << "x" << 1;
        QTest::newRow("escape") << "\x1b" << 1;
        QTest::newRow("zeitgeber") << "zeit" << 1;
        QTest::newRow("rahmen") << "Frame1" << 1;
        QTest::newRow("umschalttaste") << "" << 0;
        QTest::newRow("rechteMaustaste") << "Frame1 rechts" << 0;
        QTest::newRow("logo") << "imgLogo" << 0;
        QTest::newRow("produktname") << "lblProductName" << 0;
        QTest::newRow("randAusserhalb") << "frmSplash" << 0;
    }
    void splash() {
        QFETCH(QString, weg);
        QFETCH(int, uebergaben);
        int n = 0;
        QPointer<frmSplash> s = new frmSplash([&] { ++n; });
        s->show();
        QTRY_VERIFY(s->isActiveWindow() && QApplication::focusWidget() == s);
        const QString name = weg.section(u' ', 0, 0);
        if (weg == u"zeit") {
            s->timer()->start(1);
        } else if (weg.isEmpty()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Shift);
        } else if (weg.size() == 1) {
            QTest::keyClick(QApplication::focusWidget(), weg.at(0).toLatin1());
        } else {
            QWidget* w = name == u"frmSplash" ? s.data() : test::kind(s, name.toUtf8());
            QTest::mouseClick(w, weg.endsWith(u"rechts") ? Qt::RightButton : Qt::LeftButton, {},
                              w == s              ? QPoint(3, 2)
                              : name == u"Frame1" ? QPoint(200, 20)
                                                  : QPoint());
        }
        QTRY_COMPARE(n, uebergaben);
        if (s)
            s->Timer1_Timer();  // a late event before the splash is gone
        QCOMPARE(n, 1);
        QTRY_VERIFY(s.isNull());
    }

    // OK is the default: Space clicks the focused System-Info, Enter on it
    // clicks OK.
    void aboutFenster() {
        SpeicherRegistrierung reg;
        reg.setzen("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                   SpeicherRegistrierung::text("/usr/bin/hardinfo"));
        test::Startprotokoll starter;
        PosixDateisystem dateien;
        frmAbout about(reg, dateien, starter);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QWidget* sysInfo = test::kind(&about, "cmdSysInfo");
        sysInfo->setFocus();
        QTest::keyClick(sysInfo, Qt::Key_Space);
        QVERIFY(about.isVisible() && starter.auftraege.size() == 1);
        QTest::keyClick(sysInfo, Qt::Key_Return);
        QVERIFY(!about.isVisible() && starter.auftraege.size() == 1);
    }
};

QTEST_MAIN(FensterX11Test)
#include "FensterX11Test.moc"
