// Runs on a real X server with a window manager (tests/ui/mit-fenstermanager),
// where windows get their frames only after they are shown.
#include <QApplication>
#include <QScreen>
#include <QTest>

#include "Meldungen.h"
#include "frmZielBox.h"

class FensterX11Test : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { Meldungen::testmodus(true); }

    // The outer rectangle, frame included, sits in the middle of the screen.
    void zentriertMitRahmen() {
        frmZielBox box(nullptr);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTRY_VERIFY(box.frameGeometry() != box.geometry());
        const QRect schirm = box.screen()->geometry();
        QTRY_VERIFY2(
            (box.frameGeometry().center() - schirm.center()).manhattanLength() <= 2,
            qPrintable(
                QStringLiteral("%1,%2").arg(box.frameGeometry().x()).arg(box.frameGeometry().y())));
    }
};

QTEST_MAIN(FensterX11Test)
#include "FensterX11Test.moc"
