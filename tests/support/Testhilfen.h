#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Anzeige.h"
#include "Dateisystem.h"
#include "Starter.h"
#include "Wechselmedium.h"

namespace fs = std::filesystem;

namespace zorta::test {

// Names the rows of a parameterised test after their `name` field.
inline constexpr auto zeilenname = [](const auto& info) { return std::string(info.param.name); };

// A fresh folder below the system's temporary folder, removed with its
// contents when the object goes.
class Testordner {
  public:
    Testordner();
    ~Testordner() {
        std::error_code ec;
        fs::remove_all(pfad_, ec);
    }
    Testordner(const Testordner&) = delete;
    Testordner& operator=(const Testordner&) = delete;

    const std::string& pfad() const { return pfad_; }
    std::string operator/(const std::string& name) const { return pfad_ + "/" + name; }

  private:
    std::string pfad_;
};

void schreibeText(const std::string& pfad, const std::string& text);
std::string lies(const std::string& pfad);
// Byte for byte, of any size; `bereich` as cmp takes it ("-i SKIP1:SKIP2 -n LIMIT").
bool gleich(const std::string& a, const std::string& b, const std::string& bereich = "");
std::vector<std::string> namenIn(const std::string& ordner);  // sorted
// A file of `laenge` bytes with a pattern that repeats only every 251 * 256
// bytes in the ranges {from, to}, and holes everywhere else (zeros where a
// range does not fill a block).
void schreibeLueckenhaft(const std::string& pfad, std::int64_t laenge,
                         const std::vector<std::pair<std::int64_t, std::int64_t>>& bereiche);
inline void schreibeMuster(const std::string& pfad, std::int64_t laenge) {
    schreibeLueckenhaft(pfad, laenge, {{0, laenge}});
}
// Runs the shell command `befehl` in `ordner`, each % standing for the quoted
// `name`; returns what system() returns.
int imOrdner(const std::string& ordner, std::string befehl, const std::string& name);
// Runs `f` in a forked child and returns its wait status; its exit code is f's result.
int imKind(const std::function<int()>& f);
// While it lives, folder permissions apply: when the tests run as root, who
// may read and enter any folder, the process runs as nobody.
class OhneVorrecht {
  public:
    OhneVorrecht();
    ~OhneVorrecht();
    OhneVorrecht(const OhneVorrecht&) = delete;
    OhneVorrecht& operator=(const OhneVorrecht&) = delete;

  private:
    bool root_;
};
// Runs `f` in a child whose files may not grow beyond `grenze` bytes, so that
// a write across it is cut short; returns f's result (-1: the child died).
int mitDateigrenze(std::int64_t grenze, const std::function<int()>& f);

// The real file system, with one chosen operation failing. Operations are
// counted from 1 across all calls; `fehlerBei(n, f)` makes the n-th fail with
// f (0: none); a failing write takes half the data first, as a full disk
// does. `protokoll` names the counted operations.
class FehlerDateisystem final : public Dateisystem {
  public:
    struct Operation {
        std::string name, pfad;  // pfad: of opening, removing, renaming, closing a written file
    };
    void fehlerBei(int n, Fehler f);
    std::vector<Operation> protokoll;
    std::function<void()> beimAusloesen;  // runs when the chosen operation is reached
    bool ausgeloest() const { return ausgeloest_; }
    int offen() const { return offen_; }
    // Files opened for writing here whose data (from the opening on) or name
    // has not been flushed since: what a pulled stick would lose. Sorted.
    std::vector<std::string> ungesichert() const;
    std::vector<std::string> ungesichertUmbenannt;  // renamed before their data was flushed

    Fehler schreiben(Handle h, const char* d, std::size_t n) override;
    Fehler schliessen(Handle h) override;
    Fehler umbenennen(const std::string& v, const std::string& n) override;
    Fehler ordnerSichern(const std::string& o) override;
    Fehler oeffneWennDatei(const std::string& p, Handle* h, Fund* f) override;
    // The real operation, unless it is the chosen one.
    // clang-format off
    Fehler oeffneLesen(const std::string& p, Handle* h) override { return oeffne("oeffneLesen", p, h, false, [&] { return echt_.oeffneLesen(p, h); }); }
    Fehler oeffneNeu(const std::string& p, Handle* h) override { return oeffne("oeffneNeu", p, h, true, [&] { return echt_.oeffneNeu(p, h); }); }
    Fehler oeffneEntwurf(const std::string& p, Handle* h) override { return oeffne("oeffneEntwurf", p, h, true, [&] { return echt_.oeffneEntwurf(p, h); }); }
    Fehler laenge(Handle h, std::int64_t* n) override { return jetzt("laenge") ? fehler_ : echt_.laenge(h, n); }
    Fehler lesen(Handle h, char* b, std::size_t n, std::size_t* g) override { return jetzt("lesen") ? fehler_ : echt_.lesen(h, b, n, g); }
    Fehler ueberspringen(Handle h, std::size_t n) override { return jetzt("ueberspringen") ? fehler_ : echt_.ueberspringen(h, n); }
    Fehler uebertragen(Handle v, Handle n, std::size_t max, std::size_t* m) override { return jetzt("uebertragen") ? fehler_ : echt_.uebertragen(v, n, max, m); }
    Fehler laengeAnPosition(Handle h) override { return jetzt("laengeAnPosition") ? fehler_ : echt_.laengeAnPosition(h); }
    Fehler loeschen(const std::string& p) override { return jetzt("loeschen", p) ? fehler_ : echt_.loeschen(p); }
    Fehler existiert(const std::string& p, bool* ja) override { return jetzt("existiert", p) ? fehler_ : echt_.existiert(p, ja); }
    Fehler kennung(const std::string& p, Dateikennung* k) override { return jetzt("kennung", p) ? fehler_ : echt_.kennung(p, k); }
    Fehler verzeichnis(const std::string& o, std::vector<std::string>* n) override { return jetzt("verzeichnis", o) ? fehler_ : echt_.verzeichnis(o, n); }

