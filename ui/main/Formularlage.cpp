#include "Formularlage.h"

#include <QAction>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolButton>

#include "Oberflaeche.h"

bool Groessenfeld::event(QEvent* e) {
    // The window's Ctrl shortcuts win over the box's own editing keys.
    if (e->type() == QEvent::ShortcutOverride &&
        (static_cast<QKeyEvent*>(e)->modifiers() & Qt::ControlModifier)) {
        e->ignore();
        return true;
    }
    return QLineEdit::event(e);
}

void Groessenfeld::keyPressEvent(QKeyEvent* e) {
    const QString zeichen = e->text();
    // X11 gives Delete the character 0x7F; it edits, it does not type.
    if (!zeichen.isEmpty() && tastendruck && e->key() != Qt::Key_Delete) {
        int code = zeichen.at(0).unicode();
        tastendruck(code);
        if (code == 0) {
            e->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

namespace {

// Enter on a focused button clicks it, as Space does.
class Eingabeklick final : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* objekt, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            const int taste = static_cast<QKeyEvent*>(e)->key();
            auto* knopf = qobject_cast<QToolButton*>(objekt);
            if (knopf && (taste == Qt::Key_Return || taste == Qt::Key_Enter)) {
                knopf->click();
                return true;
            }
        }
        return QObject::eventFilter(objekt, e);
    }
};

QToolButton* bildknopf(QWidget* eltern, const char* name, const QString& text, const char* bild,
                       const QRect& lage, const QString& tipp) {
    auto* k = steuerelement<QToolButton>(eltern, name, lage);
    k->setText(text);
    k->setIcon(QIcon(QStringLiteral(":/bilder/") + QLatin1String(bild) + QStringLiteral(".png")));
    k->setIconSize(QSize(32, 32));
    k->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    k->setFocusPolicy(Qt::StrongFocus);
    if (!tipp.isEmpty())
        k->setToolTip(tipp);
    return k;
}

QLabel* beschriften(QWidget* eltern, const char* name, const QString& text, const QRect& lage,
                    bool wert = false) {
    // Captions inherit the window's bold face; the four value labels are regular.
    QLabel* l = beschriftung(eltern, name, text, lage, eltern->font());
    if (wert)
        l->setFont(schrift(Schriftart::MsSansSerif, 8.25));
    return l;
}

}  // namespace

