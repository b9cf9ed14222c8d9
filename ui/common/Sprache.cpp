#include "Sprache.h"

#include <cstdlib>
#include <string>

namespace {

std::string variable(const char* name) {
    const char* wert = std::getenv(name);
    return wert ? wert : "";
}

bool ohneSprache(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// The value a category gets from the environment, as the C library reads it.
std::string kategorie(const char* name) {
    for (const char* v : {"LC_ALL", name, "LANG"}) {
        if (std::string wert = variable(v); !wert.empty())
            return wert;
    }
    return "C";
}

}  // namespace

bool deutschOhneSprache() {
    if (!ohneSprache(kategorie("LC_MESSAGES")))
        return false;
    const std::string zeichensatz = kategorie("LC_CTYPE");
    // LC_ALL would override LANG; the categories it stood for other than
    // the character set have no language either.
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::setenv("LC_CTYPE", zeichensatz.c_str(), 1);
    ::setenv("LANG", "de_DE.UTF-8", 1);
    return true;
}
