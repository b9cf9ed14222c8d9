#include "frmAbout.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "CenterForm.h"
#include "Meldungen.h"
#include "Oberflaeche.h"

const QString frmAbout::Beschreibung = QStringLiteral(
    "Velmorix Zorta ist ein Programm, mit dem Dateien in eine bestimmte Größe geteilt werden. "
    "Sie können dann zum Beispiel bequem auf Disketten transportiert werden und auf dem "
    "Zielcomputer wieder zusammen- gefügt werden....");

const QString frmAbout::Haftung = QStringLiteral(
    "Benutzung ohne Gewähr. Velmorix haftet nicht für verlorene oder beschädigte Daten. "
    "Behalten Sie eine Kopie des Originals, bis die zusammengesetzte Datei geprüft ist.");

namespace {

// Black, top-left, wrapped where asked.
QLabel* bezeichnung(QWidget* eltern, const char* name, const QString& text, const QRect& lage,
                    const QFont& f, bool umbrechen = false) {
    QLabel* l = beschriftung(eltern, name, text, lage, f);
    l->setWordWrap(umbrechen);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    return l;
}

}  // namespace

frmAbout::frmAbout(zorta::Registrierung& registrierung, zorta::Dateisystem& dateisystem,
                   zorta::Starter& starter, QWidget* eltern)
    : QDialog(eltern), registrierung_(registrierung), dateisystem_(dateisystem), starter_(starter) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/bilder/diskette.png")));
    const QFont standard = schrift(Schriftart::MsSansSerif, 8.25);
    setFont(standard);
    setFixedSize(tw(5730), tw(3555));

    steuerelement<QLabel>(this, "picIcon", twRechteck(240, 240, 480, 480))
        ->setPixmap(QPixmap(QStringLiteral(":/bilder/diskette.png")));
    bezeichnung(this, "lblTitle", QStringLiteral("Velmorix"), twRechteck(1050, 240, 1245, 360),
                schrift(Schriftart::Arial, 12, true));
    QLabel* produkt =
        bezeichnung(this, "Label2", QStringLiteral("Zorta"), twRechteck(2520, 0, 1215, 615),
                    schrift(Schriftart::ComicSans, 20.25, true, true));
    QPalette blau = produkt->palette();
    blau.setColor(QPalette::WindowText, QColor(0, 0, 255));
    produkt->setPalette(blau);
    produkt->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    bezeichnung(this, "lblVersion",
                QStringLiteral("Version %1 für Windows 95 / Windows NT")
                    .arg(QStringLiteral(ZORTA_PRODUKTVERSION)),
                twRechteck(1050, 720, 3885, 225), standard);
    bezeichnung(this, "lblDescription", Beschreibung, twRechteck(1050, 1125, 3885, 1050), standard,
                true);
    bezeichnung(this, "lblDisclaimer", Haftung, twRechteck(135, 2385, 3990, 1065), standard, true);

    cmdOK = steuerelement<QPushButton>(this, "cmdOK", twRechteck(4320, 2400, 1260, 345),
                                       QStringLiteral("&OK"));
    cmdOK->setDefault(true);
    cmdSysInfo = steuerelement<QPushButton>(this, "cmdSysInfo", twRechteck(4320, 3000, 1245, 345),
                                            QStringLiteral("&System-Info..."));
    cmdSysInfo->setAutoDefault(false);
    QWidget::setTabOrder(cmdOK, cmdSysInfo);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
    // Escape: cmdOK is also the cancel button.
    connect(this, &QDialog::rejected, this, [this] { close(); });
    Form_Load();
    cmdOK->setFocus();
}

void frmAbout::Form_Load() {
    setWindowTitle(QCoreApplication::applicationName() + QStringLiteral("-Info"));
    CenterForm(*this);
}

void frmAbout::cmdOK_Click() {
    close();
}

void frmAbout::cmdSysInfo_Click() {
    zorta::StartSysInfo(registrierung_, dateisystem_, starter_, [this](const std::string& text) {
        Meldungen::zeige(this, QString::fromStdString(text), QCoreApplication::applicationName(),
                         QMessageBox::NoIcon);
    });
}

void frmAbout::paintEvent(QPaintEvent* e) {
    QDialog::paintEvent(e);
    // The etched separator: a white 2-pixel line under a grey 1-pixel one.
    QPainter p(this);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(tw(105), tw(2280) + 1, tw(5654), tw(2280) + 1);
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.drawLine(tw(90), tw(2280), tw(5654), tw(2280));
}
