// Fuzz target: the path routines and the copy-line builder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Batchdatei.h"
#include "Pfade.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* daten, std::size_t groesse) {
    const std::string pfad(reinterpret_cast<const char*>(daten), groesse);
    const std::string ohne = zorta::OhneEndung(pfad);
    if (ohne.empty() || ohne.back() != '.')
        __builtin_trap();
    const std::string name = zorta::Dateiname(pfad);
    if (name.find(zorta::Trenner) != std::string::npos)
        __builtin_trap();
    (void)zorta::Ordner(pfad);
    const std::string stamm = zorta::Dateiname(ohne);
    zorta::Kopierzeile zeile;
    for (std::int64_t nr = 1; nr <= 3; ++nr) zeile.stueckAnfuegen(stamm + zorta::Stuecknummer(nr));
    zeile.abschliessen(name);
    const std::string& t = zeile.text();
    if (t.rfind("copy /b ", 0) != 0 || t.size() < 13 || t.compare(t.size() - 5, 5, " >nul") != 0) {
        __builtin_trap();
    }
    return 0;
}
