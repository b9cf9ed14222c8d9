#include "Batchdatei.h"

#include <algorithm>

#include "Codeseite.h"
#include "Grenzen.h"
#include "Pfade.h"

namespace zorta {

bool batchTauglich(const std::string& name) {
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7f || std::string_view("\"\\*?:<>|").find(c) != std::string::npos;
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

bool batchInhalt(const std::string& stamm, std::int64_t anzahl, const std::string& quellname,
                 std::string* inhalt, std::size_t* groesse) {
    // A piece is written as vorne + number + hinten: the stem's quotes and
    // doubled '%' do not depend on the digits after it.
    std::string stueck = dosName(stamm + "0");
    std::string ziel = dosName(quellname);
    const auto ascii = [](const std::string& s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
    };
    if (!ascii(stueck) || !ascii(ziel)) {
        std::string s, z;
        const Wandlung ws = umwandeln(stueck, "UTF-8", "CP850", &s);
        const Wandlung wz = umwandeln(ziel, "UTF-8", "CP850", &z);
        if (ws == Wandlung::NichtVerfuegbar || wz == Wandlung::NichtVerfuegbar)
            return false;
        if (ws == Wandlung::Ok && wz == Wandlung::Ok)
            stueck = std::move(s), ziel = std::move(z);
    }
    const std::size_t null = stueck.rfind('0');
    const std::string vorne = stueck.substr(0, null), hinten = stueck.substr(null + 1);
    const std::string schluss = " " + ziel + " >nul";

    std::string text = "@echo off\r\n";
    std::size_t laenge = text.size();
    const auto ausgeben = [&](const std::string& t) {
        laenge += t.size();
        if (inhalt)
            text += t;
    };
    const std::string anfang = "copy /b ";
    std::string zeile = anfang;
    for (std::int64_t nr = 1; nr <= anzahl; ++nr) {
        const std::string name = vorne + Stuecknummer(nr) + hinten;
        if (nr > 1 && zeile.size() + 3 + name.size() + schluss.size() > kZeileHoechstens) {
            ausgeben(zeile + schluss + "\r\n");
            zeile = anfang + ziel;
        }
        if (zeile.size() > anfang.size())
            zeile += " + ";
        zeile += name;
    }
    ausgeben(zeile + schluss + "\r\n");
    if (inhalt)
        *inhalt = std::move(text);
    if (groesse)
        *groesse = laenge;
    return true;
}

}  // namespace zorta
