// Fuzz target: the path routines and the batch file builder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Batchdatei.h"
#include "Grenzen.h"
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
    if (!zorta::batchTauglich(name) || !zorta::batchTauglich(stamm) || name.size() > 255 ||
        stamm.size() > 255) {
        return 0;
    }
    // Up to about a thousand pieces, so long names need several lines.
    const std::int64_t anzahl = groesse == 0 ? 1 : 1 + daten[0] * 4;
    std::string t;
    if (!zorta::batchInhalt(stamm, anzahl, name, &t))
        return 0;
    if (t.rfind("@echo off\r\n", 0) != 0)
        __builtin_trap();
    for (std::size_t a = 11; a < t.size();) {
        const std::size_t e = t.find("\r\n", a);
        if (e == std::string::npos || e - a > zorta::kZeileHoechstens ||
            t.compare(a, 8, "copy /b ") != 0 || t.compare(e - 5, 5, " >nul") != 0) {
            __builtin_trap();
        }
        a = e + 2;
    }
    return 0;
}
