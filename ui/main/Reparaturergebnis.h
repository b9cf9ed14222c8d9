#pragma once

#include <QString>
#include <string>

#include "Starter.h"

struct Reparaturergebnis {
    bool erfolg = false;
    QString text;
};

// What the window tells the user when the batch interpreter started for
// `batch` has ended with `ende`: its exit status in plain German, followed by
// the result lines the interpreter handed over (see Stapelergebnis.h).
Reparaturergebnis reparaturergebnis(const std::string& batch, const zorta::Programmende& ende);
