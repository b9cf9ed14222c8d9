#pragma once

#include <QMessageBox>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

class QWidget;

// Every message box of the program goes through here. In test mode nothing
// is shown: each call is recorded and answered from a queue (replaced in
// tests), so modal boxes never block a test.
class Meldungen {
  public:
    struct Eintrag {
        QString text;
        QString titel;
        QMessageBox::Icon symbol;
        QMessageBox::StandardButtons knoepfe;
        QMessageBox::StandardButton standard;
    };

    static QMessageBox::StandardButton zeige(
        QWidget* eltern, const QString& text, const QString& titel, QMessageBox::Icon symbol,
        QMessageBox::StandardButtons knoepfe = QMessageBox::Ok,
        QMessageBox::StandardButton standard = QMessageBox::NoButton);

    static void testmodus(bool an);
    // Answers the next box in test mode; without one, a box answers its
    // default button, or OK.
    static void naechsteAntwort(QMessageBox::StandardButton antwort);
    static const std::vector<Eintrag>& protokoll();
    static void zuruecksetzen();
    // Runs at each box in test mode, before it is answered.
    static void beiMeldung(std::function<void(const Eintrag&)> f);
};