void Formularlage::anlegen(QMainWindow& fenster) {
    auto* flaeche = new QWidget(&fenster);
    flaeche->setObjectName(QStringLiteral("Flaeche"));
    flaeche->setFont(schrift(Schriftart::MsSansSerif, 8.25, true));
    fenster.setCentralWidget(flaeche);

    Frame2 = steuerelement<QGroupBox>(flaeche, "Frame2", twRechteck(120, 240, 9015, 1575));
    Command3 = bildknopf(
        Frame2, "Command3", QStringLiteral("Quelle"), "quelle", twRechteck(360, 360, 1095, 975),
        QStringLiteral("Wählen Sie hier die Datei aus, die Sie 'zortaten' wollen."));
    Command4 = bildknopf(Frame2, "Command4", QStringLiteral("Ziel"), "ziel",
                         twRechteck(1680, 360, 1095, 975),
                         QStringLiteral("Hier können Sie das Zielverzeichnis bestimmen."));
    beschriften(Frame2, "Label10", QStringLiteral("Diskformat :"),
                twRechteck(3240, 240, 1095, 255));
    Command6 = bildknopf(Frame2, "Command6", QStringLiteral("1.2 MB"), "diskette12",
                         twRechteck(3240, 600, 855, 735), QStringLiteral("1200 Kb"));
    Command5 = bildknopf(Frame2, "Command5", QStringLiteral("1.4 MB"), "diskette14",
                         twRechteck(4320, 600, 855, 735), QStringLiteral("1400 Kb"));
    Command7 = bildknopf(Frame2, "Command7", QStringLiteral("ZIP 100"), "zip",
                         twRechteck(5400, 600, 855, 735), QStringLiteral("96000 Kb"));
    Command8 = bildknopf(Frame2, "Command8", QStringLiteral("Benutzer"), "benutzer",
                         twRechteck(6480, 600, 855, 735), QString());
    beschriften(Frame2, "Label11", QStringLiteral("Kb"), twRechteck(8520, 1080, 375, 255));

    textDateigröße =
        steuerelement<Groessenfeld>(flaeche, "textDateigröße", twRechteck(7680, 1200, 855, 315));
    textDateigröße->setToolTip(QStringLiteral("Datei-Zorta-Größe"));
    textDateigröße->raise();

    Frame1 = steuerelement<QGroupBox>(flaeche, "Frame1", twRechteck(120, 1920, 9015, 1575));
    beschriften(Frame1, "Label1", QStringLiteral("Quelle :"), twRechteck(240, 360, 735, 255));
    Label2 = beschriften(Frame1, "Label2", QString(), twRechteck(960, 360, 7455, 255), true);
    beschriften(Frame1, "Label3", QStringLiteral("Ziel :"), twRechteck(240, 720, 615, 255));
    Label4 = beschriften(Frame1, "Label4", QString(), twRechteck(960, 720, 7455, 255), true);
    beschriften(Frame1, "Label5", QStringLiteral("Dateigröße :"), twRechteck(240, 1080, 1095, 255));
    Label6 = beschriften(Frame1, "Label6", QString(), twRechteck(1440, 1080, 975, 255), true);
    Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    beschriften(Frame1, "Label7", QStringLiteral("KByte"), twRechteck(2520, 1080, 615, 255));
    beschriften(Frame1, "Label8", QStringLiteral("Diskettenanzahl :"),
                twRechteck(3720, 1080, 1575, 255));
    Label9 = beschriften(Frame1, "Label9", QString(), twRechteck(5400, 1080, 615, 255), true);

    Frame3 = steuerelement<QGroupBox>(flaeche, "Frame3", twRechteck(120, 3600, 9015, 1575));
    ProgressBar1 =
        steuerelement<QProgressBar>(Frame3, "ProgressBar1", twRechteck(480, 1080, 6855, 255));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Command1 = bildknopf(Frame3, "Command1", QStringLiteral("Zorta"), "zorta",
                         twRechteck(7680, 360, 1095, 975),
                         QStringLiteral("Klicken Sie hier um zu starten"));
    Command1->setEnabled(false);

    labelInfo = beschriften(flaeche, "labelInfo", QString(), twRechteck(120, 5400, 9015, 375));
    labelInfo->setFrameStyle(QFrame::Box | QFrame::Plain);
    labelInfo->setAlignment(Qt::AlignCenter);
    labelInfo->setAutoFillBackground(true);  // repaints without its parents

    QWidget::setTabOrder(Command3, Command4);
    QWidget::setTabOrder(Command4, Command5);
    QWidget::setTabOrder(Command5, Command6);
    QWidget::setTabOrder(Command6, Command7);
    QWidget::setTabOrder(Command7, textDateigröße);
    QWidget::setTabOrder(textDateigröße, Command8);
    QWidget::setTabOrder(Command8, Command1);
    Command3->setFocus();
    // Before the menu exists: the menu bar's own buttons keep their keys.
    auto* klick = new Eingabeklick(&fenster);
    for (QToolButton* k : fenster.findChildren<QToolButton*>()) k->installEventFilter(klick);
}

void Formularlage::menueAnlegen(QMainWindow& fenster) {
    auto eintrag = [](QMenu* menue, const char* name, const QString& text,
                      const QKeySequence& taste = {}) {
        auto* a = menue->addAction(text);
        a->setObjectName(QString::fromUtf8(name));
        if (!taste.isEmpty())
            a->setShortcut(taste);
        return a;
    };
    QMenu* datei = fenster.menuBar()->addMenu(QStringLiteral("&Datei"));
    datei->setObjectName(QStringLiteral("MNU_Datei"));
    MNU_Auswaehlen = eintrag(datei, "MNU_Auswählen", QStringLiteral("&Auswählen..."),
                             QKeySequence(Qt::CTRL | Qt::Key_A));
    MNU_Zorta =
        eintrag(datei, "MNU_Zorta", QStringLiteral("&Zorta"), QKeySequence(Qt::CTRL | Qt::Key_S));
    MNU_Zorta->setEnabled(false);
    datei->addSeparator()->setObjectName(QStringLiteral("MNU_Leer2"));
    MNU_Beenden = eintrag(datei, "MNU_Beenden", QStringLiteral("&Beenden"),
                          QKeySequence(Qt::CTRL | Qt::Key_B));

    MNU_Reparatur = fenster.menuBar()->addAction(QStringLiteral("&Reparatur"));
    MNU_Reparatur->setObjectName(QStringLiteral("MNU_Reparatur"));

    QMenu* hilfe = fenster.menuBar()->addMenu(QStringLiteral("&?"));
    hilfe->setObjectName(QStringLiteral("MNU_Hilfe"));
    MNU_Hilfethemen =
        eintrag(hilfe, "MNU_Hilfethemen", QStringLiteral("Velmorix Zorta-&Hilfethemen"));
    MNU_OnlineDokumentation =
        eintrag(hilfe, "MNU_OnlineDokumentation", QStringLiteral("&Online Dokumentation"));
    MNU_SoftwareService =
        eintrag(hilfe, "MNU_SoftwareService", QStringLiteral("&Software Service"));
    hilfe->addSeparator()->setObjectName(QStringLiteral("MNU_Leer1"));
    MNU_Info = eintrag(hilfe, "MNU_Info", QStringLiteral("&Info"));
}
