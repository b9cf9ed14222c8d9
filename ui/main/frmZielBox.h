#pragma once

#include <QDialog>
#include <QListWidget>
#include <functional>
#include <optional>
#include <vector>

#include "Laufwerke.h"

class QComboBox;
class QGroupBox;
class QPushButton;

// The classic directory list: the open folder's ancestors from the root
// down, then its subfolders. A click or an arrow key only moves the
// highlight; a double click or Enter opens the highlighted entry.
class Verzeichnisliste : public QListWidget {
    Q_OBJECT
  public:
    explicit Verzeichnisliste(QWidget* eltern);

    // Opens `pfad`; false (and the list unchanged) when it cannot be read.
    bool setzePfad(const QString& pfad);
    QString pfad() const { return pfad_; }  // "/" for the root, no trailing "/"
    QString markierterPfad() const;

    std::function<void(int)> tasteUnten;  // key code, e.g. 13 for Enter
    // Asks for the name of a new folder; nullopt when cancelled. Replaced in tests.
    std::function<std::optional<QString>()> ordnernameFragen;

    // Creates `name` in the open folder and highlights it; false (with
    // nothing changed) when it cannot be created.
    bool ordnerAnlegen(const QString& name);

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    QString pfad_;
};

// The target folder chooser. `zielSetzen` receives the open folder on OK
// (the main window's Label4). Destroyed whenever it closes.
class frmZielBox : public QDialog {
    Q_OBJECT
  public:
    // The drive list comes from `medium`, the window's removable-media probe.
    frmZielBox(std::function<void(const QString&)> zielSetzen, zorta::Wechselmedium& medium,
               QWidget* eltern = nullptr);

    void Form_Load();
    void Laufwerk1_Change();
    void Verzeichnis1_KeyDown(int KeyCode);
    void Command1_Click();
    void Command2_Click();
    // Every control's key handler: Escape unloads, anything else passes on.
    void Form_KeyPress(int& KeyAscii);

  protected:
    bool eventFilter(QObject* objekt, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    std::function<void(const QString&)> zielSetzen_;
    std::vector<zorta::Laufwerk> laufwerke_;
    QGroupBox* Rahmen1 = nullptr;
    QComboBox* Laufwerk1 = nullptr;
    Verzeichnisliste* Verzeichnis1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};
