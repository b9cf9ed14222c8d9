#pragma once

#include <QLineEdit>
#include <functional>

class QAction;
class QGroupBox;
class QLabel;
class QMainWindow;
class QProgressBar;
class QToolButton;

// The piece-size box; its key filter sees every typed character first.
class Groessenfeld : public QLineEdit {
    Q_OBJECT
  public:
    explicit Groessenfeld(QWidget* eltern) : QLineEdit(eltern) {}
    // Gets the character code of a typed character; setting it to 0
    // discards it. Editing keys without a character (Delete) pass untouched.
    std::function<void(int&)> tastendruck;

  protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// The main window's controls, placed in twips as the form was drawn, and
// its menu.
class Formularlage {
  protected:
    // Creates the controls on a new central widget of `fenster`, with their
    // texts, pictures, tips and tab order; the focus starts on Command3, and
    // Enter clicks a focused button.
    void anlegen(QMainWindow& fenster);
    // Creates the menu bar's entries of `fenster`.
    void menueAnlegen(QMainWindow& fenster);

    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QToolButton* Command1 = nullptr;
    QToolButton* Command3 = nullptr;
    QToolButton* Command4 = nullptr;
    QToolButton* Command5 = nullptr;
    QToolButton* Command6 = nullptr;
    QToolButton* Command7 = nullptr;
    QToolButton* Command8 = nullptr;
    Groessenfeld* textDateigröße = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* labelInfo = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QAction *MNU_Auswaehlen = nullptr, *MNU_Zorta = nullptr, *MNU_Beenden = nullptr;
    QAction* MNU_Reparatur = nullptr;
    QAction *MNU_Hilfethemen = nullptr, *MNU_OnlineDokumentation = nullptr;
    QAction *MNU_SoftwareService = nullptr, *MNU_Info = nullptr;
};
