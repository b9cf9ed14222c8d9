#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "Dateisystem.h"
#include "Registrierung.h"
#include "Starter.h"
#include "Wechselmedium.h"

// Everything outside the program that the windows reach: one seam each.
// echt() gives the real ones; tests put in fakes.
struct Umgebung {
    // First, so that it goes last: the real probe and settings store use it.
    std::unique_ptr<zorta::Dateisystem> dateisystem;
    std::unique_ptr<zorta::Wechselmedium> wechselmedium;
    std::unique_ptr<zorta::Starter> starter;
    std::unique_ptr<zorta::Registrierung> registrierung;
    std::string interpreter;  // the batch interpreter beside the program
    QString handbuch;         // the manual that "Online Dokumentation" opens
    // Opens a document with the desktop's viewer; false when it cannot.
    std::function<bool(const QString&)> dokumentOeffnen;

    // `programmordner`: where the program lies (its helpers and manual are
    // found from there, in the build as after installation).
    static Umgebung echt(const QString& programmordner);
};
