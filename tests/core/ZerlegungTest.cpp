#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

    EXPECT_EQ(
        test::namenIn(zielordner),
        (std::vector<std::string>{"BILD.001", "BILD.002", "BILD.003", "BILD.bat", "BILD.sha256"}));
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
    EXPECT_EQ(test::lies(zielordner + "/BILD.sha256"),
              test::sha256(test::lies(auftrag.Quelldatei)) + "  BILD.ZIP\n");
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
    Teilung{"ueberMehrerePuffer", 3 * 1'048'577 + 2, 1'048'577, {1'048'577, 1'048'577, 1'048'577, 2}},
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
        test::schreibeText(zielordner + "/" + n.erwartet[n.erwartet.size() - 2], "alt");
    }
    ASSERT_EQ(lauf(), Ausgang::Erfolg);
    EXPECT_EQ(test::namenIn(zielordner), n.erwartet);
    erwarteStueck(zielordner + "/" + n.erwartet[0], 1);
    EXPECT_EQ(anzeige.statuszeilen[0], texte::Kopiere + zielordner + "/" + n.erwartet[0]);
    EXPECT_EQ(auftrag.Batchdatei, zielordner + "/" + n.erwartet[n.erwartet.size() - 2]);
    EXPECT_EQ(test::lies(auftrag.Batchdatei), "@echo off\r\n" + n.zeile + "\r\n");
    // The checksum file is for sha256sum on Linux: the name stays as it is.
    const std::string stamm = auftrag.Batchdatei.substr(0, auftrag.Batchdatei.size() - 3);
    EXPECT_EQ(test::lies(stamm + "sha256"),
              test::sha256(test::lies(auftrag.Quelldatei)) + "  " + n.datei + "\n");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Namen, NamenTest, testing::Values(
    Namensfall{"ohneEndung", "x", "LIESMICH", {"LIESMICH.001", "LIESMICH.002", "LIESMICH.bat", "LIESMICH.sha256"}, "copy /b LIESMICH.001 + LIESMICH.002 LIESMICH >nul"},
    Namensfall{"punktNurImOrdner", "a.b", "LIESMICH", {"a.001", "a.002", "a.bat", "a.sha256"}, "copy /b a.001 + a.002 LIESMICH >nul"},
    Namensfall{"blankImNamen", "x", "mein bild.zip", {"mein bild.001", "mein bild.002", "mein bild.bat", "mein bild.sha256"}, "copy /b \"mein bild.001\" + \"mein bild.002\" \"mein bild.zip\" >nul"},
    Namensfall{"prozentVerdoppelt", "x", "50% (1).zip", {"50% (1).001", "50% (1).002", "50% (1).bat", "50% (1).sha256"}, "copy /b \"50%% (1).001\" + \"50%% (1).002\" \"50%% (1).zip\" >nul"},
    Namensfall{"umlautInCodepage850", "x", "Bär.zip", {"Bär.001", "Bär.002", "Bär.bat", "Bär.sha256"}, "copy /b B\x84r.001 + B\x84r.002 B\x84r.zip >nul"},
    Namensfall{"ohneCodepage850Utf8", "x", "Ωmega.zip", {"Ωmega.001", "Ωmega.002", "Ωmega.bat", "Ωmega.sha256"}, "copy /b Ωmega.001 + Ωmega.002 Ωmega.zip >nul"},
    Namensfall{"ziffernendungAusserhalbDesZiels", "x", "BILD.001", {"BILD.001", "BILD.002", "BILD.bat", "BILD.sha256"}, "copy /b BILD.001 + BILD.002 BILD.001 >nul"},
    Namensfall{"zielMitTrennerAmEnde", "x", "BILD.ZIP", {"BILD.001", "BILD.002", "BILD.bat", "BILD.sha256"}, "copy /b BILD.001 + BILD.002 BILD.ZIP >nul", "/"},
    Namensfall{"altesWirdErsetzt", "x", "BILD.ZIP", {"BILD.001", "BILD.002", "BILD.bat", "BILD.sha256"}, "copy /b BILD.001 + BILD.002 BILD.ZIP >nul", "", true}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST_F(ZerlegungTest, ohneZielNurDieMeldung) {
    quelle("BILD.ZIP", 10, 6);
    anzeige.ziel.clear();
    EXPECT_EQ(lauf(), Ausgang::KeinZiel);
    ASSERT_EQ(anzeige.meldungen.size(), 1u);
    EXPECT_EQ(anzeige.meldungen[0].text, "Geben Sie bitte ein Zielverzeichnis an !");
    EXPECT_EQ(anzeige.meldungen[0].symbol, Symbol::Information);
    EXPECT_TRUE(anzeige.sanduhrWechsel.empty());
    EXPECT_TRUE(test::namenIn(zielordner).empty());
}

// Refusals before anything is written: stale job state, a source changed
// since it was chosen, names a batch file cannot carry.
struct Abweisung {
    const char* name;
    std::string datei;
    std::int64_t teil, quelle;  // the job's piece size and source length; the file has 10 bytes
    const char* text;
};
class AbweisungTest : public ZerlegungTest, public testing::WithParamInterface<Abweisung> {};
TEST_P(AbweisungTest, lehntAbOhneEtwasZuSchreiben) {
    const auto& a = GetParam();
    quelle(a.datei, 10, a.teil);
    auftrag.Quellgröße = a.quelle;
    const std::string alt = Dateiname(OhneEndung(a.datei)) + "bat";
    test::schreibeText(zielordner + "/" + alt, "alt");
    EXPECT_EQ(lauf(), Ausgang::Abgelehnt);
    ASSERT_EQ(anzeige.meldungen.size(), 1u);
    EXPECT_EQ(anzeige.meldungen[0].text, a.text);
    EXPECT_EQ(anzeige.meldungen[0].symbol, Symbol::Information);
    EXPECT_EQ(test::namenIn(zielordner), std::vector<std::string>{alt});
    EXPECT_EQ(anzeige.sanduhrWechsel.size() % 2, 0u);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Abweisungen, AbweisungTest, testing::Values(
    Abweisung{"teilNull", "BILD.ZIP", 0, 10, texte::UngueltigerAuftrag},
    Abweisung{"teilNegativ", "BILD.ZIP", -1024, 10, texte::UngueltigerAuftrag},
    Abweisung{"quelleLeer", "BILD.ZIP", 6, 0, texte::UngueltigerAuftrag},
    Abweisung{"quelleSeitDerWahlLaenger", "BILD.ZIP", 6, 9, texte::QuelleVeraendert},
    Abweisung{"quelleSeitDerWahlKuerzer", "BILD.ZIP", 6, 11, texte::QuelleVeraendert},
    Abweisung{"wagenruecklauf", "a\rb.zip", 6, 10, texte::NameUngeeignet},
    Abweisung{"zeilenvorschub", "a\nb.zip", 6, 10, texte::NameUngeeignet},
    Abweisung{"tabulator", "a\tb.zip", 6, 10, texte::NameUngeeignet},
    Abweisung{"entf", "a\x7f" "b.zip", 6, 10, texte::NameUngeeignet},
    Abweisung{"anfuehrungszeichen", "a\"b.zip", 6, 10, texte::NameUngeeignet},
    Abweisung{"backslash", "a\\b.zip", 6, 10, texte::NameUngeeignet},
    Abweisung{"steuerzeichenNurInDerEndung", "ab.z\x01p", 6, 10, texte::NameUngeeignet},
    Abweisung{"millionstesStueckZuLang", std::string(248, 'x') + ".z", 1, 1'000'000, texte::NameZuLang}),
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
    Selbstfall{"pruefsummendatei", "BILD.sha256", false},
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
    Medienfall{"einStueckFragtNicht", 10, {}, 0, Ausgang::Erfolg, {"BILD.001", "BILD.bat", "BILD.sha256"}, {}, 0},
    Medienfall{"gleicherStick", 30, {}, 0, Ausgang::Erfolg, {"BILD.001", "BILD.002", "BILD.003", "BILD.bat", "BILD.sha256"}, {}, 2},
    Medienfall{"neuerStick", 30, {Folge::weiter("neu")}, 0, Ausgang::Erfolg, {"BILD.001"}, {"BILD.002", "BILD.003", "BILD.bat", "BILD.sha256"}, 2},
    Medienfall{"erstNichtsDannStick", 20, {Folge::nochmal(0), Folge::weiter("neu")}, 0, Ausgang::Erfolg, {"BILD.001"}, {"BILD.002", "BILD.bat", "BILD.sha256"}, 2},
    Medienfall{"zweiKandidatenDannAbbrechen", 20, {Folge::nochmal(2)}, 2, Ausgang::Abgebrochen, {"BILD.001"}, {}, 2},
    Medienfall{"abbrechen", 30, {}, 1, Ausgang::Abgebrochen, {"BILD.001"}, {}, 1},
    Medienfall{"ordnerNichtAnlegbar", 20, {Folge::gescheitert(Fehler::nummer(70))}, 0, Ausgang::Fehlgeschlagen, {"BILD.001"}, {}, 1}),
    [](const auto& info) { return info.param.name; });