    Fehler sichern(Handle h) override { return durch("sichern", "", [&] { return echt_.sichern(h); }, [&] { daten_.erase(pfade_[h]); }); }
    Fehler stand(Handle h, Dateistand* s) override { return jetzt("stand") ? fehler_ : echt_.stand(h, s); }
    Fehler positionieren(Handle h, std::int64_t n) override { return jetzt("positionieren") ? fehler_ : echt_.positionieren(h, n); }
    Fehler ordnerAnlegen(const std::string& p, bool* neu) override { return jetzt("ordnerAnlegen", p) ? fehler_ : echt_.ordnerAnlegen(p, neu); }
    Fehler eintrag(const std::string& p, Eintragsart* a, bool* x) override { return jetzt("eintrag", p) ? fehler_ : echt_.eintrag(p, a, x); }
    // clang-format on

    // What zielplatz() pretends for a folder (any type, any free space); the
    // real target's when unset. Neither is counted as an operation.
    std::function<Zielplatz(const std::string&)> ziele;
    Zielplatz zielplatz(const std::string& o) override {
        return ziele ? ziele(o) : echt_.zielplatz(o);
    }
    std::int64_t belegt(const std::string& p) override { return echt_.belegt(p); }
    // Pieces of a join, opened without following a link.
    Fehler oeffneTeil(const std::string& p, Handle* h, bool* datei) override {
        *datei = true;
        Fehler f = oeffne("oeffneTeil", p, h, false, [&] { return echt_.oeffneTeil(p, h, datei); });
        offen_ -= f.ok() && !*datei;  // nothing was opened
        return f;
    }
    // Read-back and writing again. A read-back of a path for which
    // `verfaelschen` says true gives its bytes with the first one flipped.
    std::function<bool(const std::string& pfad)> verfaelschen;
    Fehler oeffneVomMedium(const std::string& p, Handle* h) override;

  private:
    bool jetzt(const char* name, const std::string& pfad = "");
    // The real operation unless it is the chosen one; `gelungen` records a success.
    Fehler durch(const char* name, const std::string& pfad, const std::function<Fehler()>& echt,
                 const std::function<void()>& gelungen);
    Fehler oeffne(const char* name, const std::string& p, Handle* h, bool schreibend,
                  const std::function<Fehler()>& echt);
    std::map<Handle, std::string> pfade_;  // handles open for writing
    std::set<std::string> daten_, eintraege_;
    PosixDateisystem echt_;
    int ziel_ = 0;
    int offen_ = 0;
    bool ausgeloest_ = false;
    Fehler fehler_;
};

// Records what the cutting run shows.
class Anzeigeprotokoll final : public Zerlegungsanzeige {
  public:
    struct Meldung {
        std::string text, titel;
        Symbol symbol;
    };
    std::string ziel;
    std::vector<std::string> statuszeilen;
    std::vector<float> positionen;
    std::vector<Meldung> meldungen;
    std::vector<bool> sanduhrWechsel;
    float position = 0;
    bool geleert = false;
    bool zortaAn = true;
    int abbrechenAb = 0;  // abbruchGewuenscht() is true from this call on; 0: never
    int abfragen = 0;     // calls of abbruchGewuenscht() so far
    // Runs at each message box, e.g. to pull a stick while a prompt is open.
    std::function<void(const Meldung&)> beiMeldung;
    bool antwort = true;  // what frage() answers

    std::string zielverzeichnis() const override { return ziel; }
    void statuszeile(const std::string& t) override { statuszeilen.push_back(t); }
    void neuZeichnen() override {}
    float fortschrittMaximum() const override { return 100; }
    float fortschritt() const override { return position; }
    void setzeFortschritt(float p) override { positionen.push_back(position = p); }
    void sanduhr(bool an) override { sanduhrWechsel.push_back(an); }
    void anzeigenLeeren() override { ziel.clear(), geleert = true; }
    void zortaAktiv(bool an) override { zortaAn = an; }
    void meldung(const std::string& text, const std::string& titel, Symbol s) override {
        meldungen.push_back({text, titel, s});
        if (beiMeldung)
            beiMeldung(meldungen.back());
    }
    bool frage(const std::string& text, const std::string& titel) override {
        meldung(text, titel, Symbol::Frage);
        return antwort;
    }
    bool abbruchGewuenscht() override { return ++abfragen >= abbrechenAb && abbrechenAb > 0; }
    int anzahlMeldungen(const std::string& text) const;
};

class FakeWechselmedium final : public Wechselmedium {
  public:
    bool wechselbar = false;
    std::string unterordner;      // what stand() reports
    std::deque<Folge> antworten;  // of folgen() in turn; then the same folder
    std::vector<Laufwerk> laufwerkliste;
    bool istWechselbar(const std::string&) override { return wechselbar; }
    Medienstand stand(const std::string&) override { return {{}, {}, false, unterordner}; }
    Folge folgen(const std::string& ordner, const Medienstand&) override {
        const Folge f = antworten.empty() ? Folge::weiter(ordner) : antworten.front();
        antworten.erase(antworten.begin(), antworten.begin() + !antworten.empty());
        return f;
    }
    std::vector<Laufwerk> laufwerke(const std::string&) override { return laufwerkliste; }
};

// Records what would be started and answers with `antwort`.
class Startprotokoll final : public Starter {
  public:
    std::vector<Startauftrag> auftraege;
    Fehler antwort;
    Fehler starten(const Startauftrag& a) override {
        auftraege.push_back(a);
        return antwort;
    }
};

}  // namespace zorta::test
