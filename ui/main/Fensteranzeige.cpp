#include "Fensteranzeige.h"

#include <QLabel>
#include <QProgressBar>

#include "Meldungen.h"
#include "Oberflaeche.h"

void Fensteranzeige::verbinden(Steuerelemente s, std::function<void(bool)> zortaAktiv) {
    s_ = s;
    zortaAktiv_ = std::move(zortaAktiv);
}

std::string Fensteranzeige::zielverzeichnis() const {
    return zuPfad(s_.Label4->text());
}

void Fensteranzeige::statuszeile(const std::string& t) {
    s_.labelInfo->setText(ausPfad(t));
}

void Fensteranzeige::fortschrittZeigen() {
    // QProgressBar repaints at once on every new value.
    if (qRound(fortschritt_) != s_.ProgressBar1->value())
        s_.ProgressBar1->setValue(qRound(fortschritt_));
}

void Fensteranzeige::neuZeichnen() {
    // The run goes on in its own thread: the event loop paints.
    fortschrittZeigen();
}

float Fensteranzeige::fortschrittMaximum() const {
    return static_cast<float>(s_.ProgressBar1->maximum());
}

void Fensteranzeige::setzeFortschritt(float position) {
    fortschritt_ = position;
    fortschrittZeigen();
}

void Fensteranzeige::sanduhr(bool an) {
    if (an) {
        s_.fenster->setCursor(Qt::WaitCursor);
    } else {
        s_.fenster->unsetCursor();
    }
}

void Fensteranzeige::anzeigenLeeren() {
    s_.Label2->clear();
    s_.Label4->clear();
    s_.Label6->clear();
    s_.Label9->clear();
}

void Fensteranzeige::meldung(const std::string& t, const std::string& titel, zorta::Symbol s) {
    fortschrittZeigen();
    const QMessageBox::Icon symbol = s == zorta::Symbol::Information ? QMessageBox::Information
                                     : s == zorta::Symbol::Frage     ? QMessageBox::Question
                                     : s == zorta::Symbol::Stopp     ? QMessageBox::Critical
                                                                     : QMessageBox::NoIcon;
    Meldungen::zeige(s_.fenster, ausPfad(t), QString::fromStdString(titel), symbol);
}

bool Fensteranzeige::frage(const std::string& t, const std::string& titel) {
    fortschrittZeigen();
    return Meldungen::zeige(s_.fenster, ausPfad(t), QString::fromStdString(titel),
                            QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel,
                            QMessageBox::Ok) == QMessageBox::Ok;
}
