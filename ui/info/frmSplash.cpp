#include "frmSplash.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include "CenterForm.h"
#include "Oberflaeche.h"

namespace {

// An auto-size label: at least its box, grown to its text; a right-aligned
// one grows to the left.
QLabel* bezeichnung(QWidget* eltern, const char* name, const QString& text, const QRect& lage,
                    const QFont& f, bool rechts = false) {
    QLabel* l = beschriftung(eltern, name, text, lage, f);
    const QSize noetig = l->sizeHint();
    QRect r = lage;
    if (noetig.width() > r.width()) {
        if (rechts)
            r.setLeft(r.right() - noetig.width() + 1);
        else
            r.setWidth(noetig.width());
    }
    if (noetig.height() > r.height())
        r.setHeight(noetig.height());
    l->setGeometry(r);
    if (rechts)
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

}  // namespace

void Splashrahmen::mousePressEvent(QMouseEvent* e) {
    // Labels and the logo pass their clicks up; only the bare surface counts.
    gedrueckt_ = e->button() == Qt::LeftButton && childAt(e->position().toPoint()) == nullptr;
}

void Splashrahmen::mouseReleaseEvent(QMouseEvent* e) {
    const bool treffer = gedrueckt_ && rect().contains(e->position().toPoint()) &&
                         childAt(e->position().toPoint()) == nullptr;
    gedrueckt_ = false;
    if (treffer && klick)
        klick();
}

frmSplash::frmSplash(std::function<void()> hauptfenster)
    : QFrame(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint),
      hauptfenster_(std::move(hauptfenster)) {
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setFixedSize(tw(7305), tw(2820));
    setCursor(Qt::WaitCursor);
    setFocusPolicy(Qt::StrongFocus);

    Frame1 = steuerelement<Splashrahmen>(this, "Frame1", twRechteck(120, 60, 7080, 2595));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->klick = [this] { Frame1_Click(); };

    auto* logo = steuerelement<QLabel>(Frame1, "imgLogo", twRechteck(240, 960, 855, 825));
    logo->setPixmap(QPixmap(QStringLiteral(":/bilder/logo.png")));
    logo->setScaledContents(true);

    QLabel* produkt = bezeichnung(Frame1, "lblProductName", QStringLiteral("Zorta"),
                                  twRechteck(1800, 960, 1965, 900),
                                  schrift(Schriftart::ComicSans, 32.25, true, true));
    QPalette blau = produkt->palette();
    blau.setColor(QPalette::WindowText, QColor(0, 0, 255));
    produkt->setPalette(blau);
    bezeichnung(Frame1, "lblCompanyProduct", QStringLiteral("Velmorix"),
                twRechteck(1080, 600, 1620, 420), schrift(Schriftart::Arial, 18, true, true));
    bezeichnung(Frame1, "lblPlatform", QStringLiteral("Windows 95"),
                twRechteck(5025, 840, 1830, 360), schrift(Schriftart::Arial, 15.75, true), true);
    bezeichnung(Frame1, "lblVersion",
                QStringLiteral("Version %1").arg(QStringLiteral(ZORTA_PRODUKTVERSION)),
                twRechteck(5580, 1200, 1275, 285), schrift(Schriftart::Arial, 12, true), true);
    beschriftung(Frame1, "lblCompany", QStringLiteral("Velmorix"),
                 twRechteck(4560, 1800, 2415, 255), schrift(Schriftart::Arial, 8.25));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(5000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    Timer1->start();
    CenterForm(*this);
}

void frmSplash::keyPressEvent(QKeyEvent* e) {
    if (!e->text().isEmpty()) {
        Form_KeyPress(e->text().at(0).unicode());
        return;
    }
    QFrame::keyPressEvent(e);
}

void frmSplash::showEvent(QShowEvent* e) {
    QFrame::showEvent(e);
    // A splash window is not focused by window managers on their own; keys
    // must reach it.
    raise();
    activateWindow();
    setFocus();
}

void frmSplash::Timer1_Timer() {
    uebergeben();
}
void frmSplash::Form_KeyPress(int) {
    uebergeben();
}
void frmSplash::Frame1_Click() {
    uebergeben();
}

void frmSplash::uebergeben() {
    if (uebergeben_)
        return;
    uebergeben_ = true;
    Timer1->stop();
    close();  // deletes the splash with its timer
    if (hauptfenster_)
        hauptfenster_();
}
