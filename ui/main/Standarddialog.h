#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "Fehler.h"

class QWidget;
class Standarddialog;

// Shows the open-file dialog for the settings of a Standarddialog; nullopt
// when cancelled. Replaced in tests.
class Dateiwahl {
  public:
    virtual ~Dateiwahl() = default;
    virtual std::optional<QString> oeffnen(QWidget* eltern,
                                           const Standarddialog& einstellungen) = 0;
};

// The main window's one file-open dialog object. Its settings persist from
// one use to the next; each user sets only some of them.
class Standarddialog {
  public:
    static constexpr int DateiMussExistieren = 4096;

    Standarddialog();
    ~Standarddialog();
    Standarddialog(const Standarddialog&) = delete;
    Standarddialog& operator=(const Standarddialog&) = delete;

    bool CancelError = false;
    QString DialogTitle;
    QString Filter;  // "description|pattern|description|pattern"
    int Flags = 0;
    QString FileName;

    // Shows the dialog. Cancel is error 32755 when CancelError is set. After a
    // choice, FileName holds its full path and the process's current folder
    // is the chosen file's folder.
    zorta::Fehler ShowOpen(QWidget* eltern);

    // The Filter as Qt name filters ("Batchdateien (*.bat)").
    QStringList namensfilter() const;
    // Whether the Filter lets `dateiname` into the list, in any case
    // ("BILD.BAT" from a FAT stick is a batch file too).
    bool zeigt(const QString& dateiname) const;

    void setzeWahl(std::unique_ptr<Dateiwahl> wahl);  // replaced in tests

  private:
    std::unique_ptr<Dateiwahl> wahl_;
};
