#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "CenterForm.h"
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
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash->windowType(), Qt::SplashScreen);
        QCOMPARE(splash->size(), QSize(487, 188));
        QCOMPARE(splash->timer()->interval(), 5000);
        QVERIFY(splash->timer()->isActive());
        const QStringList texte = {"Zorta", "Velmorix", "Windows 95", "Version 1.0", "Velmorix"};
        const char* namen[] = {"lblProductName", "lblCompanyProduct", "lblPlatform", "lblVersion",
                               "lblCompany"};
        for (int i = 0; i < texte.size(); ++i) {
            auto* l = splash->findChild<QLabel*>(namen[i]);
            QVERIFY(l);
            QCOMPARE(l->text(), texte[i]);
            QCOMPARE(l->cursor().shape(), Qt::WaitCursor);
            QVERIFY2(l->sizeHint().width() <= l->width(), namen[i]);
            QVERIFY2(l->geometry().right() < splash->findChild<QWidget*>("Frame1")->width(),
                     namen[i]);
        }
        auto* produkt = splash->findChild<QLabel*>("lblProductName");
        QCOMPARE(produkt->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(produkt->font().italic() && produkt->font().bold());
        QCOMPARE(produkt->font().family(), QStringLiteral("Comic Neue"));
        QCOMPARE(splash->cursor().shape(), Qt::WaitCursor);
    }

    void tasteUebergibtGenauEinmal_data() {
        QTest::addColumn<int>("taste");
        QTest::newRow("buchstabe") << int(Qt::Key_X);
        QTest::newRow("escape") << int(Qt::Key_Escape);
        QTest::newRow("enter") << int(Qt::Key_Return);
        QTest::newRow("leertaste") << int(Qt::Key_Space);
    }
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
        QPointer<frmAbout> about = new frmAbout(reg, starter);
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about.data()));
        QCOMPARE(about->windowTitle(), QStringLiteral("Zorta-Info"));
        QCOMPARE(about->size(), QSize(382, 237));
        const std::pair<const char*, QString> texte[] = {
            {"lblTitle", "Velmorix"},
            {"Label2", "Zorta"},
            {"lblVersion", QStringLiteral("Version 1.0 für Windows 95 / Windows NT")},
            {"lblDescription", frmAbout::Beschreibung}};
        for (const auto& [name, text] : texte) {
            auto* l = about->findChild<QLabel*>(name);
            QVERIFY(l);
            QCOMPARE(l->text(), text);
            // Nothing is clipped: the wrapped text fits its box.
            QVERIFY2(l->heightForWidth(l->width()) <= l->height() || !l->wordWrap(), name);
            if (!l->wordWrap())
                QVERIFY2(l->sizeHint().width() <= l->width(), name);
        }
        QCOMPARE(frmAbout::Beschreibung.size(), 219);
        QVERIFY(frmAbout::Beschreibung.endsWith(QStringLiteral("zusammen- gefügt werden....")));
        auto* haftung = about->findChild<QLabel*>("lblDisclaimer");
        QVERIFY(!haftung->text().isEmpty());
        QVERIFY(haftung->heightForWidth(haftung->width()) <= haftung->height());
        auto* ok = about->findChild<QPushButton*>("cmdOK");
        QVERIFY(ok->isDefault());
        QCOMPARE(QApplication::focusWidget(), ok);
        QCOMPARE(about->findChild<QPushButton*>("cmdSysInfo")->text(),
                 QStringLiteral("&System-Info..."));
        delete about.data();
    }

    void aboutSchliessen_data() {
        QTest::addColumn<int>("taste");
        QTest::newRow("enter") << int(Qt::Key_Return);
        QTest::newRow("escape") << int(Qt::Key_Escape);
        QTest::newRow("ok") << 0;
    }
    void aboutSchliessen() {
        QFETCH(int, taste);
        zorta::SpeicherRegistrierung reg;
        test::FakeStarter starter;
        QPointer<frmAbout> about = new frmAbout(reg, starter);
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about.data()));
        if (taste == 0) {
            about->findChild<QPushButton*>("cmdOK")->click();
        } else {
            QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(taste));
        }
        weg();
        QVERIFY(about.isNull());
    }

    void systemInfo() {
        zorta::SpeicherRegistrierung reg;
        test::FakeStarter starter;
        frmAbout about(reg, starter);
        about.findChild<QPushButton*>("cmdSysInfo")->click();
        QCOMPARE(Meldungen::protokoll().size(), size_t(1));
        QCOMPARE(Meldungen::protokoll()[0].text,
                 QStringLiteral("System-Informationen sind augenblicklich nicht verfügbar."));
        QCOMPARE(Meldungen::protokoll()[0].titel, QStringLiteral("Zorta"));
        QCOMPARE(Meldungen::protokoll()[0].symbol, QMessageBox::NoIcon);
        reg.setzen("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH",
                   zorta::SpeicherRegistrierung::text("/usr/bin/hardinfo"));
        about.findChild<QPushButton*>("cmdSysInfo")->click();
        QCOMPARE(starter.auftraege.size(), size_t(1));
        QCOMPARE(starter.auftraege[0].programm, std::string("/usr/bin/hardinfo"));
        QVERIFY(about.isVisible() || true);
    }

    void zentrieren_data() {
        QTest::addColumn<QSizeF>("schirm");
        QTest::addColumn<QSizeF>("fenster");
        QTest::addColumn<QPointF>("ecke");
        QTest::newRow("mitte") << QSizeF(1024, 768) << QSizeF(624, 448) << QPointF(200, 160);
        QTest::newRow("ungerade") << QSizeF(1024, 768) << QSizeF(623, 447) << QPointF(200.5, 160.5);
        QTest::newRow("zuGross") << QSizeF(800, 600) << QSizeF(1000, 700) << QPointF(-100, -50);
    }
    void zentrieren() {
        QFETCH(QSizeF, schirm);
        QFETCH(QSizeF, fenster);
        QFETCH(QPointF, ecke);
        QCOMPARE(zentriert(schirm, fenster), ecke);
    }
};

QTEST_MAIN(InfoTest)
#include "InfoTest.moc"
