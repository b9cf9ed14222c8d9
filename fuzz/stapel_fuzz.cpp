// Fuzz target: the batch interpreter's parser and line handling, and the
// checksum file reader. No file is touched: every file operation fails.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Stapel.h"

namespace {

class KeinDateisystem final : public zorta::Dateisystem {
  public:
    zorta::Fehler nein() { return zorta::Fehler::nummer(zorta::fehlernr::DateiNichtGefunden); }
    zorta::Fehler oeffneLesen(const std::string&, Handle*) override { return nein(); }
    zorta::Fehler oeffneNeu(const std::string&, Handle*) override { return nein(); }
    zorta::Fehler laenge(Handle, std::int64_t*) override { return nein(); }
    zorta::Fehler lesen(Handle, char*, std::size_t, std::size_t*) override { return nein(); }
    zorta::Fehler schreiben(Handle, const char*, std::size_t) override { return nein(); }
    zorta::Fehler ueberspringen(Handle, std::size_t) override { return nein(); }
    zorta::Fehler laengeAnPosition(Handle) override { return nein(); }
    zorta::Fehler uebertragen(Handle, Handle, std::size_t, std::size_t*) override { return nein(); }
    zorta::Fehler schliessen(Handle) override { return {}; }
    zorta::Fehler loeschen(const std::string&) override { return nein(); }
    zorta::Fehler existiert(const std::string&, bool* ja) override {
        *ja = true;  // so that copy reaches its destination checks
        return {};
    }
    zorta::Fehler umbenennen(const std::string&, const std::string&) override { return nein(); }
    zorta::Fehler kennung(const std::string&, zorta::Dateikennung* k) override {
        *k = {};
        return {};
    }
    zorta::Fehler verzeichnis(const std::string&, std::vector<std::string>*) override {
        return nein();
    }
    zorta::Fehler sichern(Handle) override { return nein(); }
    zorta::Fehler ordnerSichern(const std::string&) override { return nein(); }
    zorta::Fehler ordnerAnlegen(const std::string&, bool*) override { return nein(); }
    zorta::Fehler eintrag(const std::string&, zorta::Eintragsart*, bool*) override {
        return nein();
    }
    zorta::Fehler oeffneWennDatei(const std::string&, Handle*, Fund*) override { return nein(); }

    zorta::Fehler stand(Handle, zorta::Dateistand*) override { return nein(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* daten, std::size_t groesse) {
    const std::string text(reinterpret_cast<const char*>(daten), groesse);
    zorta::Kopierbefehl befehl;
    std::string fehler;
    (void)zorta::kopierbefehlLesen(text, &befehl, &fehler);
    std::unordered_map<std::string, std::string> summen;
    (void)zorta::pruefsummenLesen(text, &summen, &fehler);
    KeinDateisystem fs;
    std::string ausgabe;
    const int status = zorta::stapelAusfuehren(text, "ordner", fs, &ausgabe);
    if (status < 0 || status > 3)
        __builtin_trap();
    return 0;
}
