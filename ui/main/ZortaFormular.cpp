#include "ZortaFormular.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QShortcut>
#include <QToolButton>

#include "CenterForm.h"
#include "Hilfetexte.h"
#include "Meldungen.h"
#include "Oberflaeche.h"
#include "Reparatur.h"
#include "Reparaturstart.h"
#include "Zahlen.h"
#include "Zerlegung.h"
#include "frmAbout.h"
#include "frmZielBox.h"

namespace {

const QString kTitel = QStringLiteral("Zorta");
const QString kUngueltigeGroesse = QStringLiteral("Geben Sie bitte eine gültige Dateigröße an!");

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

ZortaFormular::ZortaFormular(Umgebung umgebung, QWidget* eltern)
    : QMainWindow(eltern),
      umgebung_(std::move(umgebung)),
      reparatur_(*this, umgebung_),
      lauf_(anzeige_) {
    setObjectName(QStringLiteral("ZortaFormular"));
    setWindowTitle(kTitel);
    setWindowIcon(QIcon(QStringLiteral(":/bilder/zorta-app.png")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    steuerelementeAnlegen();
    anzeige_.verbinden({this, Label2, Label4, Label6, Label9, labelInfo, ProgressBar1},
                       [this](bool an) { zortaAktiv(an); });
    resize(tw(9270), tw(5925) + menuBar()->sizeHint().height());
    setAcceptDrops(true);
    fokusZeigen(*this);
    tippPause_.setSingleShot(true);
    tippPause_.setInterval(800);
    connect(&tippPause_, &QTimer::timeout, this, [this] { wartendeQuelleNehmen(); });
    // Escape asks to cancel a run; otherwise it is not the window's key.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] {
        if (laeuft())
            abbruchFragen(false);
    });
    Form_Load();
}

ZortaFormular::~ZortaFormular() = default;

void ZortaFormular::steuerelementeAnlegen() {
    anlegen(*this);

    using Handler = void (ZortaFormular::*)();
    const std::pair<QToolButton*, Handler> knoepfe[] = {
        {Command1, &ZortaFormular::Command1_Click}, {Command3, &ZortaFormular::Command3_Click},
        {Command4, &ZortaFormular::Command4_Click}, {Command5, &ZortaFormular::Command5_Click},
        {Command6, &ZortaFormular::Command6_Click}, {Command7, &ZortaFormular::Command7_Click},
        {Command8, &ZortaFormular::Command8_Click}};
    for (const auto& [k, h] : knoepfe) connect(k, &QToolButton::clicked, this, h);
    connect(textDateigröße, &QLineEdit::textChanged, this, [this] { textDateigröße_Change(); });
    textDateigröße->tastendruck = [this](int& code) { textDateigröße_KeyPress(code); };

    menueAnlegen(*this);
    const std::pair<QAction*, Handler> menue[] = {
        {MNU_Auswaehlen, &ZortaFormular::MNU_Auswählen_Click},
        {MNU_Zorta, &ZortaFormular::MNU_Zorta_Click},
        {MNU_Beenden, &ZortaFormular::MNU_Beenden_Click},
        {MNU_Reparatur, &ZortaFormular::MNU_Reparatur_Click},
        {MNU_Hilfethemen, &ZortaFormular::MNU_Hilfethemen_Click},
        {MNU_OnlineDokumentation, &ZortaFormular::MNU_OnlineDokumentation_Click},
        {MNU_SoftwareService, &ZortaFormular::MNU_SoftwareService_Click},
        {MNU_Info, &ZortaFormular::MNU_Info_Click}};
    for (const auto& [a, h] : menue) connect(a, &QAction::triggered, this, h);
}

void ZortaFormular::Form_Load() {
    CenterForm(*this);
}

bool ZortaFormular::abbruchFragen(bool beenden) {
    if (frageOffen_)
        return false;  // one question at a time
    const QString frage =
        beenden ? QStringLiteral(
                      "Zorta läuft noch. Wollen Sie den Vorgang abbrechen und "
                      "Velmorix Zorta beenden ?")
                : QStringLiteral("Wollen Sie den laufenden Zorta-Vorgang abbrechen ?");
    // "Nein" goes on where the run stood: it waits while the question is open.
    frageOffen_ = true;
    lauf_.anhalten();
    const bool ja =
        Meldungen::zeige(this, frage, QStringLiteral("Zorta abbrechen"), QMessageBox::Question,
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    if (ja)
        lauf_.abbrechen();
    lauf_.fortsetzen();
    frageOffen_ = false;
    return ja;
}

void ZortaFormular::closeEvent(QCloseEvent* e) {
    if (laeuft()) {
        // "Ja" cancels and the run's end closes the window again; after
        // "Nein" the window stays, and the next close asks afresh.
        if (beendenNachLauf_ || !abbruchFragen(true)) {
            e->ignore();
            return;
        }
        beendenNachLauf_ = true;
        if (laeuft()) {
            e->ignore();
            return;
        }
        // The run ended while the question stood open: quit now.
    }
    int cancel = 0;
    // Quitting was confirmed while the run went on.
    if (!beendenNachLauf_)
        Form_Unload(cancel);
    if (cancel != 0) {
        e->ignore();
        return;
    }
    e->accept();
    // Nothing runs after the confirmation: the program ends here.
    QCoreApplication::exit(0);
}

void ZortaFormular::Form_Unload(int& cancel) {
    const auto antwort = Meldungen::zeige(
        this, QStringLiteral("Wollen Sie Velmorix Zorta wirklich beenden ?"),
        QStringLiteral("Programm beenden"), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (antwort != QMessageBox::Yes)
        cancel = -1;
}

void ZortaFormular::MNU_Beenden_Click() {
    close();
}

void ZortaFormular::Command1_Click() {
    MNU_Zorta_Click();
}
void ZortaFormular::Command3_Click() {
    MNU_Auswählen_Click();
}

void ZortaFormular::Command4_Click() {
    auto* ziel = new frmZielBox([this](const QString& pfad) { Label4->setText(pfad); },
                                *umgebung_.wechselmedium, this);
    ziel->exec();
}

void ZortaFormular::MNU_Info_Click() {
    auto* info =
        new frmAbout(*umgebung_.registrierung, *umgebung_.dateisystem, *umgebung_.starter, this);
    info->exec();
}

void ZortaFormular::Command5_Click() {
    textDateigröße->setText(QStringLiteral("1400"));
    wartendeQuelleNehmen();
}
void ZortaFormular::Command6_Click() {
    textDateigröße->setText(QStringLiteral("1200"));
    wartendeQuelleNehmen();
}
void ZortaFormular::Command7_Click() {
    textDateigröße->setText(QStringLiteral("96000"));
    wartendeQuelleNehmen();
}

void ZortaFormular::Command8_Click() {
    textDateigröße->setFocus();
    textDateigröße->setSelection(0, static_cast<int>(textDateigröße->text().size()));
}

void ZortaFormular::textDateigröße_KeyPress(int& KeyAscii) {
    if (KeyAscii == 13)
        wartendeQuelleNehmen();
    if (KeyAscii != 8 && (KeyAscii < '0' || KeyAscii > '9'))
        KeyAscii = 0;
}

void ZortaFormular::textDateigröße_Change() {
    // A waiting source takes a typed size once the typing pauses.
    if (wartend_.tipppauseAbwarten(ganzeBytes(fuehrendeZahl(textDateigröße->text()) * 1024.0)))
        tippPause_.start();
    else
        tippPause_.stop();
    if (textDateigröße->text().isEmpty()) {
        Label9->setText(QString());
        return;
    }
    // Before a source, and after a run cleared it, there is nothing to count.
    if (Label6->text().isEmpty())
        return;
    if (const auto teil = ganzeBytes(fuehrendeZahl(textDateigröße->text()) * 1024.0)) {
        if (const auto anzahl = stueckanzahl(auftrag_.Quellgröße, *teil))
            Label9->setText(*anzahl);
    }
}

double ZortaFormular::GetDateigröße() {
    if (!(fuehrendeZahl(textDateigröße->text()) > 0.0)) {
        Meldungen::zeige(this, kUngueltigeGroesse, kTitel, QMessageBox::Information);
        textDateigröße->setEnabled(true);
        textDateigröße->setFocus();
        return 0;
    }
    return fuehrendeZahl(textDateigröße->text()) * 1024.0;
}

QString ZortaFormular::DateiAuswahl() {
    cmdStandarddialog_.CancelError = true;
    cmdStandarddialog_.DialogTitle = QStringLiteral("Datei auswählen");
    cmdStandarddialog_.Flags = Standarddialog::DateiMussExistieren;
    if (!cmdStandarddialog_.ShowOpen(this).ok())
        return QString();
    return cmdStandarddialog_.FileName;
}

std::optional<std::int64_t> ZortaFormular::teilgroesseAusBox() {
    const double bytes = GetDateigröße();
    if (bytes == 0)
        return std::nullopt;
    // A size beyond the 64-bit range, or one that rounds to no byte at all,
    // is refused like any other invalid size.
    const auto teil = ganzeBytes(bytes);
    if (!teil || *teil <= 0) {
        Meldungen::zeige(this, kUngueltigeGroesse, kTitel, QMessageBox::Information);
        textDateigröße->setEnabled(true);
        textDateigröße->setFocus();
        return std::nullopt;
    }
    return teil;
}

void ZortaFormular::MNU_Auswählen_Click() {
    const auto teil = teilgroesseAusBox();
    if (!teil)
        return;
    const QString datei = DateiAuswahl();
    if (!datei.isEmpty())
        quelleNehmen(*teil, datei);
}

void ZortaFormular::quelleNehmen(std::int64_t teil, const QString& datei) {
    const std::string pfad = zuPfad(datei);
    const std::int64_t groesse = zorta::quellLaenge(*umgebung_.dateisystem, pfad);
    if (groesse < 0) {
        Meldungen::zeige(this, QStringLiteral("Die ausgewählte Datei kann nicht gelesen werden."),
                         kTitel, QMessageBox::Information);
        return;
    }
    if (groesse < teil) {
        Meldungen::zeige(this,
                         QStringLiteral("Die ausgewählte Datei ist kleiner als die angegebene "
                                        "Dateigröße. Keine Zerlegung erforderlich."),
                         kTitel, QMessageBox::Information);
        return;
    }
    auftrag_.Teilgröße = teil;
    auftrag_.Quelldatei = pfad;
    auftrag_.Quellgröße = groesse;
    Label6->setText(groesseInKByte(groesse));
    Label2->setText(datei);
    Label9->setText(stueckanzahl(groesse, teil).value_or(QString()));
    zortaAktiv(true);
}

void ZortaFormular::quelleAnbieten(const QString& pfad, bool sofort) {
    if (!wartend_.anbieten(zuPfad(QFileInfo(pfad).absoluteFilePath()), laeuft()))
        return;
    labelInfo->setText(QStringLiteral("Quelle: %1 – geben Sie bitte die Teilgröße an.")
                           .arg(ausPfad(wartend_.pfad())));
    textDateigröße->setFocus();
    if (sofort)
        wartendeQuelleNehmen();
}

void ZortaFormular::wartendeQuelleNehmen() {
    tippPause_.stop();
    if (!wartend_.wartet())
        return;
    const auto teil = teilgroesseAusBox();
    const auto datei = wartend_.nehmen(teil);
    if (!datei)
        return;  // the file keeps waiting for a valid size
    labelInfo->clear();
    quelleNehmen(*teil, ausPfad(*datei));
}

void ZortaFormular::dragEnterEvent(QDragEnterEvent* e) {
    if (!laeuft() && e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void ZortaFormular::dropEvent(QDropEvent* e) {
    e->acceptProposedAction();
    gezogen(e->mimeData()->urls());
}

void ZortaFormular::gezogen(const QList<QUrl>& urls) {
    if (laeuft())
        return;
    if (urls.size() != 1 || !urls[0].isLocalFile() || QFileInfo(urls[0].toLocalFile()).isDir()) {
        Meldungen::zeige(this, QStringLiteral("Ziehen Sie bitte genau eine Datei auf Zorta."),
                         kTitel, QMessageBox::Information);
        return;
    }
    quelleAnbieten(urls[0].toLocalFile(), true);
}

void ZortaFormular::bedienbar(bool an) {
    Frame2->setEnabled(an);
    textDateigröße->setEnabled(an);
    MNU_Auswaehlen->setEnabled(an);
    MNU_Reparatur->setEnabled(an);
    Command1->setEnabled(an && zortaAktiv_);
    MNU_Zorta->setEnabled(an && zortaAktiv_);
}

void ZortaFormular::MNU_Zorta_Click() {
    if (laeuft())
        return;
    bedienbar(false);
    // The run works on a copy; the window takes back what it wrote.
    auto kopie = std::make_shared<zorta::Auftrag>(auftrag_);
    lauf_.starten(
        [this, kopie](zorta::Zerlegungsanzeige& anzeige) {
            zorta::zerlegen(*kopie, anzeige, *umgebung_.dateisystem, *umgebung_.wechselmedium);
        },
        [this, kopie] {
            auftrag_ = *kopie;
            bedienbar(true);
            if (beendenNachLauf_)
                close();
        });
}

void ZortaFormular::MNU_Reparatur_Click() {
    cmdStandarddialog_.CancelError = true;
    cmdStandarddialog_.DialogTitle = QStringLiteral("Datei reparieren...");
    cmdStandarddialog_.Filter = QStringLiteral("Batchdateien (*.bat)|*.bat");
    cmdStandarddialog_.Flags = Standarddialog::DateiMussExistieren;
    zorta::Fehler f = cmdStandarddialog_.ShowOpen(this);
    if (f.ok())
        f = reparatur_.starten(zuPfad(cmdStandarddialog_.FileName));
    if (f.ok() || f.nummer() == zorta::fehlernr::Abbruch)
        return;
    Meldungen::zeige(this, text(zorta::fehlermeldungReparatur(f)), QStringLiteral("Fehler..."),
                     QMessageBox::Critical);
}

void ZortaFormular::MNU_Hilfethemen_Click() {
    // The manual holds the topics; the short text stands in where no viewer opens it.
    if (umgebung_.dokumentOeffnen && umgebung_.dokumentOeffnen(umgebung_.handbuch))
        return;
    Meldungen::zeige(this, hilfethemenText(), QStringLiteral("Velmorix Zorta-Hilfethemen"),
                     QMessageBox::Information);
}

void ZortaFormular::MNU_OnlineDokumentation_Click() {
    if (umgebung_.dokumentOeffnen && umgebung_.dokumentOeffnen(umgebung_.handbuch))
        return;
    Meldungen::zeige(this, QStringLiteral("Die Online Dokumentation ist nicht verfügbar."), kTitel,
                     QMessageBox::Information);
}

void ZortaFormular::MNU_SoftwareService_Click() {
    Meldungen::zeige(this, softwareServiceText(QCoreApplication::applicationVersion()),
                     QStringLiteral("Software Service"), QMessageBox::Information);
}

void ZortaFormular::zortaAktiv(bool an) {
    zortaAktiv_ = an;
    Command1->setEnabled(an && !laeuft());
    MNU_Zorta->setEnabled(an && !laeuft());
}
