#include "Testhilfen.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace zorta::test {

Testordner::Testordner() {
    std::string vorlage = (std::filesystem::temp_directory_path() / "zorta-test-XXXXXX").string();
    if (::mkdtemp(vorlage.data()) == nullptr)
        throw std::runtime_error("mkdtemp");
    pfad_ = vorlage;
}

Testordner::~Testordner() {
    std::error_code ec;
    std::filesystem::permissions(pfad_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(pfad_, ec);
}

void schreibeMuster(const std::string& pfad, std::int64_t laenge) {
    std::ofstream aus(pfad, std::ios::binary | std::ios::trunc);
    std::vector<char> block(65536);
    for (std::int64_t i = 0; i < laenge;) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(laenge - i, 65536));
        for (std::size_t j = 0; j < n; ++j) block[j] = musterbyte(i + static_cast<std::int64_t>(j));
        aus.write(block.data(), static_cast<std::streamsize>(n));
        i += static_cast<std::int64_t>(n);
    }
}

void schreibeText(const std::string& pfad, const std::string& text) {
    std::ofstream(pfad, std::ios::binary | std::ios::trunc) << text;
}

std::string lies(const std::string& pfad) {
    std::ifstream in(pfad, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool gibtEs(const std::string& pfad) {
    return ::access(pfad.c_str(), F_OK) == 0;
}

std::vector<std::string> namenIn(const std::string& ordner) {
    std::vector<std::string> namen;
    for (const auto& e : std::filesystem::directory_iterator(ordner)) {
        namen.push_back(e.path().filename().string());
    }
    std::sort(namen.begin(), namen.end());
    return namen;
}

int offeneDeskriptoren() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

bool FehlerDateisystem::jetzt() {
    ++zaehler_;
    if (ziel_ != 0 && zaehler_ == ziel_) {
        ausgeloest_ = true;
        return true;
    }
    return false;
}

Fehler FehlerDateisystem::oeffneLesen(const std::string& p, Handle* h) {
    if (jetzt())
        return fehler_;
    Fehler f = echt_.oeffneLesen(p, h);
    if (f.ok())
        ++offen_;
    return f;
}

Fehler FehlerDateisystem::oeffneSchreiben(const std::string& p, Handle* h) {
    if (jetzt())
        return fehler_;
    Fehler f = echt_.oeffneSchreiben(p, h);
    if (f.ok())
        ++offen_;
    return f;
}

Fehler FehlerDateisystem::oeffneNeu(const std::string& p, Handle* h) {
    if (jetzt())
        return fehler_;
    Fehler f = echt_.oeffneNeu(p, h);
    if (f.ok())
        ++offen_;
    return f;
}

Fehler FehlerDateisystem::lesen(Handle h, char* b, std::size_t n, std::size_t* g) {
    if (jetzt()) {
        if (!kurz_)
            return fehler_;
        Fehler f = echt_.lesen(h, b, n / 2, g);
        return f;
    }
    return echt_.lesen(h, b, n, g);
}

Fehler FehlerDateisystem::schreiben(Handle h, const char* d, std::size_t n) {
    if (jetzt()) {
        // A full disk takes part of the data before it refuses.
        (void)echt_.schreiben(h, d, n / 2);
        return fehler_;
    }
    return echt_.schreiben(h, d, n);
}

Fehler FehlerDateisystem::schliessen(Handle h) {
    --offen_;
    Fehler f = echt_.schliessen(h);
    if (jetzt())
        return fehler_;  // the handle is released all the same
    return f;
}

Fehler FehlerDateisystem::loeschen(const std::string& p) {
    if (jetzt())
        return fehler_;
    return echt_.loeschen(p);
}

Fehler FehlerDateisystem::existiert(const std::string& p, bool* ja) {
    if (jetzt())
        return fehler_;
    return echt_.existiert(p, ja);
}

Fehler FehlerDateisystem::umbenennen(const std::string& v, const std::string& n) {
    if (jetzt())
        return fehler_;
    return echt_.umbenennen(v, n);
}

Fehler FehlerDateisystem::kennung(const std::string& p, Dateikennung* k) {
    if (jetzt())
        return fehler_;
    return echt_.kennung(p, k);
}

Fehler FehlerDateisystem::verzeichnis(const std::string& o, std::vector<std::string>* n) {
    if (jetzt())
        return fehler_;
    return echt_.verzeichnis(o, n);
}

int Anzeigeprotokoll::anzahlMeldungen(const std::string& text) const {
    return static_cast<int>(std::count_if(meldungen.begin(), meldungen.end(),
                                          [&](const Meldung& m) { return m.text == text; }));
}

}  // namespace zorta::test
