#pragma once

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <filesystem>

#include "Meldungen.h"
#include "Standarddialog.h"
#include "Testhilfen.h"
#include "Umgebung.h"

namespace zorta::test {

// The control named `name` below `wurzel`; a missing one ends the test run.
template <typename T = QWidget>
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

// Stands in for the file dialog: counts its calls and answers `antwort`
// once (a null string: cancelled).
class FakeDateiwahl final : public Dateiwahl {
  public:
    QString antwort;
    int aufrufe = 0;
    std::optional<QString> oeffnen(QWidget*, const Standarddialog&) override {
        ++aufrufe;
        const QString a = std::exchange(antwort, QString());
        return a.isNull() ? std::nullopt : std::optional<QString>(a);
    }
};

}  // namespace zorta::test
