#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Dateisystem.h"
#include "Stapel.h"

// The line reader of the batch interpreter: everything is read and checked
// before the first copy runs (see Stapel.h for the subset).
namespace zorta {

// One copy line, read and checked.
struct Stapelbefehl {
    int zeile = 0;
    std::string echo;  // what echo lines since the copy before printed
    Kopierbefehl k;
};

// Splits a batch text into lines as it arrives and checks each. The pieces
// of a copy line are counted while it is still being read, so a hostile
// line of millions of names is refused before it is held whole; other lines
// longer than cmd reads are refused as soon as they are.
class Stapelleser {
  public:
    explicit Stapelleser(Stapellauf& lauf) : lauf_(lauf) {}
    // False once the text is refused; lauf.meldung then says why.
    bool lesen(std::string_view stueck);
    bool ende();
    bool abgelehnt() const { return abgelehnt_; }

    std::vector<Stapelbefehl> befehle;  // the copy lines
    std::string schlussEcho;            // what echo lines after the last copy print

  private:
    bool zeileFertig();
    bool ablehnen(const std::string& grund) {
        lauf_.meldung += "Zeile " + std::to_string(nummer_) + " wird nicht unterstützt (" + grund +
                         ") – die Batchdatei wurde nicht ausgeführt.\n";
        abgelehnt_ = true;
        return false;
    }
    bool zuVieleTeile() {
        lauf_.meldung += "Die Batchdatei nennt mehr als " + std::to_string(kTeileHoechstens) +
                         " Teile – sie wurde nicht ausgeführt.\n";
        abgelehnt_ = true;
        return false;
    }

    Stapellauf& lauf_;
    std::string zeile_, echo_;
    int nummer_ = 1;
    bool anfang_ = true, crDavor_ = false, zitiert_ = false, strgZ_ = false, abgelehnt_ = false;
    std::size_t teile_ = 0;      // sources of the lines before
    std::size_t plus_ = 0;       // "+" outside quotes in this line
    std::size_t abschnitt_ = 0;  // characters since the last of them
};

// Feeds the batch file to `leser` piece by piece; a file above the limit is
// refused unread. A refusal by `leser` ends the reading early.
Fehler stapelLesen(Dateisystem& fs, const std::string& pfad, Stapelleser& leser, bool* zuGross);

}  // namespace zorta
