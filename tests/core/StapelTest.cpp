#include <gtest/gtest.h>

#include <filesystem>

#include "Stapel.h"
#include "Testhilfen.h"
#include "Zerlegung.h"

namespace zorta {
namespace {

using test::Testordner;

class StapelTest : public testing::Test {
  protected:
    int ausfuehren(const std::string& text) {
        return stapelAusfuehren(text, tmp.pfad(), fs, &ausgabe);
    }
    std::string in(const std::string& name) { return tmp / name; }

    Testordner tmp;
    test::FehlerDateisystem fs;
    std::string ausgabe;
};

// A cut made by the cutting run itself, then joined by the interpreter.
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

    EXPECT_EQ(stapelAusfuehren(test::lies(a.Batchdatei), ziel, fs, &ausgabe), stapelstatus::Ok)
        << ausgabe;
    EXPECT_EQ(test::lies(ziel + "/" + r.quelle), test::lies(a.Quelldatei));
    EXPECT_EQ(ausgabe, "");  // >nul swallowed the copy report
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Schnitte, RundreiseTest, testing::Values(
    Rundreise{"einStueck", "BILD.ZIP", 100, 1000},
    Rundreise{"dreiStuecke", "BILD.ZIP", 3'000'000, 1'433'600},
    Rundreise{"tausendUndMehr", "BILD.ZIP", 1003, 1},
    Rundreise{"blanksImNamen", "mein bild (1).zip", 50, 20},
    Rundreise{"ohneEndung", "LIESMICH", 50, 20}),
    [](const auto& info) { return info.param.name; });
// clang-format on

struct Variante {
    const char* name;
    std::string text;
};
class HandbearbeitetTest : public StapelTest, public testing::WithParamInterface<Variante> {};
TEST_P(HandbearbeitetTest, versteheDieUeblichenSchreibweisen) {
    test::schreibeText(in("T.001"), "abc");
    test::schreibeText(in("T.002"), "def");
    ASSERT_EQ(ausfuehren(GetParam().text), stapelstatus::Ok) << ausgabe;
    EXPECT_EQ(test::lies(in("T.ZIP")), "abcdef");
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Varianten, HandbearbeitetTest, testing::Values(
    Variante{"original", "@echo off\r\ncopy /b T.001 + T.002 T.ZIP >nul\r\n"},
    Variante{"ohneBlanksUmPlus", "@echo off\r\ncopy /b T.001+T.002 T.ZIP >nul\r\n"},
    Variante{"lfZeilen", "@echo off\ncopy /b T.001 + T.002 T.ZIP >nul\n"},
    Variante{"grossbuchstaben", "@ECHO OFF\r\nCOPY /B T.001 + T.002 T.ZIP > NUL"},
    Variante{"anfuehrungszeichen", "copy /b \"T.001\" + \"T.002\" \"T.ZIP\""},
    Variante{"remUndLeerzeilen", "rem zusammensetzen\r\n\r\n   \r\n@copy /y /b T.001 + T.002 T.ZIP\r\n"},
    Variante{"echoText", "echo Bitte warten\r\ncopy /b/v T.001 + T.002 T.ZIP 2>nul\r\n"},
    Variante{"grossKleinVertauscht", "copy /b t.001 + t.002 T.ZIP >nul\r\n"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST_F(StapelTest, fehlendesStueckLaesstKeinHalbesZielZurueck) {
    test::schreibeText(in("T.001"), "abc");
    test::schreibeText(in("T.ZIP"), "alt");
    EXPECT_EQ(ausfuehren("copy /b T.001 + T.002 T.ZIP >nul\r\n"), stapelstatus::KopierFehler);
    EXPECT_EQ(test::lies(in("T.ZIP")), "alt");
    EXPECT_EQ(test::namenIn(tmp.pfad()), (std::vector<std::string>{"T.001", "T.ZIP"}));
    EXPECT_NE(ausgabe.find("Datei nicht gefunden"), std::string::npos);
}

TEST_F(StapelTest, mehrdeutigeGrossschreibungGiltAlsFehlend) {
    test::schreibeText(in("t.001"), "a");
    test::schreibeText(in("T.001"), "b");
    EXPECT_EQ(ausfuehren("copy /b x.001 ziel"), stapelstatus::KopierFehler);
    test::schreibeText(in("X.001"), "c");
    EXPECT_EQ(ausfuehren("copy /b T.001 + x.001 ziel"), stapelstatus::Ok);
    EXPECT_EQ(test::lies(in("ziel")), "bc");
}

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
    Selbstziel{"andereSchreibweise", "copy /b T.001 + T.002 ./T.001"},
    Selbstziel{"ohneZiel", "copy /b T.001 + T.002"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

struct Verboten {
    const char* name;
    std::string text;
};
class UnbekanntTest : public StapelTest, public testing::WithParamInterface<Verboten> {};
TEST_P(UnbekanntTest, haeltAnOhneEtwasAuszufuehren) {
    test::schreibeText(in("T.001"), "abc");
    EXPECT_EQ(ausfuehren(GetParam().text + "\r\ncopy /b T.001 DANACH\r\n"),
              stapelstatus::NichtUnterstuetzt);
    EXPECT_FALSE(test::gibtEs(in("DANACH")));
    EXPECT_FALSE(test::gibtEs(in("x")));
    EXPECT_EQ(test::namenIn(tmp.pfad()), std::vector<std::string>{"T.001"});
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
    Verboten{"copyVerlaengert", "copyall T.001 x"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// Every operation of a join made to fail in turn.
TEST_F(StapelTest, jederFehlerpunktDesZusammenfuegensRaeumtAuf) {
    const std::vector<Fehler> arten = {Fehler::ausErrno(ENOSPC), Fehler::ausErrno(EACCES),
                                       Fehler::ausErrno(EIO), Fehler::ausErrno(ENOMEDIUM)};
    test::schreibeMuster(in("T.001"), 200'000);
    test::schreibeMuster(in("T.002"), 150'000);
    const std::string erwartet = test::lies(in("T.001")) + test::lies(in("T.002"));
    const int deskriptoren = test::offeneDeskriptoren();
    for (const auto& art : arten) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE(art.beschreibung() + " bei Operation " + std::to_string(n));
            test::schreibeText(in("T.ZIP"), "alt");
            fs.fehlerBei(n, art);
            const int status = ausfuehren("copy /b T.001 + T.002 T.ZIP >nul");
            EXPECT_EQ(fs.offen(), 0);
            EXPECT_EQ(test::offeneDeskriptoren(), deskriptoren);
            EXPECT_EQ(test::namenIn(tmp.pfad()).size(), 3u);  // no temporary left
            const std::string ziel = test::lies(in("T.ZIP"));
            if (!fs.ausgeloest()) {
                EXPECT_EQ(status, stapelstatus::Ok);
                EXPECT_TRUE(ziel == erwartet);
                break;
            }
            EXPECT_EQ(status, stapelstatus::KopierFehler);
            EXPECT_EQ(ziel, "alt");
            fs.fehlerBei(0, {});
        }
    }
}

}  // namespace
}  // namespace zorta
