#include "Testhilfen.h"

#include <stdlib.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <stdexcept>

namespace zorta::test {

Testordner::Testordner() : pfad_((fs::temp_directory_path() / "zorta-test-XXXXXX").string()) {
    if (::mkdtemp(pfad_.data()) == nullptr)
        throw std::runtime_error("mkdtemp");
}

void schreibeText(const std::string& pfad, const std::string& text) {
    std::ofstream(pfad, std::ios::binary | std::ios::trunc) << text;
}

std::string lies(const std::string& pfad) {
    std::ifstream in(pfad, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool gleich(const std::string& a, const std::string& b, const std::string& bereich) {
    return std::system(("cmp -s " + bereich + " '" + a + "' '" + b + "'").c_str()) == 0;
}

std::vector<std::string> namenIn(const std::string& ordner) {
    std::vector<std::string> namen;
    for (const auto& e : std::filesystem::directory_iterator(ordner))
        namen.push_back(e.path().filename().string());
    std::sort(namen.begin(), namen.end());
    return namen;
}

void schreibeLueckenhaft(const std::string& pfad, std::int64_t laenge,
                         const std::vector<std::pair<std::int64_t, std::int64_t>>& bereiche) {
    std::ofstream aus(pfad, std::ios::binary | std::ios::trunc);
    for (const auto& [von, bis] : bereiche) {
        std::string block;
        for (std::int64_t i = von; i < bis; ++i)
            block += static_cast<char>((i * 7 + i / 251) & 0xff);
        aus.seekp(von);
        aus.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    aus.close();
    std::filesystem::resize_file(pfad, static_cast<std::uintmax_t>(laenge));
}

int imOrdner(const std::string& ordner, std::string befehl, const std::string& name) {
    for (auto i = befehl.find('%'); i != std::string::npos;
         i = befehl.find('%', i + name.size() + 2))
        befehl.replace(i, 1, "'" + name + "'");
    return std::system(("cd '" + ordner + "' && " + befehl + " 2>/dev/null").c_str());
}

int imKind(const std::function<int()>& f) {
    const pid_t kind = ::fork();
    if (kind == 0)
        ::_exit(f());
    int status = 0;
    ::waitpid(kind, &status, 0);
    return status;
}

// The saved ID stays root, so that root can come back.
OhneVorrecht::OhneVorrecht() : root_(::geteuid() == 0) {
    if (root_ && ::setresuid(65534, 65534, 0) != 0)
        throw std::runtime_error("setresuid");
}

OhneVorrecht::~OhneVorrecht() {
    if (root_ && ::setresuid(0, 0, 0) != 0)
        std::abort();
}

int mitDateigrenze(std::int64_t grenze, const std::function<int()>& f) {
    const int status = imKind([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{static_cast<rlim_t>(grenze), static_cast<rlim_t>(grenze)};
        ::setrlimit(RLIMIT_FSIZE, &r);
        return f();
    });
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {
std::string normal(const std::string& pfad) {
    std::string p = std::filesystem::path(pfad).lexically_normal().string();
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}
}  // namespace

void FehlerDateisystem::fehlerBei(int n, Fehler f) {
    protokoll.clear();
    ungesichertUmbenannt.clear();
    daten_.clear();
    eintraege_.clear();
    ausgeloest_ = false;
    ziel_ = n;
    fehler_ = std::move(f);
}

bool FehlerDateisystem::jetzt(const char* name, const std::string& pfad) {
    protokoll.push_back({name, pfad});
    if (static_cast<int>(protokoll.size()) != ziel_)
        return false;
    ausgeloest_ = true;
    if (beimAusloesen)
        beimAusloesen();
    return true;
}

Fehler FehlerDateisystem::durch(const char* name, const std::string& pfad,
                                const std::function<Fehler()>& echt,
                                const std::function<void()>& gelungen) {
    if (jetzt(name, pfad))
        return fehler_;
    Fehler f = echt();
    if (f.ok())
        gelungen();
    return f;
}

// A file opened for writing is neither flushed nor named on the medium yet.
Fehler FehlerDateisystem::oeffne(const char* name, const std::string& p, Handle* h, bool schreibend,
                                 const std::function<Fehler()>& echt) {
    return durch(name, p, echt, [&] {
        ++offen_;
        if (schreibend)
            pfade_[*h] = normal(p), daten_.insert(normal(p)), eintraege_.insert(normal(p));
    });
}

Fehler FehlerDateisystem::schreiben(Handle h, const char* d, std::size_t n) {
    if (!jetzt("schreiben"))
        return echt_.schreiben(h, d, n);
    (void)echt_.schreiben(h, d, n / 2);
    return fehler_;
}

Fehler FehlerDateisystem::schliessen(Handle h) {
    --offen_;
    const std::string pfad = pfade_.contains(h) ? pfade_.extract(h).mapped() : "";
    Fehler f = echt_.schliessen(h);  // the handle is released all the same
    return jetzt("schliessen", pfad) ? fehler_ : f;
}

Fehler FehlerDateisystem::ordnerSichern(const std::string& o) {
    return durch(
        "ordnerSichern", o, [&] { return echt_.ordnerSichern(o); },
        [&] {
            std::erase_if(eintraege_, [&](const std::string& e) {
                return normal(std::filesystem::path(e).parent_path().string()) == normal(o);
            });
        });
}

// A handle is open only when an ordinary file was found.
Fehler FehlerDateisystem::oeffneWennDatei(const std::string& p, Handle* h, Fund* f) {
    if (jetzt("oeffneWennDatei", p))
        return fehler_;
    Fehler e = echt_.oeffneWennDatei(p, h, f);
    offen_ += e.ok() && *f == Fund::Datei;
    return e;
}

Fehler FehlerDateisystem::umbenennen(const std::string& v, const std::string& n) {
    return durch(
        "umbenennen", n, [&] { return echt_.umbenennen(v, n); },
        [&] {
            if (daten_.erase(normal(v)))
                daten_.insert(normal(n)), ungesichertUmbenannt.push_back(n);
            eintraege_.erase(normal(v));
            eintraege_.insert(normal(n));
        });
}

Fehler FehlerDateisystem::oeffneVomMedium(const std::string& p, Handle* h) {
    return oeffne("oeffneVomMedium", p, h, false, [&] {
        if (Fehler f = echt_.oeffneVomMedium(p, h); !f.ok() || !verfaelschen || !verfaelschen(p))
            return f;
        // The other bytes come from a file in memory in place of the piece.
        std::string inhalt(static_cast<std::size_t>(fs::file_size(p)), '\0');
        std::size_t gelesen = 0;
        (void)echt_.lesen(*h, inhalt.data(), inhalt.size(), &gelesen);
        (void)echt_.schliessen(*h);
        inhalt.empty() ? inhalt.push_back('x') : void(inhalt[0] ^= 0x10);
        *h = ::memfd_create("verfaelscht", MFD_CLOEXEC);
        (void)echt_.schreiben(*h, inhalt.data(), inhalt.size());
        ::lseek(*h, 0, SEEK_SET);
        return Fehler{};
    });
}

std::vector<std::string> FehlerDateisystem::ungesichert() const {
    std::set<std::string> alle = daten_;
    alle.insert(eintraege_.begin(), eintraege_.end());
    std::erase_if(alle, [](const std::string& p) { return !fs::exists(p); });  // removed since
    return {alle.begin(), alle.end()};
}

int Anzeigeprotokoll::anzahlMeldungen(const std::string& text) const {
    return static_cast<int>(std::count_if(meldungen.begin(), meldungen.end(),
                                          [&](const Meldung& m) { return m.text == text; }));
}

}  // namespace zorta::test
