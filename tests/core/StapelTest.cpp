#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>

#include "Pfade.h"
#include "Stapel.h"
#include "Testhilfen.h"
#include "Zerlegung.h"

namespace zorta {
namespace {

using test::Testordner;

using test::sha256;

class StapelTest : public testing::Test {
  protected:
    int ausfuehren(const std::string& text) {
        return stapelAusfuehren(text, tmp.pfad(), fs, &ausgabe);
    }
    // The batch file T.bat beside the pieces, with the checksum file if given.
    int dateiAusfuehren(const std::string& text, const std::string& summen = "") {
        test::schreibeText(in("T.bat"), text);
        if (!summen.empty())
            test::schreibeText(in("T.sha256"), summen);
        lauf.ordner = tmp.pfad();
        return stapeldateiAusfuehren(in("T.bat"), lauf, fs);
    }
    std::string in(const std::string& name) { return tmp / name; }

    Testordner tmp;
    test::FehlerDateisystem fs;
    std::string ausgabe;
    Stapellauf lauf;
};

// A cut made by the cutting run itself, then joined by the interpreter and
// checked against a checksum file as sha256sum writes it.
struct Rundreise {
    const char* name;
    std::string quelle;
    std::int64_t laenge, teil;
};
class RundreiseTest : public StapelTest, public testing::WithParamInterface<Rundreise> {};
TEST_P(RundreiseTest, fuegtDieStueckeDesLaufsWiederZusammen) {
    const auto& r = GetParam();
    const std::string daten = tmp / "daten";
    const std::string ziel = tmp / "ziel";
    std::filesystem::create_directory(daten);
    std::filesystem::create_directory(ziel);
    test::schreibeMuster(daten + "/" + r.quelle, r.laenge);
    Auftrag a;
    a.Quelldatei = daten + "/" + r.quelle;
    a.Quellgröße = r.laenge;
    a.Teilgröße = r.teil;
    test::Anzeigeprotokoll anzeige;
    anzeige.ziel = ziel;
    KeinWechselmedium medium;
    ASSERT_EQ(zerlegen(a, anzeige, fs, medium), Ausgang::Erfolg);
    test::schreibeText(OhneEndung(a.Batchdatei) + "sha256",
                       sha256(test::lies(a.Quelldatei)) + "  " + r.quelle + "\n");

    lauf.ordner = ziel;
    EXPECT_EQ(stapeldateiAusfuehren(a.Batchdatei, lauf, fs), stapelstatus::Ok) << lauf.meldung;
    EXPECT_TRUE(test::lies(ziel + "/" + r.quelle) == test::lies(a.Quelldatei));
    EXPECT_EQ(lauf.ausgabe, "");  // >nul swallowed the copy report
    EXPECT_EQ(lauf.meldung, r.quelle + " wurde zusammengesetzt, die Prüfsumme stimmt.\n");
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Schnitte, RundreiseTest, testing::Values(
    Rundreise{"einStueck", "BILD.ZIP", 100, 1000},
    Rundreise{"dreiStuecke", "BILD.ZIP", 3'000'000, 1'433'600},
    Rundreise{"tausendUndMehr", "BILD.ZIP", 1003, 1},
    Rundreise{"blanksImNamen", "mein bild (1).zip", 50, 20},
    Rundreise{"umlaute", "Bär Öl.zip", 50, 20},
    Rundreise{"anhaengeform", "archiv.7z.001", 50, 20},
    Rundreise{"name250Byte", std::string(246, 'n') + ".zip", 50, 20},
    Rundreise{"ohneEndung", "LIESMICH", 50, 20},
    Rundreise{"punktname", ".profile", 50, 20}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// Hand-written and foreign forms of the same join: T.001 "abc" and T.002
// "def" (or the same under the stem `stamm`) give "abcdef" in `ziel`.
struct Variante {
    const char* name;
    std::string text;
    std::string ziel = "T.ZIP";
    std::string stamm = "T";
};
class HandbearbeitetTest : public StapelTest, public testing::WithParamInterface<Variante> {};
TEST_P(HandbearbeitetTest, versteheDieUeblichenSchreibweisen) {
    test::schreibeText(in(GetParam().stamm + ".001"), "abc");
    test::schreibeText(in(GetParam().stamm + ".002"), "def");
    ASSERT_EQ(ausfuehren(GetParam().text), stapelstatus::Ok) << ausgabe;
    EXPECT_EQ(test::lies(in(GetParam().ziel)), "abcdef");
    EXPECT_EQ(test::namenIn(tmp.pfad()).size(), GetParam().ziel == "T.001" ? 2u : 3u);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Varianten, HandbearbeitetTest, testing::Values(
    Variante{"original", "@echo off\r\ncopy /b T.001 + T.002 T.ZIP >nul\r\n"},
    Variante{"ohneBlanksUmPlus", "@echo off\r\ncopy /b T.001+T.002 T.ZIP >nul\r\n"},
    Variante{"lfZeilen", "@echo off\ncopy /b T.001 + T.002 T.ZIP >nul\n"},
    Variante{"crZeilen", "@echo off\rcopy /b T.001 + T.002 T.ZIP >nul\r"},
    Variante{"bomUndStrgZ", "\xef\xbb\xbf@echo off\r\ncopy /b T.001 + T.002 T.ZIP >nul\r\n\x1a"},
    Variante{"grossbuchstaben", "@ECHO OFF\r\nCOPY /B T.001 + T.002 T.ZIP > NUL"},
    Variante{"anfuehrungszeichen", "copy /b \"T.001\" + \"T.002\" \"T.ZIP\""},
    Variante{"remUndLeerzeilen", "rem zusammensetzen\r\n\r\n   \r\n@ @copy /y /b T.001 + T.002 T.ZIP\r\n"},
    Variante{"echoText", "echo Bitte warten\r\ncopy /b/v T.001 + T.002 T.ZIP 2>nul\r\n"},
    Variante{"grossKleinVertauscht", "copy /b t.001 + t.002 T.ZIP >nul\r\n"},
    Variante{"prozentVerdoppelt", "copy /b T.001 + T.002 100%%.ZIP >nul", "100%.ZIP"},
    Variante{"anhaengeformOhneZiel", "copy /b T.001 + T.002 >nul", "T.001"},
    Variante{"anhaengeformMitZiel", "copy /b T.001 + T.002 T.001 >nul", "T.001"},
    Variante{"utf8", "copy /b Bär.001 + Bär.002 Bär.ZIP", "Bär.ZIP", "Bär"},
    Variante{"cp850", "copy /b B\x84r.001 + B\x84r.002 B\x84r.ZIP", "Bär.ZIP", "Bär"},
    Variante{"cp1252", "copy /b B\xe4r.001 + B\xe4r.002 B\xe4r.ZIP", "Bär.ZIP", "Bär"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST_F(StapelTest, mehrdeutigeGrossschreibungGiltAlsFehlend) {
    test::schreibeText(in("t.001"), "a");
    test::schreibeText(in("T.001"), "b");
    EXPECT_EQ(ausfuehren("copy /b x.001 ziel"), stapelstatus::KopierFehler);
    test::schreibeText(in("X.001"), "c");
    EXPECT_EQ(ausfuehren("copy /b T.001 + x.001 ziel"), stapelstatus::Ok);
    EXPECT_EQ(test::lies(in("ziel")), "bc");
}

// A line outside the subset, anywhere in the file: nothing at all is run.
struct Verboten {
    const char* name;
    std::string zeile;
};
class UnbekanntTest : public StapelTest, public testing::WithParamInterface<Verboten> {};
TEST_P(UnbekanntTest, fuehrtNichtsAus) {
    test::schreibeText(in("T.001"), "abc");
    EXPECT_EQ(ausfuehren("copy /b T.001 DAVOR\r\n" + GetParam().zeile + "\r\ncopy /b T.001 DANACH"),
              stapelstatus::NichtUnterstuetzt);
    EXPECT_EQ(test::namenIn(tmp.pfad()), std::vector<std::string>{"T.001"});
    EXPECT_NE(ausgabe.find("Zeile 2 wird nicht unterstützt"), std::string::npos) << ausgabe;
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Befehle, UnbekanntTest, testing::Values(
    Verboten{"del", "del T.001"},
    Verboten{"shell", "rm -rf x"},
    Verboten{"umleitungInDatei", "copy /b T.001 x > x"},
    Verboten{"pipe", "copy /b T.001 x | more"},
    Verboten{"verkettung", "copy /b T.001 x & del T.001"},
    Verboten{"schalter", "copy /z T.001 x"},
    Verboten{"zuVieleNamen", "copy /b T.001 x y"},
    Verboten{"sprungmarke", ":anfang"},
    Verboten{"copyVerlaengert", "copyall T.001 x"},
    Verboten{"ordnerTeil", "copy /b T.001 ../x"},
    Verboten{"punktSchraegstrich", "copy /b T.001 + T.002 ./T.001"},
    Verboten{"rueckstrich", "copy /b T.001 ..\\x"},
    Verboten{"laufwerk", "copy /b T.001 C:x"},
    Verboten{"absolut", "copy /b T.001 \"/tmp/x\""},
    Verboten{"punktPunkt", "copy /b .. x"},
    Verboten{"platzhalter", "copy /b T.* x"},
    Verboten{"steuerzeichen", "copy /b T.001 a\x01z"},
    Verboten{"nulImNamen", std::string("copy /b T.0\0" "01 x", 17)}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// A checksum file beside the batch file names T.ZIP; an original T.ZIP
// stands in the folder. Only matching bytes replace it.
struct Pruefung {
    const char* name;
    std::string eins, zwei;  // the pieces; "-": missing
    std::string summe;       // the checksum line
    int status;
    std::string meldung;
};
class PruefsummeTest : public StapelTest, public testing::WithParamInterface<Pruefung> {};
TEST_P(PruefsummeTest, ersetztDasZielNurBeiPassenderSumme) {
    const auto& p = GetParam();
    for (const auto& [name, inhalt] : {std::pair{"T.001", p.eins}, {"T.002", p.zwei}}) {
        if (inhalt != "-")
            test::schreibeText(in(name), inhalt);
    }
    test::schreibeText(in("T.ZIP"), "original");
    const auto vorher = test::namenIn(tmp.pfad());
    EXPECT_EQ(dateiAusfuehren("@echo off\r\ncopy /b T.001 + T.002 T.ZIP >nul\r\n", p.summe),
              p.status);
    EXPECT_EQ(lauf.meldung, p.meldung);
    EXPECT_EQ(test::lies(in("T.ZIP")), p.status == stapelstatus::Ok ? "abcdef" : "original");
    EXPECT_EQ(test::namenIn(tmp.pfad()).size(), vorher.size() + 2);  // + T.bat, T.sha256
}
const std::string kSumme = sha256("abcdef") + "  T.ZIP\n";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Teile, PruefsummeTest, testing::Values(
    Pruefung{"passt", "abc", "def", kSumme, 0, "T.ZIP wurde zusammengesetzt, die Prüfsumme stimmt.\n"},
    Pruefung{"binaerform", "abc", "def", "\\" + sha256("abcdef") + " *T.ZIP\r\n", 0, "T.ZIP wurde zusammengesetzt, die Prüfsumme stimmt.\n"},
    Pruefung{"andererName", "abc", "def", sha256("abcdef") + "  X.ZIP\n", 0, "T.ZIP wurde zusammengesetzt (ohne Prüfsumme).\n"},
    Pruefung{"gekuerzt", "abc", "de", kSumme, 3, "Prüfsumme falsch: T.ZIP stimmt nicht mit T.sha256 überein (ein Teil ist beschädigt, gekürzt oder vertauscht) – T.ZIP wurde nicht geschrieben.\n"},
    Pruefung{"bitGekippt", "abc", "deg", kSumme, 3, "Prüfsumme falsch: T.ZIP stimmt nicht mit T.sha256 überein (ein Teil ist beschädigt, gekürzt oder vertauscht) – T.ZIP wurde nicht geschrieben.\n"},
    Pruefung{"vertauscht", "def", "abc", kSumme, 3, "Prüfsumme falsch: T.ZIP stimmt nicht mit T.sha256 überein (ein Teil ist beschädigt, gekürzt oder vertauscht) – T.ZIP wurde nicht geschrieben.\n"},
    Pruefung{"fehlt", "abc", "-", kSumme, 1, "Teil „T.002“ fehlt – T.ZIP wurde nicht zusammengesetzt.\n"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

struct Selbstziel {
    const char* name;
    std::string text;
};
class ZielUnterDenQuellenTest : public StapelTest,
                                public testing::WithParamInterface<Selbstziel> {};
TEST_P(ZielUnterDenQuellenTest, wirdAbgelehnt) {
    test::schreibeText(in("T.001"), "abc");
    test::schreibeText(in("T.002"), "def");
    EXPECT_EQ(ausfuehren(GetParam().text), stapelstatus::KopierFehler);
    EXPECT_EQ(test::lies(in("T.001")), "abc");
    EXPECT_EQ(test::lies(in("T.002")), "def");
    EXPECT_EQ(test::namenIn(tmp.pfad()).size(), 2u);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Ziele, ZielUnterDenQuellenTest, testing::Values(
    Selbstziel{"zweiteQuelle", "copy /b T.001 + T.002 T.002"},
    Selbstziel{"ersteUndSpaetere", "copy /b T.001 + T.002 + T.001 T.001"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// What a killed run, another run or a hostile folder leaves at the draft's
// place; the join of T.ZIP either goes through or leaves the other's draft.
struct Altlast {
    const char* name;
    std::function<void(const std::string& entwurf, const std::string& ordner)> anlegen;
    int status;
};
class EntwurfTest : public StapelTest, public testing::WithParamInterface<Altlast> {};
TEST_P(EntwurfTest, blockiertKeinenLauf) {
    test::schreibeText(in("T.001"), "abc");
    const std::string entwurf = entwurfsname(in("T.ZIP"));
    GetParam().anlegen(entwurf, tmp.pfad());
    const auto vorher = test::namenIn(tmp.pfad());
    EXPECT_EQ(ausfuehren("copy /b T.001 T.ZIP"), GetParam().status) << ausgabe;
    auto namen = vorher;
    std::erase(namen, Dateiname(entwurf));
    if (GetParam().status == stapelstatus::Ok)
        namen.insert(std::upper_bound(namen.begin(), namen.end(), "T.ZIP"), "T.ZIP");
    else
        namen = vorher;
    EXPECT_EQ(test::namenIn(tmp.pfad()), namen);
    EXPECT_EQ(test::lies(in("aussen")), "bleibt");
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Entwuerfe, EntwurfTest, testing::Values(
    Altlast{"getoeteterLauf", [](auto e, auto o) { test::schreibeText(e, "halb"); test::schreibeText(o + "/aussen", "bleibt"); }, 0},
    Altlast{"hundertAlteEntwuerfe", [](auto, auto o) {
        for (int i = 0; i < 100; ++i) test::schreibeText(o + "/.T.ZIP.zorta-" + std::to_string(i), "");
        test::schreibeText(o + "/aussen", "bleibt"); }, 0},
    Altlast{"verweisNachAussen", [](auto e, auto o) { test::schreibeText(o + "/aussen", "bleibt"); ::symlink((o + "/aussen").c_str(), e.c_str()); }, 0},
    Altlast{"fifo", [](auto e, auto o) { ::mkfifo(e.c_str(), 0600); test::schreibeText(o + "/aussen", "bleibt"); }, 0},
    Altlast{"laufenderLauf", [](auto e, auto o) {
        static int fd = -1;
        if (fd >= 0) ::close(fd);
        fd = ::open(e.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        ::flock(fd, LOCK_EX);
        test::schreibeText(o + "/aussen", "bleibt"); }, 1}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// SIGTERM or SIGINT while the draft stands: it goes at once.
TEST_F(StapelTest, signalEntferntDenEntwurf) {
    test::schreibeMuster(in("T.001"), 100'000);
    ASSERT_EQ(ausfuehren("copy /b T.001 T.ZIP"), stapelstatus::Ok);
    const int umbenennen = fs.operationen();  // the last operation
    for (const int sig : {SIGTERM, SIGINT}) {
        std::filesystem::remove(in("T.ZIP"));
        const pid_t kind = ::fork();
        if (kind == 0) {
            stapelSignaleAbfangen();
            fs.fehlerBei(umbenennen, Fehler::nummer(5));
            fs.beimAusloesen = [sig] { ::raise(sig); };
            (void)ausfuehren("copy /b T.001 T.ZIP");
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(kind, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
        EXPECT_EQ(test::namenIn(tmp.pfad()), std::vector<std::string>{"T.001"});
    }
}

// Hostile sizes and repetitions cost little time and bounded memory.
struct Aufwand {
    const char* name;
    std::function<void(const std::string& ordner)> anlegen;
    int status;
};
class AufwandTest : public StapelTest, public testing::WithParamInterface<Aufwand> {};
TEST_P(AufwandTest, bleibtUnterZweiSekundenUndHundertMiB) {
    GetParam().anlegen(tmp.pfad());
    lauf.ordner = tmp.pfad();
    const auto start = std::chrono::steady_clock::now();
    // In a child, whose peak resident size grows only by what the run takes.
    const pid_t kind = ::fork();
    if (kind == 0) {
        rusage vorher{}, nachher{};
        ::getrusage(RUSAGE_SELF, &vorher);
        const int s = stapeldateiAusfuehren(in("T.bat"), lauf, fs);
        ::getrusage(RUSAGE_SELF, &nachher);
        ::_exit(nachher.ru_maxrss - vorher.ru_maxrss > 100 * 1024 ? 99 : s);  // KiB
    }
    int status = 0;
    ::waitpid(kind, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), GetParam().status);  // 99: more than 100 MiB
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Grenzen, AufwandTest, testing::Values(
    Aufwand{"sechshunderttausendKlammeraffen", [](auto o) {
        test::schreibeText(o + "/T.001", "a");
        test::schreibeText(o + "/T.bat", std::string(600'000, '@') + "copy /b T.001 X"); }, 0},
    Aufwand{"zwanzigtausendStueckeAndersGeschrieben", [](auto o) {
        std::string zeile = "copy /b ";
        for (int i = 1; i <= 20'000; ++i) {
            const std::string n = "teil." + Stuecknummer(i);
            test::schreibeText(o + "/" + kleinAscii(n).replace(0, 4, "TEIL"), "x");
            zeile += (i > 1 ? "+" : "") + n;
        }
        test::schreibeText(o + "/T.bat", zeile + " X"); }, 0},
    Aufwand{"millionenTeileInEinerZeile", [](auto o) {
        test::schreibeText(o + "/T.001", "a");
        std::string zeile = "copy /b T.001";
        while (zeile.size() < kStapelHoechstens - 16) zeile += "+T.001";
        test::schreibeText(o + "/T.bat", zeile + " X"); }, 2},
    Aufwand{"vieleZeilenMitVielenTeilen", [](auto o) {
        test::schreibeText(o + "/T.001", "a");
        std::string zeile = "copy /b T.001";
        for (int i = 0; i < 100'000; ++i) zeile += "+T.001";
        std::string text;
        for (int i = 0; i < 3; ++i) text += zeile + " X\r\n";
        test::schreibeText(o + "/T.bat", text); }, 2},
    Aufwand{"dreiGiBLueckenhaft", [](auto o) {
        test::schreibeText(o + "/T.bat", "copy /b T.001 X\r\n");
        std::filesystem::resize_file(o + "/T.bat", 3LL << 30); }, 2}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// Every operation of a join made to fail in turn, with and without a
// checksum to check.
TEST_F(StapelTest, jederFehlerpunktDesZusammenfuegensRaeumtAuf) {
    const std::vector<Fehler> arten = {Fehler::ausErrno(ENOSPC), Fehler::ausErrno(EACCES),
                                       Fehler::ausErrno(EIO), Fehler::ausErrno(ENOMEDIUM)};
    test::schreibeMuster(in("T.001"), 200'000);
    test::schreibeMuster(in("T.002"), 150'000);
    const std::string erwartet = test::lies(in("T.001")) + test::lies(in("T.002"));
    const int deskriptoren = test::offeneDeskriptoren();
    for (const auto& summen : std::vector<std::string>{"", sha256(erwartet) + "  T.ZIP\n"}) {
        for (const auto& art : arten) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(art.beschreibung() + " bei Operation " + std::to_string(n));
                test::schreibeText(in("T.ZIP"), "alt");
                fs.fehlerBei(n, art);
                lauf = {};
                const int status = dateiAusfuehren("copy /b T.001 + T.002 T.ZIP >nul", summen);
                EXPECT_EQ(fs.offen(), 0);
                EXPECT_EQ(test::offeneDeskriptoren(), deskriptoren);
                EXPECT_EQ(test::namenIn(tmp.pfad()).size(), summen.empty() ? 4u : 5u);
                const std::string ziel = test::lies(in("T.ZIP"));
                if (!fs.ausgeloest()) {
                    EXPECT_EQ(status, stapelstatus::Ok);
                    EXPECT_TRUE(ziel == erwartet);
                    break;
                }
                EXPECT_NE(status, stapelstatus::Ok);
                EXPECT_TRUE(ziel == "alt");
                fs.fehlerBei(0, {});
            }
        }
    }
}

}  // namespace
}  // namespace zorta
