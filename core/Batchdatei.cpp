#include "Batchdatei.h"

#include <iconv.h>

#include <algorithm>

namespace zorta {

namespace {

// `utf8` in code page 850; false when a character has no place there or the
// text is no valid UTF-8.
bool alsCp850(const std::string& utf8, std::string* aus) {
    const iconv_t cd = ::iconv_open("CP850", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    aus->assign(utf8.size(), '\0');  // one byte per character: never longer
    char* ein = const_cast<char*>(utf8.data());
    std::size_t einRest = utf8.size();
    char* ziel = aus->data();
    std::size_t zielRest = aus->size();
    const std::size_t r = ::iconv(cd, &ein, &einRest, &ziel, &zielRest);
    ::iconv_close(cd);
    if (r != 0 || einRest != 0)
        return false;  // not representable, or an approximation
    aus->resize(aus->size() - zielRest);
    return true;
}

}  // namespace

bool batchTauglich(const std::string& name) {
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7f || c == '"' || c == '\\';
    });
}

std::string dosName(const std::string& name) {
    // Blanks and the interpreter's separators and operators.
    static constexpr const char* kBesondere = " \t&^();,=+<>|";
    std::string text;
    for (const char c : name) {
        text += c;
        if (c == '%')
            text += '%';
    }
    if (name.find_first_of(kBesondere) == std::string::npos)
        return text;
    return "\"" + text + "\"";
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
    const std::string text = "@echo off\r\n" + kopierzeile + "\r\n";
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    std::string oem;
    if (!ascii && alsCp850(text, &oem))
        return oem;
    return text;
}

}  // namespace zorta
