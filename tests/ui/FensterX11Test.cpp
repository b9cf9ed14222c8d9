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
        frmZielBox box(nullptr);
        box.show();
        QTRY_VERIFY(box.frameGeometry() != box.geometry());
        // The drive box shows its focus before any Tab.
        QTRY_VERIFY(box.isActiveWindow() && box.testAttribute(Qt::WA_KeyboardFocusChange));
        const QRect schirm = box.screen()->geometry();
        QTRY_VERIFY((box.frameGeometry().center() - schirm.center()).manhattanLength() <= 2);
    }

    // The splash takes the keyboard when shown; a key (or the timer, or a
    // click on the frame) hands over exactly once.
    void splash_data() {
        QTest::addColumn<QString>("weg");
        QTest::newRow("taste") << "x";
        QTest::newRow("escape") << "\x1b";
        QTest::newRow("zeitgeber") << "zeit";
        QTest::newRow("rahmen") << "Frame1";
    }
    void splash() {
        QFETCH(QString, weg);
        int uebergaben = 0;
        QPointer<frmSplash> s = new frmSplash([&] { ++uebergaben; });
        s->show();
        QTRY_VERIFY(s->isActiveWindow() && QApplication::focusWidget() == s);
        if (weg == u"zeit")
            s->timer()->start(1);
        else if (weg == u"Frame1")
            QTest::mouseClick(test::kind(s, "Frame1"), Qt::LeftButton, {}, QPoint(200, 20));
        else
            QTest::keyClick(QApplication::focusWidget(), weg.at(0).toLatin1());
        QTRY_COMPARE(uebergaben, 1);
        if (s)
            s->Timer1_Timer();  // a late event before the splash is gone
        QCOMPARE(uebergaben, 1);
        QTRY_VERIFY(s.isNull());
    }

    // OK is the default: Enter on System-Info clicks it.
    void aboutFenster() {
        SpeicherRegistrierung reg;
        reg.setzen("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                   SpeicherRegistrierung::text("/usr/bin/hardinfo"));
        test::Startprotokoll starter;
        frmAbout about(reg, starter);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        test::kind(&about, "cmdSysInfo")->setFocus();
        QTest::keyClick(test::kind(&about, "cmdSysInfo"), Qt::Key_Return);
        QVERIFY(!about.isVisible() && starter.auftraege.empty());
    }
};

QTEST_MAIN(FensterX11Test)
#include "FensterX11Test.moc"
