#pragma once

#include <string>

namespace zorta {

enum class Symbol { Keins, Information, Frage, Stopp };

// What the cutting run reads and writes in the main window. The window
// implements it; tests implement a recording fake.
class Zerlegungsanzeige {
  public:
    virtual ~Zerlegungsanzeige() = default;

    virtual std::string zielverzeichnis() const = 0;        // caption of Label4
    virtual void statuszeile(const std::string& text) = 0;  // caption of labelInfo
    virtual void neuZeichnen() = 0;
    virtual float fortschrittMaximum() const = 0;
    virtual float fortschritt() const = 0;
    virtual void setzeFortschritt(float position) = 0;
    virtual void sanduhr(bool an) = 0;
    // Clears Label2, Label4, Label6 and Label9.
    virtual void anzeigenLeeren() = 0;
    // Enables or disables Command1 and MNU_Zorta together.
    virtual void zortaAktiv(bool an) = 0;
    // A modal message box with a single OK button.
    virtual void meldung(const std::string& text, const std::string& titel, Symbol symbol) = 0;
    // A modal box with OK and Abbrechen and no icon; true for OK. A display
    // that cannot ask shows the text and goes on.
    virtual bool frage(const std::string& text, const std::string& titel) {
        meldung(text, titel, Symbol::Keins);
        return true;
    }
    // Asked between blocks and before every prompt; true ends the run
    // through its failure path without an error box. May be called from the
    // thread that runs the cut.
    virtual bool abbruchGewuenscht() { return false; }
};

}  // namespace zorta