// clang-format on


// Whatever stands at a path the run writes is replaced, a link itself and
// never its target; a folder there fails the run.
enum class Eintrag { Datei, LinkInsLeere, LinkAufNull, LinkAufDatei, Fifo, Geraet, Ordner };
struct Vorhanden {
    const char* name;
    std::string pfad;
    Eintrag art;
    int fehler;  // 0: the run succeeds
    std::vector<std::string> bleiben;
};
class VorhandenTest : public ZerlegungTest, public testing::WithParamInterface<Vorhanden> {};
TEST_P(VorhandenTest, ersetztDenEintragNieSeinZiel) {
    const auto& v = GetParam();
    quelle("BILD.ZIP", 10, 6);
    const std::string pfad = zielordner + "/" + v.pfad, fremd = tmp / "fremd";
    test::schreibeText(fremd, "fremd");
    switch (v.art) {
        case Eintrag::Datei:
            test::schreibeText(pfad, std::string(100, 'x'));
            break;
        case Eintrag::LinkInsLeere:
            std::filesystem::create_symlink(tmp / "nichts", pfad);
            break;
        case Eintrag::LinkAufNull:
            std::filesystem::create_symlink("/dev/null", pfad);
            break;
        case Eintrag::LinkAufDatei:
            std::filesystem::create_symlink(fremd, pfad);
            break;
        case Eintrag::Fifo:
            ASSERT_EQ(::mkfifo(pfad.c_str(), 0644), 0);
            break;
        case Eintrag::Geraet:
            if (::mknod(pfad.c_str(), S_IFCHR | 0644, makedev(1, 3)) != 0)
                GTEST_SKIP() << "Gerätedateien kann hier nur root anlegen.";
            break;
        case Eintrag::Ordner:
            std::filesystem::create_directory(pfad);
            break;
    }
    const Ausgang aus = lauf();
    EXPECT_EQ(test::lies(fremd), "fremd");
    EXPECT_FALSE(test::gibtEs(tmp / "nichts"));
    EXPECT_EQ(test::namenIn(zielordner), v.bleiben);
    if (v.fehler != 0) {
        EXPECT_EQ(aus, Ausgang::Fehlgeschlagen);
        EXPECT_EQ(anzeige.meldungen.back().text, fehlermeldungZerlegung(Fehler::nummer(v.fehler)));
        return;
    }
    ASSERT_EQ(aus, Ausgang::Erfolg);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(pfad)));
    erwarteStueck(zielordner + "/BILD.001", 1);
    erwarteStueck(zielordner + "/BILD.002", 2);
}
const std::vector<std::string> kGanz = {"BILD.001", "BILD.002", "BILD.bat", "BILD.sha256"};
// clang-format off
INSTANTIATE_TEST_SUITE_P(Eintraege, VorhandenTest, testing::Values(
    Vorhanden{"stueckDatei", "BILD.001", Eintrag::Datei, 0, kGanz},
    Vorhanden{"stueckLinkInsLeere", "BILD.002", Eintrag::LinkInsLeere, 0, kGanz},
    Vorhanden{"stueckLinkAufNull", "BILD.001", Eintrag::LinkAufNull, 0, kGanz},
    Vorhanden{"stueckLinkAufDatei", "BILD.001", Eintrag::LinkAufDatei, 0, kGanz},
    Vorhanden{"stueckFifo", "BILD.002", Eintrag::Fifo, 0, kGanz},
    Vorhanden{"stueckGeraet", "BILD.001", Eintrag::Geraet, 0, kGanz},
    Vorhanden{"batchDatei", "BILD.bat", Eintrag::Datei, 0, kGanz},
    Vorhanden{"batchLinkInsLeere", "BILD.bat", Eintrag::LinkInsLeere, 0, kGanz},
    Vorhanden{"batchFifo", "BILD.bat", Eintrag::Fifo, 0, kGanz},
    Vorhanden{"pruefsummeLinkAufDatei", "BILD.sha256", Eintrag::LinkAufDatei, 0, kGanz},
    Vorhanden{"pruefsummeLinkAufNull", "BILD.sha256", Eintrag::LinkAufNull, 0, kGanz},
    Vorhanden{"stueckOrdner", "BILD.002", Eintrag::Ordner, 75, {"BILD.001", "BILD.002"}},
    Vorhanden{"batchOrdnerVorDemErstenStueck", "BILD.bat", Eintrag::Ordner, 75, {"BILD.bat"}}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// What happens while the next-disk prompt is open ends the run through its
// failure path: no batch or checksum file stays, not even an old one.
enum class Wechsel { QuelleKuerzer, QuelleLaenger, Abbruch };
struct Laufereignis {
    const char* name;
    Wechsel was;
    int fehler;
    std::vector<std::string> bleiben;
};
class ImLaufTest : public ZerlegungTest, public testing::WithParamInterface<Laufereignis> {};
TEST_P(ImLaufTest, endetOhneBatchdatei) {
    const auto& e = GetParam();
    medium.wechselbar = true;
    quelle("BILD.ZIP", 25, 10);
    test::schreibeText(zielordner + "/BILD.bat", "alt");
    test::schreibeText(zielordner + "/BILD.sha256", "alt");
    anzeige.beiMeldung = [&](const auto& m) {
        if (m.text != texte::NaechsteDiskette)
            return;
        if (e.was == Wechsel::QuelleKuerzer)
            ::truncate(auftrag.Quelldatei.c_str(), 15);
        if (e.was == Wechsel::QuelleLaenger)
            ::truncate(auftrag.Quelldatei.c_str(), 26);
        anzeige.abbrechen = e.was == Wechsel::Abbruch;
    };
    const Ausgang aus = lauf();
    EXPECT_EQ(test::namenIn(zielordner), e.bleiben);
    EXPECT_EQ(anzeige.anzahlMeldungen(texte::Erfolg), 0);
    if (e.was == Wechsel::Abbruch) {
        EXPECT_EQ(aus, Ausgang::Abgebrochen);
        EXPECT_EQ(anzeige.meldungen.back().text, texte::NaechsteDiskette);
        EXPECT_EQ(anzeige.statuszeilen.back(), texte::Abgebrochen);
    } else {
        EXPECT_EQ(aus, Ausgang::Fehlgeschlagen);
        EXPECT_EQ(anzeige.meldungen.back().text, fehlermeldungZerlegung(Fehler::nummer(e.fehler)));
    }
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Ereignisse, ImLaufTest, testing::Values(
    Laufereignis{"quelleKuerzer", Wechsel::QuelleKuerzer, 62, {"BILD.001"}},
    Laufereignis{"quelleLaenger", Wechsel::QuelleLaenger, 59, {"BILD.001", "BILD.002", "BILD.003"}},
    Laufereignis{"abbruch", Wechsel::Abbruch, 18, {"BILD.001"}}),
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
        test::schreibeText(zielordner + "/BILD.sha256", "alt");
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
        // Whatever is left is complete: earlier pieces, and the old batch and
        // checksum files only as long as no piece was touched.
        const auto namen = test::namenIn(zielordner);
        const bool stuecke = std::any_of(namen.begin(), namen.end(),
                                         [](const auto& n) { return n.rfind("BILD.00", 0) == 0; });
        for (const auto& name : namen) {
            if (name == "BILD.bat" || name == "BILD.sha256") {
                const bool alt = test::lies(zielordner + "/" + name) == "alt";
                EXPECT_TRUE(aus == Ausgang::Erfolg ? !alt : alt && !stuecke) << name;
            } else {
                ASSERT_EQ(name.rfind("BILD.00", 0), 0u) << name;
                erwarteStueck(zielordner + "/" + name, name.back() - '0');
            }
        }
        if (aus == Ausgang::Erfolg) {
            // Only a failed identity probe may pass unnoticed; the cut is whole.
            EXPECT_EQ(namen.size(), 5u);
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
    EXPECT_GE(fehlschlaege, 3);
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
