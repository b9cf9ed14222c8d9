#pragma once

#include <QMainWindow>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "Anzeige.h"
#include "Auftrag.h"
#include "Fensteranzeige.h"
#include "Formularlage.h"
#include "Hintergrundlauf.h"
#include "Reparaturstart.h"
#include "Standarddialog.h"
#include "Starter.h"
#include "Umgebung.h"
#include "Zerlegungsquelle.h"

// The main window: job inputs, figures, the cut and repair commands.
class ZortaFormular : public QMainWindow, private Formularlage {
    Q_OBJECT
  public:
    explicit ZortaFormular(Umgebung umgebung, QWidget* eltern = nullptr);
    ~ZortaFormular() override;

    zorta::Auftrag& auftrag() { return auftrag_; }
    Standarddialog& cmdStandarddialog() { return cmdStandarddialog_; }

    // True while a cutting run copies in the background.
    bool laeuft() const { return lauf_.laeuft(); }
    // A source from outside (command line, drop): it waits, named in the
    // status line, until a valid piece size is set by a preset, Enter in
    // the box or a pause in typing it; `sofort` tries the box's size at once.
    void quelleAnbieten(const QString& pfad, bool sofort);
    // What was dropped on the window: one file is offered at once, anything
    // else is refused with a message.
    void gezogen(const QList<QUrl>& urls);

    // Event handlers, named after control and event.
    void Form_Load();
    void Form_Unload(int& cancel);
    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void MNU_Zorta_Click();
    void MNU_Auswählen_Click();
    void MNU_Beenden_Click();
    void MNU_Reparatur_Click();
    void MNU_Hilfethemen_Click();
    void MNU_OnlineDokumentation_Click();
    void MNU_SoftwareService_Click();
    void MNU_Info_Click();
    void textDateigröße_Change();
    void textDateigröße_KeyPress(int& KeyAscii);

    // The window's own routines.
    double GetDateigröße();
    QString DateiAuswahl();

    // Enables or disables Command1 and MNU_Zorta together.
    void zortaAktiv(bool an);

  protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    // The piece size in bytes from the box, or nullopt after its message.
    std::optional<std::int64_t> teilgroesseAusBox();
    // The checks of the source selection for `datei`; the job and the
    // displays change only when it is accepted.
    void quelleNehmen(std::int64_t teil, const QString& datei);
    void wartendeQuelleNehmen();
    bool abbruchFragen(bool beenden);
    void bedienbar(bool an);
    void steuerelementeAnlegen();

    Umgebung umgebung_;
    zorta::Auftrag auftrag_;
    Standarddialog cmdStandarddialog_;
    Reparaturstart reparatur_;
    bool zortaAktiv_ = false;
    bool beendenNachLauf_ = false;
    bool frageOffen_ = false;  // the cancel question is open
    zorta::WartendeQuelle wartend_;
    QTimer tippPause_;  // takes the waiting source after typing a size
    Fensteranzeige anzeige_;
    // Declared after umgebung_, auftrag_ and anzeige_: destroyed first, it
    // ends a run still going before anything that run uses.
    Hintergrundlauf lauf_;
};
