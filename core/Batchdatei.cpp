#include "Batchdatei.h"

namespace zorta {

std::string dosName(const std::string& name) {
    // Blanks and the interpreter's separators and operators; quoting does not
    // help against '"' and '%', so those stay as they are.
    static constexpr const char* kBesondere = " \t&^();,=+<>|";
    if (name.find_first_of(kBesondere) == std::string::npos)
        return name;
    return "\"" + name + "\"";
}

void Kopierzeile::stueckAnfuegen(const std::string& stueckname) {
    if (!erstes_)
        text_ += " + ";
    erstes_ = false;
    text_ += dosName(stueckname);
}

void Kopierzeile::abschliessen(const std::string& quellname) {
    text_ += " ";
    text_ += dosName(quellname);
    text_ += " >nul";
}

std::string batchInhalt(const std::string& kopierzeile) {
    return "@echo off\r\n" + kopierzeile + "\r\n";
}

}  // namespace zorta
