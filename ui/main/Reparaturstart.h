#pragma once

#include <memory>
#include <string>

#include "Fehler.h"
#include "Starter.h"
#include "Umgebung.h"

class QWidget;

// Starts the batch interpreter on a batch file through the launcher and,
// when it ends, shows its result in a message box over `fenster`. Each
// repair is watched on its own; several may run at once.
class Reparaturstart {
  public:
    // REQUIRES: `fenster` and `umgebung` outlive this object.
    Reparaturstart(QWidget& fenster, const Umgebung& umgebung)
        : fenster_(fenster), umgebung_(umgebung) {}

    // Starts the repair of `batch`; an error value when it could not start.
    zorta::Fehler starten(const std::string& batch);

  private:
    void beobachten(std::unique_ptr<zorta::Beobachtung> b, const std::string& batch);

    QWidget& fenster_;
    const Umgebung& umgebung_;
};
