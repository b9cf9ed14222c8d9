#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "Standarddialog.h"
#include "Starter.h"
#include "Testhilfen.h"
#include "Umgebung.h"

namespace zorta::test {

// The control named `name` below `wurzel`; a missing one ends the test run.
template <typename T>
T* kind(const QObject* wurzel, const char* name) {
    T* w = wurzel->findChild<T*>(QString::fromUtf8(name));
    if (w == nullptr)
        qFatal("kein Steuerelement %s", name);
    return w;
}

// Stands in for the file dialog: records the settings it was shown with and
// answers from a queue (nullopt: cancelled).
class FakeDateiwahl final : public Dateiwahl {
  public:
    struct Aufruf {
        bool cancelError;
        QString titel, filter;
        int flags;
        QString dateiname;
    };
    std::deque<std::optional<QString>> antworten;
    std::vector<Aufruf> aufrufe;

    std::optional<QString> oeffnen(QWidget*, const Standarddialog& d) override {
        aufrufe.push_back({d.CancelError, d.DialogTitle, d.Filter, d.Flags, d.FileName});
        if (antworten.empty())
            return std::nullopt;
        auto a = antworten.front();
        antworten.pop_front();
        return a;
    }
};

using FakeStarter = Startprotokoll;

// Seams for a window under test; the raw pointers stay valid while the
// window that owns the Umgebung lives.
struct TestUmgebung {
    Umgebung umgebung;
    FakeStarter* starter = nullptr;
    FakeWechselmedium* medium = nullptr;
    SpeicherRegistrierung* registrierung = nullptr;
    std::vector<QString>* geoeffnet = nullptr;
};

inline TestUmgebung testUmgebung() {
    TestUmgebung t;
    auto starter = std::make_unique<FakeStarter>();
    auto medium = std::make_unique<FakeWechselmedium>();
    auto reg = std::make_unique<SpeicherRegistrierung>();
    t.starter = starter.get();
    t.medium = medium.get();
    t.registrierung = reg.get();
    t.umgebung.dateisystem = std::make_unique<PosixDateisystem>();
    t.umgebung.starter = std::move(starter);
    t.umgebung.wechselmedium = std::move(medium);
    t.umgebung.registrierung = std::move(reg);
    t.umgebung.interpreter = "/opt/zorta/zorta-batch";
    t.umgebung.handbuch = QStringLiteral("/opt/zorta/README.md");
    static std::vector<QString> geoeffnet;
    geoeffnet.clear();
    t.geoeffnet = &geoeffnet;
    t.umgebung.dokumentOeffnen = [](const QString& p) {
        geoeffnet.push_back(p);
        return false;
    };
    return t;
}

}  // namespace zorta::test
