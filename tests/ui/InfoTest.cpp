#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "Meldungen.h"
#include "UiTesthilfen.h"
#include "frmAbout.h"
#include "frmSplash.h"

using namespace zorta;

class InfoTest : public QObject {
    Q_OBJECT

  private:
    QPointer<frmSplash> splash;
    int uebergaben = 0;

    void weg() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Zorta")); }

    void init() {
        Meldungen::testmodus(true);
        Meldungen::zuruecksetzen();
        uebergaben = 0;
        splash = new frmSplash([this] { ++uebergaben; });
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash.data()));
    }
    void cleanup() { delete splash.data(); }

    void splashFenster() {
        auto* rahmen = splash->findChild<QWidget*>("Frame1");
        for (auto* l : rahmen->findChildren<QLabel*>()) {
            const char* name = qPrintable(l->objectName());
            QCOMPARE(l->cursor().shape(), Qt::WaitCursor);
            // Grown to its text, and still inside the frame.
            QVERIFY2(l->sizeHint().width() <= l->width(), name);
            QVERIFY2(l->geometry().left() >= 0 && l->geometry().right() < rahmen->width(), name);
        }
        QCOMPARE(splash->findChild<QLabel*>("lblProductName")->font().family(),
                 QStringLiteral("Comic Neue"));
    }

    // clang-format off
    void tasteUebergibtGenauEinmal_data() {
        QTest::addColumn<int>("taste");
        QTest::newRow("buchstabe") << int(Qt::Key_X);
        QTest::newRow("escape") << int(Qt::Key_Escape);
        QTest::newRow("enter") << int(Qt::Key_Return);
        QTest::newRow("leertaste") << int(Qt::Key_Space);
    }
    // clang-format on
    void tasteUebergibtGenauEinmal() {
        QFETCH(int, taste);
        QTest::keyClick(splash.data(), static_cast<Qt::Key>(taste));
        QCOMPARE(uebergaben, 1);
        splash->Timer1_Timer();  // a late event before the splash is gone
        splash->Frame1_Click();
        QCOMPARE(uebergaben, 1);
        weg();
        QVERIFY(splash.isNull());
    }

    void zeitgeberUebergibt() {
        splash->timer()->start(1);
        QTRY_COMPARE(uebergaben, 1);
        weg();
        QVERIFY(splash.isNull());
    }

    void nurDerRahmenSelbstNimmtKlicks() {
        auto* rahmen = splash->findChild<QWidget*>("Frame1");
        for (const char* n : {"lblProductName", "imgLogo", "lblCompany"}) {
            auto* w = splash->findChild<QWidget*>(n);
            QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
        }
        QTest::mouseClick(splash.data(), Qt::LeftButton, {}, QPoint(3, 3));  // the margin
        QCOMPARE(uebergaben, 0);
        QTest::mouseClick(rahmen, Qt::LeftButton, {}, QPoint(rahmen->width() - 20, 20));
        QCOMPARE(uebergaben, 1);
    }

    void aboutFenster() {
        zorta::SpeicherRegistrierung reg;
        test::FakeStarter starter;
        frmAbout about(reg, starter);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        for (auto* l : about.findChildren<QLabel*>()) {
            // Nothing is clipped: wrapped texts fit their height, others their width.
            const char* name = qPrintable(l->objectName());
            if (l->wordWrap()) {
                QVERIFY2(l->heightForWidth(l->width()) <= l->height(), name);
            } else {
                QVERIFY2(l->sizeHint().width() <= l->width(), name);
            }
        }
        auto* ok = about.findChild<QPushButton*>("cmdOK");
        QVERIFY(ok->isDefault());
        QCOMPARE(QApplication::focusWidget(), ok);
        QTest::keyClick(ok, Qt::Key_Escape);  // cmdOK is the cancel button too
        QVERIFY(!about.isVisible());
    }

    void systemInfo() {
        zorta::SpeicherRegistrierung reg;
        test::FakeStarter starter;
        frmAbout about(reg, starter);
        about.findChild<QPushButton*>("cmdSysInfo")->click();
        QCOMPARE(Meldungen::protokoll().size(), size_t(1));
        reg.setzen("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                   zorta::SpeicherRegistrierung::text("/usr/bin/hardinfo"));
        about.findChild<QPushButton*>("cmdSysInfo")->click();
        QCOMPARE(starter.auftraege.size(), size_t(1));
        QCOMPARE(starter.auftraege[0].programm, std::string("/usr/bin/hardinfo"));
    }
};

QTEST_MAIN(InfoTest)
#include "InfoTest.moc"
