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

bool FehlerDateisystem::jetzt(bool lesend) {
    if (kurz_ && !lesend)
        return false;
    if (++zaehler_ != ziel_ || ziel_ == 0)
        return false;
    ausgeloest_ = true;
    if (beimAusloesen)
        beimAusloesen();
    return true;
}

Fehler FehlerDateisystem::lesen(Handle h, char* b, std::size_t n, std::size_t* g) {
    if (!jetzt(true))
        return echt_.lesen(h, b, n, g);
    return kurz_ ? echt_.lesen(h, b, n / 2, g) : fehler_;
}

Fehler FehlerDateisystem::schreiben(Handle h, const char* d, std::size_t n) {
    if (!jetzt())
        return echt_.schreiben(h, d, n);
    (void)echt_.schreiben(h, d, n / 2);  // a full disk takes part of the data first
    return fehler_;
}

Fehler FehlerDateisystem::schliessen(Handle h) {
    --offen_;
    Fehler f = echt_.schliessen(h);  // the handle is released all the same
    return jetzt() ? fehler_ : f;
}

int Anzeigeprotokoll::anzahlMeldungen(const std::string& text) const {
    return static_cast<int>(std::count_if(meldungen.begin(), meldungen.end(),
                                          [&](const Meldung& m) { return m.text == text; }));
}

}  // namespace zorta::test
