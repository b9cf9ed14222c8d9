#include "Meldungen.h"

#include <functional>

namespace {

struct Zustand {
    bool test = false;
    std::deque<QMessageBox::StandardButton> antworten;
    std::vector<Meldungen::Eintrag> protokoll;
    std::function<void(const Meldungen::Eintrag&)> beiMeldung;
};

Zustand& zustand() {
    static Zustand z;
    return z;
}

}  // namespace

QMessageBox::StandardButton Meldungen::zeige(QWidget* eltern, const QString& text,
                                             const QString& titel, QMessageBox::Icon symbol,
                                             QMessageBox::StandardButtons knoepfe,
                                             QMessageBox::StandardButton standard) {
    Zustand& z = zustand();
    if (z.test) {
        z.protokoll.push_back({text, titel, symbol, knoepfe, standard});
        if (z.beiMeldung)
            z.beiMeldung(z.protokoll.back());
        if (!z.antworten.empty()) {
            const auto a = z.antworten.front();
            z.antworten.pop_front();
            return a;
        }
        return standard != QMessageBox::NoButton ? standard : QMessageBox::Ok;
    }
    // The texts keep their lone carriage returns; on screen they break the line.
    QString anzeige = text;
    anzeige.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QMessageBox box(symbol, titel, anzeige, knoepfe, eltern);
    if (standard != QMessageBox::NoButton)
        box.setDefaultButton(standard);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void Meldungen::testmodus(bool an) {
    zustand().test = an;
}

void Meldungen::naechsteAntwort(QMessageBox::StandardButton antwort) {
    zustand().antworten.push_back(antwort);
}

const std::vector<Meldungen::Eintrag>& Meldungen::protokoll() {
    return zustand().protokoll;
}

void Meldungen::zuruecksetzen() {
    zustand().antworten.clear();
    zustand().protokoll.clear();
    zustand().beiMeldung = nullptr;
}

void Meldungen::beiMeldung(std::function<void(const Eintrag&)> f) {
    zustand().beiMeldung = std::move(f);
}
