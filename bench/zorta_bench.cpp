// Measures the cutting run and the batch interpreter against split (alone and
// followed by sha256sum), cat and cp on the same data, and prints one table of
// medians. Run it once with DIR on disk and once on a tmpfs (/dev/shm): in
// memory the system calls and the per-block work show.
//
//   zorta_bench [--ordner DIR] [--runden N] [--ohne-4gib] [--nur-zusammensetzen]
//               [--nur-feindlich] [--nur-schneiden]
//
// DIR (default: the current folder) must have room for about 12 GiB. First it
// times hostile batch files, which must each cost under 2 s and 100 MiB.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Meldungen.h"
#include "Pfade.h"
#include "Stapel.h"
#include "Umgebung.h"
#include "Zerlegung.h"
#include "ZortaFormular.h"

namespace fs = std::filesystem;
using zorta::Auftrag;

namespace {

constexpr std::int64_t MiB = 1024 * 1024;
constexpr std::int64_t GiB = 1024 * MiB;

struct Messung {
    double wand = 0;  // seconds
    double cpu = 0;   // user + system seconds
    long spitzeKiB = 0;
};

double sekunden(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

double jetzt() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs `arbeit` in a child process, after the untimed `vorbereiten`. The
// child times itself (so that process start-up does not count) and reports
// through a pipe; the peak resident size comes from the kernel.
Messung imKind(const std::function<bool()>& arbeit, const std::function<void()>& vorbereiten = {}) {
    int rohr[2];
    if (::pipe(rohr) != 0)
        std::exit(1);
    const pid_t kind = ::fork();
    if (kind == 0) {
        ::close(rohr[0]);
        if (vorbereiten)
            vorbereiten();
        rusage vorher{}, nachher{};
        ::getrusage(RUSAGE_SELF, &vorher);
        const double start = jetzt();
        const bool ok = arbeit();
        Messung m;
        m.wand = jetzt() - start;
        ::getrusage(RUSAGE_SELF, &nachher);
        m.cpu = sekunden(nachher.ru_utime) - sekunden(vorher.ru_utime) +
                sekunden(nachher.ru_stime) - sekunden(vorher.ru_stime);
        (void)!::write(rohr[1], &m, sizeof m);
        ::_exit(ok ? 0 : 1);
    }
    ::close(rohr[1]);
    Messung m;
    if (::read(rohr[0], &m, sizeof m) != sizeof m)
        std::fprintf(stderr, "Lauf ohne Ergebnis\n");
    ::close(rohr[0]);
    int status = 0;
    rusage ru{};
    ::wait4(kind, &status, 0, &ru);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "Lauf gescheitert\n");
    m.spitzeKiB = ru.ru_maxrss;
    return m;
}

// Runs a program in `ordner`, stdout optionally into a file; timed from outside.
// An exit status other than `erwartet` is reported; `still` discards the
// program's error output.
Messung programm(const std::vector<std::string>& argv, const std::string& ordner,
                 const std::string& ausgabe = "", int erwartet = 0, bool still = false) {
    const double start = jetzt();
    const pid_t kind = ::fork();
    if (kind == 0) {
        if (::chdir(ordner.c_str()) != 0)
            ::_exit(126);
        if (!ausgabe.empty()) {
            const int fd = ::open(ausgabe.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
        }
        if (still)
            ::dup2(::open("/dev/null", O_WRONLY), 2);
        std::vector<char*> a;
        for (const auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
        a.push_back(nullptr);
        ::execvp(a[0], a.data());
        ::_exit(127);
    }
    int status = 0;
    rusage ru{};
    ::wait4(kind, &status, 0, &ru);
    Messung m;
    m.wand = jetzt() - start;
    m.cpu = sekunden(ru.ru_utime) + sekunden(ru.ru_stime);
    m.spitzeKiB = ru.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != erwartet) {
        std::fprintf(stderr, "%s gescheitert\n", argv[0].c_str());
    }
    return m;
}

// Batch files made to cost time or memory, run by the interpreter; each
// row says whether it is joined (0) or refused (2).
void feindlicheBatchdateien(const std::string& interpreter, const std::string& basis) {
    std::printf("\n%-40s %10s %12s\n", "hostile batch file", "wall", "peak");
    const std::string o = basis + "/feindlich";
    const auto mehrere = [](int zeilen, int teile) {
        std::string zeile = "copy /b T.001";
        for (int i = 0; i < teile; ++i) zeile += "+T.001";
        std::string text;
        for (int z = 0; z < zeilen; ++z) text += zeile + " X\r\n";
        return text;
    };
    const std::vector<std::pair<const char*, std::function<int()>>> faelle = {
        {"600,000 leading @",
         [&] {
             std::ofstream(o + "/T.bat") << std::string(600'000, '@') << "copy /b T.001 X";
             return 0;
         }},
        {"20,000 pieces, other case",
         [&] {
             std::string zeile = "copy /b ";
             for (int i = 1; i <= 20'000; ++i) {
                 std::ofstream(o + "/TEIL." + zorta::Stuecknummer(i)) << "x";
                 zeile += (i > 1 ? "+teil." : "teil.") + zorta::Stuecknummer(i);
             }
             std::ofstream(o + "/T.bat") << zeile << " X";
             return 0;
         }},
        {"millions of pieces on one line",
         [&] {
             std::ofstream(o + "/T.bat") << mehrere(1, zorta::kStapelHoechstens / 6 - 8);
             return 2;
         }},
        {"10,000 append lines of 4 KiB pieces",
         [&] {
             // Joined in place: copying the draft again per line would be
             // 200 GB here.
             std::ofstream bat(o + "/T.bat");
             for (int i = 1; i <= 10'000; ++i) {
                 std::ofstream(o + "/T." + zorta::Stuecknummer(i + 1)) << std::string(4096, 'x');
                 bat << "copy /b T.001 + T." << zorta::Stuecknummer(i + 1) << " T.001 >nul\r\n";
             }
             return 0;
         }},
        {"three lines of 100,000 pieces",
         [&] {
             std::ofstream(o + "/T.bat") << mehrere(3, 100'000);
             return 2;
         }},
        {"3 GiB sparse batch file",
         [&] {
             std::ofstream(o + "/T.bat") << "copy /b T.001 X\r\n";
             fs::resize_file(o + "/T.bat", 3 * GiB);
             return 2;
         }},
    };
    for (const auto& [was, anlegen] : faelle) {
        std::fflush(stdout);
        fs::remove_all(o);
        fs::create_directory(o);
        std::ofstream(o + "/T.001") << "a";
        const int erwartet = anlegen();
        const Messung m = programm({interpreter, "T.bat"}, o, "/dev/null", erwartet, true);
        std::printf("%-40s %8.3f s %8ld KiB   %s\n", was, m.wand, m.spitzeKiB,
                    m.wand < 2 && m.spitzeKiB < 100 * 1024 ? "ok" : "VERFEHLT");
    }
    fs::remove_all(o);
}

void datenErzeugen(const std::string& pfad, std::int64_t laenge) {
    const int fd = ::open(pfad.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::uint64_t> block(MiB / 8);
    std::uint64_t x = 88172645463325252ULL;
    for (std::int64_t i = 0; i < laenge; i += MiB) {
        for (auto& w : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            w = x;
        }
        (void)!::write(fd, block.data(), MiB);
    }
    ::close(fd);
}

void aufwaermen(const std::string& pfad) {
    std::vector<char> puffer(MiB);
    const int fd = ::open(pfad.c_str(), O_RDONLY);
    while (::read(fd, puffer.data(), puffer.size()) > 0) {
    }
    ::close(fd);
}

void leeren(const std::string& ordner) {
    fs::remove_all(ordner);
    fs::create_directory(ordner);
    ::sync();  // the next run must not pay for this one's writeback
}

class StilleAnzeige final : public zorta::Zerlegungsanzeige {
  public:
    explicit StilleAnzeige(std::string ziel) : ziel_(std::move(ziel)) {}
    std::string zielverzeichnis() const override { return ziel_; }
    void statuszeile(const std::string&) override {}
    void neuZeichnen() override {}
    float fortschrittMaximum() const override { return 100; }
    float fortschritt() const override { return p_; }
    void setzeFortschritt(float p) override { p_ = p; }
    void sanduhr(bool) override {}
    void anzeigenLeeren() override {}
    void zortaAktiv(bool) override {}
    void meldung(const std::string& t, const std::string&, zorta::Symbol) override { letzte = t; }
    std::string letzte;

  private:
    std::string ziel_;
    float p_ = 0;
};

bool kernSchnitt(const std::string& quelle, std::int64_t laenge, std::int64_t teil,
                 const std::string& ziel) {
    Auftrag a;
    a.Quelldatei = quelle;
    a.Quellgröße = laenge;
    a.Teilgröße = teil;
    StilleAnzeige anzeige(ziel);
    zorta::PosixDateisystem dateien;
    zorta::KeinWechselmedium medium;
    return zorta::zerlegen(a, anzeige, dateien, medium) == zorta::Ausgang::Erfolg;
}

// Only the cut's copy into pieces of `teil`, hashed as a whole, and with
// `stueckweise` each piece too: what the piece checksums cost.
bool nurKopieren(const std::string& quelle, std::int64_t laenge, std::int64_t teil,
                 const std::string& ziel, bool stueckweise) {
    zorta::PosixDateisystem fs;
    zorta::OffeneDatei ein(fs), aus(fs);
    zorta::Pruefsumme summe(zorta::Pruefsumme::StandardBlock, 3, stueckweise);
    if (!fs.oeffneLesen(quelle, ein.ziel()).ok())
        return false;
    for (std::int64_t nr = 1, rest = laenge; rest > 0; ++nr, rest -= teil) {
        if (!fs.oeffneNeu(ziel + "/BILD." + zorta::Stuecknummer(nr), aus.ziel()).ok() ||
            !zorta::BlockKopieren(std::min(rest, teil), fs, ein.handle(), aus.handle(), summe)
                 .ok() ||
            !aus.schliessen().ok())
            return false;
    }
    std::string hex;
    return summe.ergebnis(&hex).ok() && (!stueckweise || summe.stueckErgebnis(0, &hex).ok());
}

// The same cut started through the main window's cut command, offscreen.
Messung fensterSchnitt(const std::string& quelle, std::int64_t laenge, std::int64_t teil,
                       const std::string& ziel) {
    ZortaFormular* fenster = nullptr;  // lives until the child exits
    auto vorbereiten = [&] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "zorta_bench";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
        Meldungen::testmodus(true);
        Umgebung u;
        u.dateisystem = std::make_unique<zorta::PosixDateisystem>();
        u.wechselmedium = std::make_unique<zorta::KeinWechselmedium>();
        u.starter = std::make_unique<zorta::PosixStarter>();
        u.registrierung = std::make_unique<zorta::SpeicherRegistrierung>();
        fenster = new ZortaFormular(std::move(u));
        fenster->show();
        // The window is on screen and painted before the cut is started,
        // as it is for a user.
        QElapsedTimer gezeigt;
        gezeigt.start();
        while (gezeigt.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 50);
        fenster->findChild<QLabel*>("Label4")->setText(QString::fromStdString(ziel));
        fenster->auftrag().Quelldatei = quelle;
        fenster->auftrag().Quellgröße = laenge;
        fenster->auftrag().Teilgröße = teil;
    };
    auto schneiden = [&] {
        fenster->Command1_Click();
        while (fenster->laeuft()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return !Meldungen::protokoll().empty() &&
               Meldungen::protokoll().back().text ==
                   QStringLiteral("Zorta erfolgreich durchgeführt !");
    };
    return imKind(schneiden, vorbereiten);
}

Messung median(std::vector<Messung> v) {
    auto mitte = [&](auto feld) {
        std::vector<double> w;
        for (const auto& m : v) w.push_back(feld(m));
        std::sort(w.begin(), w.end());
        return w[w.size() / 2];
    };
    Messung m;
    m.wand = mitte([](const Messung& x) { return x.wand; });
    m.cpu = mitte([](const Messung& x) { return x.cpu; });
    m.spitzeKiB = static_cast<long>(mitte([](const Messung& x) { return double(x.spitzeKiB); }));
    return m;
}

void zeile(const char* was, const char* peer, const Messung& a, const Messung& b, double ziel) {
    const double rw = a.wand / b.wand, rc = b.cpu > 0 ? a.cpu / b.cpu : 0;
    std::printf("%-34s %8.3f s %8.3f s   %-10s %8.3f s %8.3f s   %5.2f %5.2f   %s\n", was, a.wand,
                a.cpu, peer, b.wand, b.cpu, rw, rc,
                ziel <= 0 ? "" : (std::round(rw * 100) / 100 <= ziel ? "ok" : "VERFEHLT"));
}

std::string zielpfad(const std::string& o, const char* n) {
    return o + "/" + n;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::string basis = fs::current_path();
    int runden = 5;
    bool vier = true;
    bool nurJoin = false;
    bool nurFeindlich = false;
    bool nurSchnitt = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--ordner" && i + 1 < argc)
            basis = argv[++i];
        else if (a == "--runden" && i + 1 < argc)
            runden = std::max(1, std::atoi(argv[++i]));
        else if (a == "--ohne-4gib")
            vier = false;
        else if (a == "--nur-zusammensetzen")
            nurJoin = true;
        else if (a == "--nur-feindlich")
            nurFeindlich = true;
        else if (a == "--nur-schneiden")
            nurSchnitt = true;
    }
    const std::string interpreter =
        fs::absolute(fs::path(argv[0]).parent_path() / "../bin/zorta-batch").string();
    std::string vorlage = basis + "/zorta-bench-XXXXXX";
    if (::mkdtemp(vorlage.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string ordner = vorlage;
    if (!nurSchnitt)
        feindlicheBatchdateien(interpreter, ordner);
    if (nurFeindlich) {
        fs::remove_all(ordner);
        return 0;
    }
    const std::string quelle = ordner + "/BILD.ZIP";
    const std::string ziel = ordner + "/ziel";
    fs::create_directory(ziel);
    std::printf("Daten in %s, %d Runden, Mediane\n", ordner.c_str(), runden);
    datenErzeugen(quelle, GiB);
    aufwaermen(quelle);

    std::printf("\n%-34s %10s %10s   %-10s %10s %10s   %11s\n", "measure (1 GiB)", "wall", "cpu",
                "peer", "wall", "cpu", "ratio w/c");
    // The cut writes its checksum file too; a user without Zorta would run
    // sha256sum after split to get one.
    for (const std::int64_t teil : {std::int64_t{1'433'600}, std::int64_t{98'304'000}}) {
        if (nurJoin)
            break;
        const bool mitSha = teil == 1'433'600;
        std::vector<Messung> wir, split, splitSha;
        for (int r = 0; r < runden; ++r) {
            wir.push_back(imKind([&] { return kernSchnitt(quelle, GiB, teil, ziel); }));
            leeren(ziel);
            split.push_back(programm(
                {"split", "-b", std::to_string(teil), "-a", "3", "-d", quelle, ziel + "/BILD."},
                ordner));
            if (mitSha) {
                Messung m = programm({"sha256sum", quelle}, ordner, "/dev/null");
                m.wand += split.back().wand;
                m.cpu += split.back().cpu;
                splitSha.push_back(m);
            }
            leeren(ziel);
        }
        const std::string was = "cut+sha256 into " + std::to_string(teil) + " B";
        zeile(was.c_str(), "split", median(wir), median(split), 1.00);
        if (mitSha)
            zeile(was.c_str(), "split+sha", median(wir), median(splitSha), 0.50);
    }

    // The piece checksums against the whole-file checksum alone.
    if (!nurJoin) {
        std::vector<Messung> ganz, stueckweise;
        for (int r = 0; r < runden; ++r) {
            ganz.push_back(
                imKind([&] { return nurKopieren(quelle, GiB, 1'433'600, ziel, false); }));
            leeren(ziel);
            stueckweise.push_back(
                imKind([&] { return nurKopieren(quelle, GiB, 1'433'600, ziel, true); }));
            leeren(ziel);
        }
        zeile("copy, sha256 of file and pieces", "file only", median(stueckweise), median(ganz),
              1.15);
    }
    if (nurSchnitt) {
        fs::remove_all(ordner);
        return 0;
    }

    if (!nurJoin) {
        std::vector<Messung> fenster, kern;
        for (int r = 0; r < runden; ++r) {
            fenster.push_back(fensterSchnitt(quelle, GiB, 1'433'600, ziel));
            leeren(ziel);
            kern.push_back(imKind([&] { return kernSchnitt(quelle, GiB, 1'433'600, ziel); }));
            leeren(ziel);
        }
        zeile("cut 1,433,600 B via window", "core", median(fenster), median(kern), 1.03);
    }

    std::vector<std::string> stuecke;
    {
        kernSchnitt(quelle, GiB, 1'433'600, ziel);
        ::sync();
        for (const auto& e : fs::directory_iterator(ziel)) {
            if (e.path().extension() != ".bat" && e.path().extension() != ".sha256")
                stuecke.push_back(e.path().filename());
        }
        std::sort(stuecke.begin(), stuecke.end(), [](const std::string& a, const std::string& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        std::vector<Messung> wir, cat, geprueft, catSumme;
        std::vector<std::string> catArgs = {"cat"};
        catArgs.insert(catArgs.end(), stuecke.begin(), stuecke.end());
        std::string catZeile = "cat";
        for (const auto& t : stuecke) catZeile += " " + t;
        catZeile += " > BILD.ZIP && sha256sum --quiet -c BILD.sha256";
        const std::string summe = ziel + "/BILD.sha256";
        const auto weg = [&] {
            fs::remove(ziel + "/BILD.ZIP");
            ::sync();
        };
        for (int r = 0; r < runden; ++r) {
            fs::remove(summe);
            wir.push_back(programm({interpreter, "BILD.bat"}, ziel));
            weg();
            cat.push_back(programm(catArgs, ziel, ziel + "/BILD.ZIP"));
            weg();
            // The checksum file as the cut writes it, in the format of sha256sum.
            programm({"sha256sum", "BILD.ZIP"}, ordner, summe);
            geprueft.push_back(programm({interpreter, "BILD.bat"}, ziel));
            weg();
            catSumme.push_back(programm({"sh", "-c", catZeile}, ziel));
            weg();
        }
        fs::remove(summe);
        zeile("join (zorta-batch BILD.bat)", "cat", median(wir), median(cat), 1.00);
        zeile("join checked against BILD.sha256", "cat+sha", median(geprueft), median(catSumme),
              0.50);
    }

    if (nurJoin) {
        fs::remove_all(ordner);
        return 0;
    }
    {
        fs::create_directory(ordner + "/ziel2");
        std::vector<Messung> cut, cp;
        for (int r = 0; r < runden; ++r) {
            cut.push_back(imKind(
                [&] { return kernSchnitt(quelle, GiB, 98'304'000, zielpfad(ordner, "ziel2")); }));
            fs::remove_all(ordner + "/ziel2");
            fs::create_directory(ordner + "/ziel2");
            ::sync();
            cp.push_back(programm({"cp", quelle, ordner + "/kopie"}, ordner));
            fs::remove(ordner + "/kopie");
            ::sync();
        }
        zeile("cut into 98,304,000 B", "cp", median(cut), median(cp), 0);
    }

    // Peak resident size, 1 GiB against 4 GiB.
    std::printf("\n%-34s %12s %12s %12s\n", "peak resident size", "1 GiB", "4 GiB", "difference");
    leeren(ziel);
    Messung schnitt1 = imKind([&] { return kernSchnitt(quelle, GiB, 98'304'000, ziel); });
    Messung join1 = programm({interpreter, "BILD.bat"}, ziel);
    leeren(ziel);
    if (vier) {
        const std::string gross = ordner + "/GROSS.ZIP";
        datenErzeugen(gross, 4 * GiB);
        fs::remove(quelle);
        Messung schnitt4 = imKind([&] { return kernSchnitt(gross, 4 * GiB, 98'304'000, ziel); });
        fs::remove(gross);
        Messung join4 = programm({interpreter, "GROSS.bat"}, ziel);
        auto speicher = [](const char* was, long a, long b) {
            std::printf("%-34s %9ld KiB %9ld KiB %9ld KiB   %s\n", was, a, b, b - a,
                        std::labs(b - a) < 1024 ? "ok" : "VERFEHLT");
        };
        speicher("cut (core, in a child)", schnitt1.spitzeKiB, schnitt4.spitzeKiB);
        speicher("join (zorta-batch)", join1.spitzeKiB, join4.spitzeKiB);
    }
    fs::remove_all(ordner);
    return 0;
}
