#include "Reparaturstart.h"

#include <QSocketNotifier>
#include <QWidget>

#include "Meldungen.h"
#include "Reparatur.h"
#include "Reparaturergebnis.h"

zorta::Fehler Reparaturstart::starten(const std::string& batch) {
    zorta::Startauftrag a;
    zorta::Fehler f =
        zorta::startauftragFuer(batch, umgebung_.interpreter, *umgebung_.dateisystem, &a);
    std::unique_ptr<zorta::Beobachtung> b;
    if (f.ok())
        f = umgebung_.starter->beobachtetStarten(a, &b);
    // Only our interpreter's end means something; another program's is its own.
    if (f.ok() && b && a.programm == umgebung_.interpreter)
        beobachten(std::move(b), batch);
    return f;
}

void Reparaturstart::beobachten(std::unique_ptr<zorta::Beobachtung> b, const std::string& batch) {
    // The watch lives as long as its notifier, a child of the window.
    auto* melder = new QSocketNotifier(b->descriptor(), QSocketNotifier::Read, &fenster_);
    const std::shared_ptr<zorta::Beobachtung> beobachtung(std::move(b));
    QWidget* fenster = &fenster_;
    QObject::connect(
        melder, &QSocketNotifier::activated, fenster, [fenster, melder, beobachtung, batch] {
            if (!beobachtung->pruefen())
                return;
            // The descriptor stays readable while the message box below is open.
            melder->setEnabled(false);
            melder->deleteLater();
            const Reparaturergebnis e = reparaturergebnis(batch, beobachtung->ende());
            Meldungen::zeige(fenster, e.text, QStringLiteral("Reparatur"),
                             e.erfolg ? QMessageBox::Information : QMessageBox::Warning);
        });
}
