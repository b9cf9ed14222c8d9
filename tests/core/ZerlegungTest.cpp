#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "Pfade.h"
#include "Testhilfen.h"
#include "Zerlegung.h"

namespace zorta {
namespace {

using test::Anzeigeprotokoll;
using test::FakeWechselmedium;
using test::FehlerDateisystem;
using test::Testordner;

class ZerlegungTest : public testing::Test {
  protected:
    void SetUp() override {
        quellordner = tmp / "daten";
        zielordner = tmp / "ziel";
        std::filesystem::create_directory(quellordner);
        std::filesystem::create_directory(zielordner);
        anzeige.ziel = zielordner;
    }

    void quelle(const std::string& name, std::int64_t laenge, std::int64_t teil) {
        auftrag.Quelldatei = quellordner + "/" + name;
        test::schreibeMuster(auftrag.Quelldatei, laenge);
        auftrag.Quellgröße = laenge;
        auftrag.Teilgröße = teil;
    }

    Ausgang lauf() { return zerlegen(auftrag, anzeige, fs, medium); }

    // Piece k must hold source bytes (k-1)*teil up to k*teil.
    void erwarteStueck(const std::string& pfad, std::int64_t k) {
        const std::string inhalt = test::lies(pfad);
        const std::int64_t anfang = (k - 1) * auftrag.Teilgröße;
        const std::int64_t laenge = std::min(auftrag.Teilgröße, auftrag.Quellgröße - anfang);
        ASSERT_EQ(static_cast<std::int64_t>(inhalt.size()), laenge) << pfad;
        for (std::int64_t i = 0; i < laenge; ++i) {
            ASSERT_EQ(inhalt[static_cast<std::size_t>(i)], test::musterbyte(anfang + i)) << pfad;
        }
    }

