#include "Pfade.h"

#include <cctype>

namespace zorta {

std::string OhneEndung(const std::string& path) {
    const auto punkt = path.rfind('.');
    if (punkt == std::string::npos)
        return path + ".";
    return path.substr(0, punkt + 1);
}

std::string Dateiname(const std::string& path) {
    const auto t = path.rfind(Trenner);
    if (t == std::string::npos)
        return path;
    return path.substr(t + 1);
}

std::string Ordner(const std::string& path) {
    const auto t = path.rfind(Trenner);
    if (t == std::string::npos)
        return "";
    if (t == 0)
        return std::string(1, Trenner);
    return path.substr(0, t);
}

std::string Ordnerpraefix(const std::string& ordner) {
    if (!ordner.empty() && ordner.back() == Trenner)
        return ordner;
    return ordner + Trenner;
}

bool liegtUnter(const std::string& pfad, const std::string& ordner) {
    if (pfad.empty() || pfad[0] != Trenner || ordner.empty() || ordner[0] != Trenner)
        return false;
    std::size_t n = ordner.size();
    while (n > 1 && ordner[n - 1] == Trenner) --n;  // "/mnt/" is "/mnt"
    if (n == 1)
        return true;
    return pfad.compare(0, n, ordner, 0, n) == 0 && (pfad.size() == n || pfad[n] == Trenner);
}

std::string trim(const std::string& text, const char* zeichen) {
    const auto a = text.find_first_not_of(zeichen);
    if (a == std::string::npos)
        return "";
    return text.substr(a, text.find_last_not_of(zeichen) - a + 1);
}

std::string Stuecknummer(std::int64_t nummer) {
    std::string ziffern = std::to_string(nummer);
    if (ziffern.size() < 3)
        ziffern.insert(0, 3 - ziffern.size(), '0');
    return ziffern;
}

std::string kleinAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace zorta
