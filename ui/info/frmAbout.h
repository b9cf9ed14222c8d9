#pragma once

#include <QDialog>

#include "Registrierung.h"
#include "Starter.h"

class QPushButton;

// The About window; destroyed when it closes.
class frmAbout : public QDialog {
    Q_OBJECT
  public:
    // Both seams must outlive the window.
    frmAbout(zorta::Registrierung& registrierung, zorta::Dateisystem& dateisystem,
             zorta::Starter& starter, QWidget* eltern = nullptr);

    static const QString Beschreibung;
    static const QString Haftung;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    zorta::Registrierung& registrierung_;
    zorta::Dateisystem& dateisystem_;
    zorta::Starter& starter_;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
};
