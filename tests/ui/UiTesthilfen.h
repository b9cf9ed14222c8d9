#pragma once

#include <unistd.h>

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "Meldungen.h"
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

inline QStringList meldungstexte() {
    QStringList t;
    for (const auto& m : Meldungen::protokoll()) t << m.text;
    return t;
}

// Windows that closed are deleted.
inline void geschlossenLoeschen() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Stands in for the file dialog: records the settings it was shown with and
// answers from a queue (a null string: cancelled).
class FakeDateiwahl final : public Dateiwahl {
  public:
    struct Aufruf {
        QString filter, dateiname;
    };
    std::deque<QString> antworten;
    std::vector<Aufruf> aufrufe;

    std::optional<QString> oeffnen(QWidget*, const Standarddialog& d) override {
        aufrufe.push_back({d.Filter, d.FileName});
        QString a;
        if (!antworten.empty()) {
            a = antworten.front();
            antworten.pop_front();
        }
        if (a.isNull())
            return std::nullopt;
        return a;
    }
};

// A watched program that ends when the test says so; its descriptor turns
// readable then, like the real one.
class FakeBeobachtung final : public Beobachtung {
  public:
    FakeBeobachtung() {
        if (::pipe(rohr_) != 0)
            qFatal("pipe");
    }
    ~FakeBeobachtung() override {
        ::close(rohr_[0]);
        ::close(rohr_[1]);
    }
    void beenden(int status, std::string meldung) {
        ende_ = {status, std::move(meldung)};
        (void)!::write(rohr_[1], "x", 1);
    }
    int descriptor() const override { return rohr_[0]; }
    bool pruefen() override { return ende_.status != -2; }
    const Programmende& ende() const override { return ende_; }

  private:
    int rohr_[2] = {-1, -1};
    Programmende ende_{-2, {}};
};

// Records what would be started; with `beobachten`, hands back a watch the
// test ends (valid until the window has reported the end).
class FakeStarter final : public Starter {
  public:
    std::vector<Startauftrag> auftraege;
    Fehler antwort;
    bool beobachten = false;
    FakeBeobachtung* beobachtung = nullptr;
    Fehler starten(const Startauftrag& a) override {
        auftraege.push_back(a);
        return antwort;
    }
    Fehler beobachtetStarten(const Startauftrag& a, std::unique_ptr<Beobachtung>* b) override {
        b->reset();
        const Fehler f = starten(a);
        if (f.ok() && beobachten) {
            auto neu = std::make_unique<FakeBeobachtung>();
            beobachtung = neu.get();
            *b = std::move(neu);
        }
        return f;
    }
};

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