    Testordner tmp;
    std::string quellordner, zielordner;
    Auftrag auftrag;
    Anzeigeprotokoll anzeige;
    FehlerDateisystem fs;
    FakeWechselmedium medium;
};

TEST_F(ZerlegungTest, beispielDreiMillionenBytesInDreiStuecke) {
    quelle("BILD.ZIP", 3'000'000, 1'433'600);
    ASSERT_EQ(lauf(), Ausgang::Erfolg);

    EXPECT_EQ(test::namenIn(zielordner),
              (std::vector<std::string>{"BILD.001", "BILD.002", "BILD.003", "BILD.bat"}));
    for (int k = 1; k <= 3; ++k) erwarteStueck(zielordner + "/BILD.00" + std::to_string(k), k);
    EXPECT_EQ(test::lies(zielordner + "/BILD.bat"),
              "@echo off\r\ncopy /b BILD.001 + BILD.002 + BILD.003 BILD.ZIP >nul\r\n");

    EXPECT_EQ(anzeige.statuszeilen,
              (std::vector<std::string>{"Kopiere Daten nach " + zielordner + "/BILD.001",
                                        "Kopiere Daten nach " + zielordner + "/BILD.002",
                                        "Kopiere Daten nach " + zielordner + "/BILD.003", ""}));
    ASSERT_EQ(anzeige.positionen.size(), 4u);
    EXPECT_NEAR(anzeige.positionen[0], 33.333f, 0.001);
    EXPECT_NEAR(anzeige.positionen[1], 66.667f, 0.001);
    EXPECT_EQ(anzeige.positionen[2], 100.0f);
    EXPECT_EQ(anzeige.positionen[3], 0.0f);
    ASSERT_EQ(anzeige.meldungen.size(), 1u);
    EXPECT_EQ(anzeige.meldungen[0].text, "Zorta erfolgreich durchgeführt !");
    EXPECT_TRUE(anzeige.geleert);
    EXPECT_FALSE(anzeige.zortaAn);
    EXPECT_EQ(anzeige.sanduhrWechsel, (std::vector<bool>{true, false}));
    EXPECT_EQ(fs.offen(), 0);
}

struct Teilung {
    const char* name;
    std::int64_t laenge, teil;
    std::vector<std::int64_t> groessen;
};

class StueckzahlTest : public ZerlegungTest, public testing::WithParamInterface<Teilung> {};

TEST_P(StueckzahlTest, schreibtGenauDieStueckeDerQuelle) {
    const auto& t = GetParam();
    quelle("BILD.ZIP", t.laenge, t.teil);
    ASSERT_EQ(lauf(), Ausgang::Erfolg);
    std::string zeile = "copy /b ";
    for (std::size_t k = 1; k <= t.groessen.size(); ++k) {
        const std::string name = "BILD." + Stuecknummer(static_cast<std::int64_t>(k));
        EXPECT_EQ(std::filesystem::file_size(zielordner + "/" + name),
                  static_cast<std::uintmax_t>(t.groessen[k - 1]));
        zeile += (k > 1 ? " + " : "") + name;
    }
    EXPECT_FALSE(test::gibtEs(zielordner + "/BILD." +
                              Stuecknummer(static_cast<std::int64_t>(t.groessen.size()) + 1)));
    EXPECT_EQ(test::lies(zielordner + "/BILD.bat"), "@echo off\r\n" + zeile + " BILD.ZIP >nul\r\n");
    EXPECT_EQ(anzeige.positionen.at(t.groessen.size() - 1), 100.0f);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Teilungen, StueckzahlTest, testing::Values(
    Teilung{"einStueck", 1000, 1'433'600, {1000}},
    Teilung{"genauEinStueck", 1'433'600, 1'433'600, {1'433'600}},
    Teilung{"genauDreiStuecke", 3 * 40'000, 40'000, {40'000, 40'000, 40'000}},
    Teilung{"diskettePlusRest", 1'474'560, 1'433'600, {1'433'600, 40'960}},
    Teilung{"blockvielfaches", 2 * 98'304, 98'304, {98'304, 98'304}},
    Teilung{"einByteProStueck", 3, 1, {1, 1, 1}},
    Teilung{"tausendUndMehr", 1002, 1, std::vector<std::int64_t>(1002, 1)}),
    [](const auto& info) { return info.param.name; });
// clang-format on

struct Namensfall {
    const char* name;
    std::string unterordner, datei;
    std::vector<std::string> erwartet;
    std::string zeile;
    std::string zielZusatz = "";  // appended to the target folder
    bool altesDa = false;         // a longer first piece and a batch file are there
};

class NamenTest : public ZerlegungTest, public testing::WithParamInterface<Namensfall> {};

TEST_P(NamenTest, stammUndKopierzeile) {
    const auto& n = GetParam();
    quellordner = tmp / n.unterordner;
    std::filesystem::create_directories(quellordner);
    quelle(n.datei, 10, 6);
    anzeige.ziel += n.zielZusatz;
    if (n.altesDa) {
        test::schreibeText(zielordner + "/" + n.erwartet[0], std::string(100, 'x'));
        test::schreibeText(zielordner + "/" + n.erwartet.back(), "alt");
    }
    ASSERT_EQ(lauf(), Ausgang::Erfolg);
    EXPECT_EQ(test::namenIn(zielordner), n.erwartet);
    erwarteStueck(zielordner + "/" + n.erwartet[0], 1);
    EXPECT_EQ(anzeige.statuszeilen[0], texte::Kopiere + zielordner + "/" + n.erwartet[0]);
    EXPECT_EQ(auftrag.Batchdatei, zielordner + "/" + n.erwartet.back());
    EXPECT_EQ(test::lies(auftrag.Batchdatei), "@echo off\r\n" + n.zeile + "\r\n");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Namen, NamenTest, testing::Values(
    Namensfall{"ohneEndung", "x", "LIESMICH", {"LIESMICH.001", "LIESMICH.002", "LIESMICH.bat"}, "copy /b LIESMICH.001 + LIESMICH.002 LIESMICH >nul"},
    Namensfall{"punktNurImOrdner", "a.b", "LIESMICH", {"a.001", "a.002", "a.bat"}, "copy /b a.001 + a.002 LIESMICH >nul"},
    Namensfall{"blankImNamen", "x", "mein bild.zip", {"mein bild.001", "mein bild.002", "mein bild.bat"}, "copy /b \"mein bild.001\" + \"mein bild.002\" \"mein bild.zip\" >nul"},
    Namensfall{"umlaut", "x", "Bär.zip", {"Bär.001", "Bär.002", "Bär.bat"}, "copy /b Bär.001 + Bär.002 Bär.zip >nul"},
    Namensfall{"zielMitTrennerAmEnde", "x", "BILD.ZIP", {"BILD.001", "BILD.002", "BILD.bat"}, "copy /b BILD.001 + BILD.002 BILD.ZIP >nul", "/"},
    Namensfall{"altesWirdErsetzt", "x", "BILD.ZIP", {"BILD.001", "BILD.002", "BILD.bat"}, "copy /b BILD.001 + BILD.002 BILD.ZIP >nul", "", true},
    Namensfall{"ziffernendungAusserhalbDesZiels", "x", "BILD.001", {"BILD.001", "BILD.002", "BILD.bat"}, "copy /b BILD.001 + BILD.002 BILD.001 >nul"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

struct Altzustand {
    const char* name;
    std::int64_t teil, quelle;
    std::string ziel = "ziel";  // "" when none was chosen
};
class UngueltigerAuftragTest : public ZerlegungTest,
                               public testing::WithParamInterface<Altzustand> {};
TEST_P(UngueltigerAuftragTest, lehntAbOhneEineDateiZuBeruehren) {
    quelle("BILD.ZIP", 10, GetParam().teil);
    auftrag.Quellgröße = GetParam().quelle;
    const bool ohneZiel = GetParam().ziel.empty();
    if (ohneZiel)
        anzeige.ziel.clear();
    EXPECT_EQ(lauf(), ohneZiel ? Ausgang::KeinZiel : Ausgang::Abgelehnt);
    ASSERT_EQ(anzeige.meldungen.size(), 1u);
    EXPECT_EQ(anzeige.meldungen[0].text, ohneZiel ? texte::KeinZiel : texte::UngueltigerAuftrag);
    EXPECT_EQ(anzeige.meldungen[0].symbol, Symbol::Information);
    EXPECT_TRUE(anzeige.sanduhrWechsel.empty());
    EXPECT_TRUE(test::namenIn(zielordner).empty());
    EXPECT_EQ(fs.operationen(), 0);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Altzustaende, UngueltigerAuftragTest, testing::Values(
    Altzustand{"teilNull", 0, 10},
    Altzustand{"teilNegativ", -1024, 10},
    Altzustand{"quelleLeer", 6, 0},
    Altzustand{"ohneZiel", 6, 10, ""}),
    [](const auto& info) { return info.param.name; });
// clang-format on

struct Selbstfall {
    const char* name;
    std::string datei;
    bool ueberLink;
};
class SelbstschutzTest : public ZerlegungTest, public testing::WithParamInterface<Selbstfall> {};
TEST_P(SelbstschutzTest, zerstoertNieDieEigeneQuelle) {
    quellordner = zielordner;
    quelle(GetParam().datei, 10, 6);
    if (GetParam().ueberLink) {
        std::filesystem::create_directory_symlink(zielordner, tmp / "link");
        anzeige.ziel = tmp / "link";
    }
    EXPECT_EQ(lauf(), Ausgang::Abgelehnt);
    ASSERT_EQ(anzeige.meldungen.size(), 1u);
    EXPECT_EQ(anzeige.meldungen[0].text, texte::QuelleWuerdeUeberschrieben);
    EXPECT_EQ(test::namenIn(zielordner), std::vector<std::string>{GetParam().datei});
    EXPECT_EQ(std::filesystem::file_size(auftrag.Quelldatei), 10u);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Selbst, SelbstschutzTest, testing::Values(
    Selbstfall{"erstesStueck", "BILD.001", false},
    Selbstfall{"zweitesStueck", "BILD.002", false},
    Selbstfall{"batchdatei", "BILD.bat", false},
    Selbstfall{"ueberLink", "BILD.001", true}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// The old drive notation prompts on A: and B: only, in either case.
TEST(AltesLaufwerk, nurAundBMitBackslash) {
    for (const char* ja : {"a:\\", "A:\\", "b:\\x", "B:\\TEILE"})
        EXPECT_TRUE(aufLaufwerkAoderB(ja)) << ja;
    for (const char* nein : {"C:\\", "A:", "/a:\\", ""})
        EXPECT_FALSE(aufLaufwerkAoderB(nein)) << nein;
}

// A run onto a swapped medium, the prompts answered from the table: the
// second stick is the folder "neu". Each prompt and the success message must
// find every file written so far on the medium flushed.
struct Medienfall {
    const char* name;
    std::int64_t laenge;        // in pieces of 10 bytes
    std::vector<Folge> folgen;  // answers of the medium after each OK
    int abbrechenBei;           // the prompt answered with Abbrechen; 0: none
    Ausgang ausgang;
    std::vector<std::string> aufErstem, aufZweitem;
    int fragen;
};

class MedienTest : public ZerlegungTest, public testing::WithParamInterface<Medienfall> {};

TEST_P(MedienTest, fragtFolgtUndSichertVorJederFrage) {
    const auto& m = GetParam();
    const std::string neu = tmp / "neu";
    std::filesystem::create_directory(neu);
    medium.wechselbar = true;
    medium.unterordner = "ziel";
    for (auto f : m.folgen) {
        if (f.ordner == "neu")
            f.ordner = neu;
        medium.antworten.push_back(f);
    }
    quelle("BILD.ZIP", m.laenge, 10);
    int fragen = 0;
    anzeige.beiMeldung = [&](const auto& meldung) {
        const bool frage = meldung.symbol == Symbol::Frage;
        if (frage || meldung.text == texte::Erfolg) {
            EXPECT_TRUE(fs.ungesichert().empty()) << meldung.text;
        }
        fragen += frage;
        anzeige.antwort = fragen != m.abbrechenBei;
        if (frage && fragen == 2 && !m.folgen.empty() && m.folgen[0].ordner.empty()) {
            EXPECT_EQ(meldung.text,
                      naechsteDisketteNochmal(m.folgen[0].kandidaten, "ziel", "BILD.002"));
        }
    };
    EXPECT_EQ(lauf(), m.ausgang);
    EXPECT_EQ(fragen, m.fragen);
    EXPECT_EQ(test::namenIn(zielordner), m.aufErstem);
    EXPECT_EQ(test::namenIn(neu), m.aufZweitem);
    if (m.ausgang == Ausgang::Fehlgeschlagen) {
        EXPECT_EQ(anzeige.meldungen.back().text, fehlermeldungZerlegung(m.folgen.back().fehler));
    }
    if (!m.aufZweitem.empty()) {
        EXPECT_EQ(anzeige.statuszeilen[1], texte::Kopiere + neu + "/BILD.002");
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Medien, MedienTest, testing::Values(
    Medienfall{"einStueckFragtNicht", 10, {}, 0, Ausgang::Erfolg, {"BILD.001", "BILD.bat"}, {}, 0},
    Medienfall{"gleicherStick", 30, {}, 0, Ausgang::Erfolg, {"BILD.001", "BILD.002", "BILD.003", "BILD.bat"}, {}, 2},
    Medienfall{"neuerStick", 30, {Folge::weiter("neu")}, 0, Ausgang::Erfolg, {"BILD.001"}, {"BILD.002", "BILD.003", "BILD.bat"}, 2},
    Medienfall{"erstNichtsDannStick", 20, {Folge::nochmal(0), Folge::weiter("neu")}, 0, Ausgang::Erfolg, {"BILD.001"}, {"BILD.002", "BILD.bat"}, 2},
    Medienfall{"zweiKandidatenDannAbbrechen", 20, {Folge::nochmal(2)}, 2, Ausgang::Abgebrochen, {"BILD.001"}, {}, 2},
    Medienfall{"abbrechen", 30, {}, 1, Ausgang::Abgebrochen, {"BILD.001"}, {}, 1},
    Medienfall{"ordnerNichtAnlegbar", 20, {Folge::gescheitert(Fehler::nummer(70))}, 0, Ausgang::Fehlgeschlagen, {"BILD.001"}, {}, 1}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// Every file operation of a run made to fail in turn, with each kind of error.
struct Fehlerart {
    const char* name;
    Fehler fehler;
    bool kurzesLesen;
    int erwartet;
    bool wechselbar = false;
};

class FehlerinjektionTest : public ZerlegungTest, public testing::WithParamInterface<Fehlerart> {};

TEST_P(FehlerinjektionTest, jederFehlerpunktRaeumtAufUndMeldetIhn) {
    const auto& art = GetParam();
    const int deskriptoren = test::offeneDeskriptoren();
    int fehlschlaege = 0;
    for (int n = 1; n < 200; ++n) {
        SCOPED_TRACE("Operation " + std::to_string(n));
        std::filesystem::remove_all(zielordner);
        std::filesystem::create_directory(zielordner);
        test::schreibeText(zielordner + "/BILD.bat", "alt");
        anzeige = Anzeigeprotokoll{};
        anzeige.ziel = zielordner;
        quelle("BILD.ZIP", 100'000, 40'000);
        medium.wechselbar = art.wechselbar;
        fs.fehlerBei(n, art.fehler, art.kurzesLesen);
        const Ausgang aus = lauf();
        if (fs.operationen() < n) {
            EXPECT_EQ(aus, Ausgang::Erfolg);
            break;  // a run without the fault: every point was covered
        }
        EXPECT_EQ(fs.offen(), 0);
        EXPECT_EQ(test::offeneDeskriptoren(), deskriptoren);
        // On a stick, a file whose flush failed counts as not written.
        EXPECT_TRUE(!art.wechselbar || fs.ungesichert().empty());
        // Whatever is left is complete: earlier pieces, and an old or new batch file.
        for (const auto& name : test::namenIn(zielordner)) {
            if (name == "BILD.bat") {
                const std::string b = test::lies(zielordner + "/" + name);
                EXPECT_TRUE(b == "alt" ||
                            b == "@echo off\r\ncopy /b BILD.001 + BILD.002 + BILD.003 BILD.ZIP "
                                 ">nul\r\n")
                    << b;
            } else {
                ASSERT_EQ(name.rfind("BILD.00", 0), 0u) << name;
                erwarteStueck(zielordner + "/" + name, name.back() - '0');
            }
        }
        if (aus == Ausgang::Erfolg) {
            // Only a failed identity probe may pass unnoticed; the cut is whole.
            EXPECT_EQ(test::namenIn(zielordner).size(), 4u);
            continue;
        }
        ++fehlschlaege;
        ASSERT_EQ(aus, Ausgang::Fehlgeschlagen);
        EXPECT_EQ(anzeige.anzahlMeldungen(texte::Erfolg), 0);
        ASSERT_FALSE(anzeige.meldungen.empty());
        EXPECT_EQ(anzeige.meldungen.back().text,
                  fehlermeldungZerlegung(Fehler::nummer(art.erwartet)));
        EXPECT_EQ(anzeige.meldungen.back().symbol, Symbol::Keins);
        EXPECT_EQ(anzeige.statuszeilen.back(), "");
        EXPECT_EQ(anzeige.sanduhrWechsel.back(), false);
        EXPECT_TRUE(anzeige.zortaAn);
    }
    EXPECT_GE(fehlschlaege, 5);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Fehlerarten, FehlerinjektionTest, testing::Values(
    Fehlerart{"datentraegerVoll", Fehler::ausErrno(ENOSPC), false, 61},
    Fehlerart{"zugriffVerweigert", Fehler::ausErrno(EACCES), false, 70},
    Fehlerart{"pfadNichtGefunden", Fehler::ausErrno(ENOTDIR), false, 76},
    Fehlerart{"nichtBereit", Fehler::ausErrno(ENOMEDIUM), false, 71},
    Fehlerart{"eaFehler", Fehler::ausErrno(EIO), false, 57},
    Fehlerart{"eaFehlerAufStick", Fehler::ausErrno(EIO), false, 57, true},
    Fehlerart{"kurzesLesen", Fehler{}, true, 62}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace zorta
