#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "Pfade.h"
#include "Stapel.h"
#include "Testhilfen.h"
#include "Zerlegung.h"

namespace zorta {
namespace {

using test::Testordner;

constexpr std::int64_t GiB = 1024LL * 1024 * 1024;

void schreibeByte(const std::string& pfad, std::int64_t stelle, char c) {
    const int fd = ::open(pfad.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, &c, 1, stelle), 1);
    ::close(fd);
}

char liesByte(const std::string& pfad, std::int64_t stelle) {
    char c = '?';
    const int fd = ::open(pfad.c_str(), O_RDONLY);
    if (fd >= 0 && ::pread(fd, &c, 1, stelle) != 1)
        c = '?';
    ::close(fd);
    return c;
}

// A 5 GiB source, sparse but for three bytes beyond 2 GiB and 4 GiB and at
// its end, cut into "ZIP 100" pieces and joined again.
TEST(GrosseDateien, fuenfGibibyteSchneidenUndZusammenfuegen) {
    Testordner tmp;
    const std::string quelle = tmp / "BILD.IMG";
    const std::int64_t laenge = 5 * GiB;
    {
        const int fd = ::open(quelle.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const bool ok = ::ftruncate(fd, laenge) == 0;
        ::close(fd);
        if (!ok)
            GTEST_SKIP() << "Das Dateisystem kann keine Datei von 5 GiB halten.";
    }
    struct stat st {};
    ::stat(quelle.c_str(), &st);
    if (st.st_blocks * 512 > 64 * 1024 * 1024) {
        GTEST_SKIP() << "Das Dateisystem legt keine Dateien mit Lücken an.";
    }
    const std::vector<std::pair<std::int64_t, char>> marken = {
        {2 * GiB + 123, 'A'}, {4 * GiB + 77, 'B'}, {laenge - 1, 'Z'}};
    for (const auto& [stelle, c] : marken) schreibeByte(quelle, stelle, c);

    const std::string ziel = tmp / "ziel";
    std::filesystem::create_directory(ziel);
    Auftrag a;
    a.Quelldatei = quelle;
    a.Quellgröße = laenge;
    a.Teilgröße = 98'304'000;
    test::Anzeigeprotokoll anzeige;
    anzeige.ziel = ziel;
    PosixDateisystem fs;
    KeinWechselmedium medium;
    ASSERT_EQ(zerlegen(a, anzeige, fs, medium), Ausgang::Erfolg);

    const std::int64_t anzahl = 55;  // 5 GiB / 98,304,000 bytes, rounded up
    std::string zeile = "copy /b ";
    for (std::int64_t k = 1; k <= anzahl; ++k) {
        const std::string name = "BILD." + Stuecknummer(k);
        const auto groesse = std::filesystem::file_size(ziel + "/" + name);
        EXPECT_EQ(static_cast<std::int64_t>(groesse),
                  k < anzahl ? a.Teilgröße : laenge - (anzahl - 1) * a.Teilgröße);
        zeile += (k > 1 ? " + " : "") + name;
    }
    EXPECT_EQ(test::namenIn(ziel).size(), static_cast<std::size_t>(anzahl + 2));
    EXPECT_EQ(test::lies(ziel + "/BILD.bat"), "@echo off\r\n" + zeile + " BILD.IMG >nul\r\n");
    for (const auto& [stelle, c] : marken) {
        const std::string stueck = ziel + "/BILD." + Stuecknummer(stelle / a.Teilgröße + 1);
        EXPECT_EQ(liesByte(stueck, stelle % a.Teilgröße), c) << stelle;
        // Only the 32 KiB around the mark hold data, however large the copy blocks.
        ::stat(stueck.c_str(), &st);
        EXPECT_LE(st.st_blocks * 512, 64 * 1024) << stueck;
    }

    std::string ausgabe;
    ASSERT_EQ(stapelAusfuehren(test::lies(ziel + "/BILD.bat"), ziel, fs, &ausgabe), 0) << ausgabe;
    const std::string ganz = ziel + "/BILD.IMG";
    EXPECT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(ganz)), laenge);
    for (const auto& [stelle, c] : marken) EXPECT_EQ(liesByte(ganz, stelle), c) << stelle;
    EXPECT_EQ(liesByte(ganz, 3 * GiB), '\0');
}

// A real full disk, not the seam: a small tmpfs where this machine lets us mount.
TEST(GrosseDateien, volleDateisystemeBehaltenNurGanzeStuecke) {
    Testordner tmp;
    const std::string ziel = tmp / "klein";
    std::filesystem::create_directory(ziel);
    if (::geteuid() != 0 || ::mount("zorta", ziel.c_str(), "tmpfs", 0, "size=2600k") != 0) {
        GTEST_SKIP() << "Ein kleines Dateisystem kann hier nicht eingehängt werden.";
    }
    Auftrag a;
    a.Quelldatei = tmp / "BILD.ZIP";
    test::schreibeMuster(a.Quelldatei, 5'000'000);
    a.Quellgröße = 5'000'000;
    a.Teilgröße = 1'000'000;
    test::Anzeigeprotokoll anzeige;
    anzeige.ziel = ziel;
    test::FehlerDateisystem fs;
    KeinWechselmedium medium;
    const Ausgang aus = zerlegen(a, anzeige, fs, medium);
    const auto namen = test::namenIn(ziel);
    std::vector<std::uintmax_t> groessen;
    for (const auto& n : namen) groessen.push_back(std::filesystem::file_size(ziel + "/" + n));
    ::umount(ziel.c_str());

    EXPECT_EQ(aus, Ausgang::Fehlgeschlagen);
    EXPECT_EQ(anzeige.meldungen.back().text, "Fehler #  61\rDatenträger voll");
    EXPECT_EQ(namen, (std::vector<std::string>{"BILD.001", "BILD.002"}));
    EXPECT_EQ(groessen, (std::vector<std::uintmax_t>{1'000'000, 1'000'000}));
    EXPECT_EQ(fs.offen(), 0);
}

}  // namespace
}  // namespace zorta
