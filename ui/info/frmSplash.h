#pragma once

#include <QFrame>
#include <functional>

class QLabel;
class QTimer;

// The frame of the splash: a click on its own surface (not on a label or the
// logo) is Frame1_Click.
class Splashrahmen : public QFrame {
    Q_OBJECT
  public:
    explicit Splashrahmen(QWidget* eltern) : QFrame(eltern) {}
    std::function<void()> klick;

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    bool gedrueckt_ = false;
};

// The start-up window. The first of its timer, a key character or a click
// on its frame hands over to the main window, exactly once.
class frmSplash : public QFrame {
    Q_OBJECT
  public:
    // `hauptfenster` creates and shows the main window.
    explicit frmSplash(std::function<void()> hauptfenster);

    QTimer* timer() const { return Timer1; }

    void Timer1_Timer();
    void Form_KeyPress(int KeyAscii);
    void Frame1_Click();

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

  private:
    void uebergeben();
    std::function<void()> hauptfenster_;
    bool uebergeben_ = false;
    Splashrahmen* Frame1 = nullptr;
    QTimer* Timer1 = nullptr;
};
