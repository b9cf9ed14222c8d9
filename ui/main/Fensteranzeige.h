#pragma once

#include <functional>
#include <string>

#include "Anzeige.h"

class QLabel;
class QProgressBar;
class QWidget;

// What the cutting run reads and writes in the main window: its labels, the
// bar, the hourglass and its message boxes. Called on the window's thread
// (the background run forwards to it).
class Fensteranzeige final : public zorta::Zerlegungsanzeige {
  public:
    struct Steuerelemente {
        QWidget* fenster = nullptr;  // parent of the boxes, owner of the cursor
        QLabel *Label2 = nullptr, *Label4 = nullptr, *Label6 = nullptr, *Label9 = nullptr;
        QLabel* labelInfo = nullptr;
        QProgressBar* ProgressBar1 = nullptr;
    };

    // REQUIRES: called once, before the first run, with controls that
    // outlive this object. `zortaAktiv` enables the cut command.
    void verbinden(Steuerelemente s, std::function<void(bool)> zortaAktiv);

    std::string zielverzeichnis() const override;
    void statuszeile(const std::string& text) override;
    void neuZeichnen() override;
    float fortschrittMaximum() const override;
    float fortschritt() const override { return fortschritt_; }
    void setzeFortschritt(float position) override;
    void sanduhr(bool an) override;
    void anzeigenLeeren() override;
    void zortaAktiv(bool an) override { zortaAktiv_(an); }
    void meldung(const std::string& text, const std::string& titel, zorta::Symbol s) override;
    bool frage(const std::string& text, const std::string& titel) override;

  private:
    void fortschrittZeigen();

    Steuerelemente s_;
    std::function<void(bool)> zortaAktiv_;
    float fortschritt_ = 0;
};
