#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "Pfade.h"
#include "Stapel.h"
#include "Testhilfen.h"
#include "Zerlegung.h"

namespace zorta {
namespace {

using test::Anzeigeprotokoll;
using test::FehlerDateisystem;
using test::Testordner;
namespace fs = std::filesystem;

class ZerlegungTest : public testing::Test {
  protected:
    void SetUp() override {
        quellordner = tmp / "daten";
        zielordner = tmp / "ziel";
        fs::create_directory(quellordner);
        fs::create_directory(zielordner);
        anzeige.ziel = zielordner;
    }
    void quelle(const std::string& name, std::int64_t laenge, std::int64_t teil) {
        auftrag.Quelldatei = quellordner + "/" + name;
        test::schreibeMuster(auftrag.Quelldatei, laenge);
        auftrag.Quellgröße = laenge;
        auftrag.Teilgröße = teil;
    }
    Ausgang lauf() { return zerlegen(auftrag, anzeige, dateisystem, medium); }
    std::string im(const std::string& name) const { return zielordner + "/" + name; }
    // Pieces 1..n of the stem BILD.
    static std::vector<std::string> stuecke(int n, std::vector<std::string> dazu = {}) {
        for (int k = 1; k <= n; ++k) dazu.push_back("BILD." + Stuecknummer(k));
        std::sort(dazu.begin(), dazu.end());
        return dazu;
    }
    // Piece k must hold source bytes (k-1)*teil up to k*teil.
    void erwarteStueck(const std::string& name, std::int64_t k) {
        const std::string inhalt = test::lies(im(name));
        const std::int64_t anfang = (k - 1) * auftrag.Teilgröße;
        const std::int64_t laenge = std::min(auftrag.Teilgröße, auftrag.Quellgröße - anfang);
        EXPECT_TRUE(inhalt == test::lies(auftrag.Quelldatei).substr(anfang, laenge)) << name;
    }

    Testordner tmp;
    std::string quellordner, zielordner;
    Auftrag auftrag;
    Anzeigeprotokoll anzeige;
    FehlerDateisystem dateisystem;
    test::FakeWechselmedium medium;
};

TEST_F(ZerlegungTest, beispielDreiMillionenBytesInDreiStuecke) {
    quelle("BILD.ZIP", 3'000'000, 1'433'600);
    ASSERT_EQ(lauf(), Ausgang::Erfolg);
    EXPECT_EQ(
        anzeige.statuszeilen,
        (std::vector<std::string>{texte::Kopiere + im("BILD.001"), texte::Kopiere + im("BILD.002"),
                                  texte::Kopiere + im("BILD.003"), ""}));
    ASSERT_EQ(anzeige.positionen.size(), 4u);
    EXPECT_NEAR(anzeige.positionen[0], 33.333f, 0.001);
    EXPECT_NEAR(anzeige.positionen[1], 66.667f, 0.001);
    EXPECT_EQ(anzeige.positionen[2], 100.0f);
    EXPECT_EQ(anzeige.positionen[3], 0.0f);
    ASSERT_EQ(anzeige.meldungen.size(), 1u);
    EXPECT_EQ(anzeige.meldungen[0].text, texte::Erfolg);
    EXPECT_TRUE(anzeige.geleert);
    EXPECT_FALSE(anzeige.zortaAn);
    EXPECT_EQ(anzeige.sanduhrWechsel, (std::vector<bool>{true, false}));
    EXPECT_EQ(dateisystem.offen(), 0);
}

// Cut by the run, joined by the interpreter from the batch file the run
// wrote, checked against the checksum file by the interpreter and by
// sha256sum. A damaged piece must leave an original of the same name as it was.
enum class Inhalt { Muster, Luecken };
enum class Schaden { Keiner, Gekuerzt, Fehlt, Vertauscht, BitGekippt };
struct Rundreise {
    const char* name;
    std::string datei;
    std::int64_t laenge, teil;
    std::string zeile = "";  // the copy line, when it is checked
    Inhalt inhalt = Inhalt::Muster;
    Schaden schaden = Schaden::Keiner;
    std::string unterordner = "daten";
};
class RundreiseTest : public ZerlegungTest, public testing::WithParamInterface<Rundreise> {};
TEST_P(RundreiseTest, zerlegtUndFuegtByteGleichWiederZusammen) {
    const auto& r = GetParam();
    quellordner = tmp / r.unterordner;
    fs::create_directories(quellordner);
    quelle(r.datei, r.laenge, r.teil);
    if (r.inhalt == Inhalt::Luecken) {
        // Data off every block boundary between holes, dense data before them
        // (so that reused buffers are dirty) and a hole of 2 MiB at the end.
        test::schreibeLueckenhaft(auftrag.Quelldatei, r.laenge,
                                  {{0, 3'500'000}, {4'199'999, 4'200'100}, {5'000'001, 5'000'003}});
    }
    ASSERT_EQ(lauf(), Ausgang::Erfolg);
    const std::string original = test::lies(auftrag.Quelldatei);
    const std::string stamm = Dateiname(OhneEndung(auftrag.Quelldatei));
    const auto n = static_cast<int>((r.laenge + r.teil - 1) / r.teil);
    std::vector<std::string> namen = {stamm + "bat", stamm + "sha256"};
    for (int k = 1; k <= n; ++k) {
        namen.push_back(stamm + Stuecknummer(k));
        EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(im(namen.back()))),
                  std::min(r.teil, r.laenge - (k - 1) * r.teil));
    }
    std::sort(namen.begin(), namen.end());
    EXPECT_EQ(test::namenIn(zielordner), namen);
    if (!r.zeile.empty()) {
        EXPECT_EQ(test::lies(auftrag.Batchdatei), "@echo off\r\n" + r.zeile + "\r\n");
    }

    const std::string teil2 = im(stamm + "002");
    switch (r.schaden) {
        case Schaden::Keiner:
            break;
        case Schaden::Gekuerzt:
            fs::resize_file(teil2, fs::file_size(teil2) - 1);
            break;
        case Schaden::Fehlt:
            fs::remove(im(stamm + "003"));
            break;
        case Schaden::Vertauscht:
            fs::rename(teil2, im("x"));
            fs::rename(im(stamm + "001"), teil2);
            fs::rename(im("x"), im(stamm + "001"));
            break;
        case Schaden::BitGekippt: {
            std::string t = test::lies(teil2);
            t[777] ^= 0x10;
            test::schreibeText(teil2, t);
        }
    }
    if (r.schaden != Schaden::Keiner)
        test::schreibeText(im(r.datei), original);
    const auto vorher = test::namenIn(zielordner);

    Stapellauf join;
    join.ordner = zielordner;
    const int status = stapeldateiAusfuehren(auftrag.Batchdatei, join, dateisystem);
    EXPECT_TRUE(test::lies(im(r.datei)) == original);
    if (r.schaden == Schaden::Keiner) {
        EXPECT_EQ(status, stapelstatus::Ok) << join.meldung;
        EXPECT_EQ(join.meldung, r.datei + " wurde zusammengesetzt, die Prüfsumme stimmt.\n");
        const std::string pruefen =
            "cd '" + zielordner + "' && sha256sum -c --quiet '" + stamm + "sha256' >/dev/null";
        EXPECT_EQ(std::system(pruefen.c_str()), 0);
        return;
    }
    EXPECT_EQ(status, r.schaden == Schaden::Fehlt ? stapelstatus::KopierFehler
                                                  : stapelstatus::PruefsummeFalsch);
    EXPECT_NE(join.meldung.find(r.schaden == Schaden::Fehlt ? "fehlt" : "Prüfsumme falsch"),
              std::string::npos)
        << join.meldung;
    EXPECT_EQ(test::namenIn(zielordner), vorher);  // no draft left
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Schnitte, RundreiseTest, testing::Values(
    Rundreise{"einStueck", "BILD.ZIP", 1000, 1'433'600, "copy /b BILD.001 BILD.ZIP >nul"},
    Rundreise{"genauEinStueck", "BILD.ZIP", 1'433'600, 1'433'600},
    Rundreise{"diskettePlusRest", "BILD.ZIP", 1'474'560, 1'433'600, "copy /b BILD.001 + BILD.002 BILD.ZIP >nul"},
    Rundreise{"ueberMehrerePuffer", "BILD.ZIP", 3 * 1'048'577 + 2, 1'048'577},
    Rundreise{"einByteProStueck", "BILD.ZIP", 3, 1, "copy /b BILD.001 + BILD.002 + BILD.003 BILD.ZIP >nul"},
    Rundreise{"tausendUndMehr", "BILD.ZIP", 1003, 1},
    Rundreise{"ohneEndung", "LIESMICH", 10, 6, "copy /b LIESMICH.001 + LIESMICH.002 LIESMICH >nul"},
    Rundreise{"punktNurImOrdner", "LIESMICH", 10, 6, "copy /b a.001 + a.002 LIESMICH >nul", Inhalt::Muster, Schaden::Keiner, "a.b"},
    Rundreise{"punktname", ".profile", 10, 6, "copy /b .001 + .002 .profile >nul"},
    Rundreise{"blanks", "mein bild.zip", 10, 6, "copy /b \"mein bild.001\" + \"mein bild.002\" \"mein bild.zip\" >nul"},
    Rundreise{"prozentVerdoppelt", "50% (1).zip", 10, 6, "copy /b \"50%% (1).001\" + \"50%% (1).002\" \"50%% (1).zip\" >nul"},
    Rundreise{"umlauteInCodepage850", "Bär Öl.zip", 10, 6, "copy /b \"B\x84r \x99l.001\" + \"B\x84r \x99l.002\" \"B\x84r \x99l.zip\" >nul"},
    Rundreise{"ohneCodepage850Utf8", "Ωmega.zip", 10, 6, "copy /b Ωmega.001 + Ωmega.002 Ωmega.zip >nul"},
    Rundreise{"anhaengeform", "archiv.7z.001", 10, 6, "copy /b archiv.7z.001 + archiv.7z.002 archiv.7z.001 >nul"},
    Rundreise{"name250Byte", std::string(246, 'n') + ".zip", 50, 20},
    Rundreise{"lueckenhaft", "BILD.IMG", 7'000'000, 999'999, "", Inhalt::Luecken},
    Rundreise{"teilGekuerzt", "BILD.ZIP", 100'000, 40'000, "", Inhalt::Muster, Schaden::Gekuerzt},
    Rundreise{"teilFehlt", "BILD.ZIP", 100'000, 40'000, "", Inhalt::Muster, Schaden::Fehlt},
    Rundreise{"teileVertauscht", "BILD.ZIP", 100'000, 40'000, "", Inhalt::Muster, Schaden::Vertauscht},
    Rundreise{"bitGekippt", "BILD.ZIP", 100'000, 40'000, "", Inhalt::Muster, Schaden::BitGekippt}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// Refusals before anything is written: no target, stale job state, a source
// changed since it was chosen, names a batch file cannot carry, a source that
// the run would overwrite. An old batch file stays.
enum class Ort { Daten, KeinZiel, ImZiel, ZielUeberLink };
struct Abweisung {
    const char* name;
    std::string datei;
    std::int64_t teil, quelle;  // the job's piece size and source length; the file has 10 bytes
    const char* text;
    Ort ort = Ort::Daten;
};
class AbweisungTest : public ZerlegungTest, public testing::WithParamInterface<Abweisung> {};
TEST_P(AbweisungTest, lehntAbOhneEtwasZuSchreiben) {
    const auto& a = GetParam();
    if (a.ort == Ort::ImZiel || a.ort == Ort::ZielUeberLink)
        quellordner = zielordner;
    else
        test::schreibeText(im("BILD.bat"), "alt");
    quelle(a.datei, 10, a.teil);
    auftrag.Quellgröße = a.quelle;
    if (a.ort == Ort::KeinZiel)
        anzeige.ziel.clear();
    if (a.ort == Ort::ZielUeberLink) {
        fs::create_directory_symlink(zielordner, tmp / "link");
        anzeige.ziel = tmp / "link";
    }
    const auto vorher = test::namenIn(zielordner);
    EXPECT_EQ(lauf(), a.ort == Ort::KeinZiel ? Ausgang::KeinZiel : Ausgang::Abgelehnt);
    ASSERT_EQ(anzeige.meldungen.size(), 1u);
    EXPECT_EQ(anzeige.meldungen[0].text, a.text);
    EXPECT_EQ(anzeige.meldungen[0].symbol, Symbol::Information);
    EXPECT_EQ(test::namenIn(zielordner), vorher);
    EXPECT_EQ(fs::file_size(auftrag.Quelldatei), 10u);
    EXPECT_EQ(anzeige.sanduhrWechsel.size() % 2, 0u);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Abweisungen, AbweisungTest, testing::Values(
    Abweisung{"keinZiel", "BILD.ZIP", 6, 10, texte::KeinZiel, Ort::KeinZiel},
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
    Abweisung{"pruefsummennameZuLang", std::string(250, 'x'), 6, 10, texte::NameZuLang},
    Abweisung{"millionstesStueckZuLang", std::string(248, 'x') + ".z", 1, 1'000'000, texte::NameZuLang},
    Abweisung{"quelleIstErstesStueck", "BILD.001", 6, 10, texte::QuelleWuerdeUeberschrieben, Ort::ImZiel},
    Abweisung{"quelleIstLetztesStueck", "BILD.002", 6, 10, texte::QuelleWuerdeUeberschrieben, Ort::ImZiel},
    Abweisung{"quelleIstBatchdatei", "BILD.bat", 6, 10, texte::QuelleWuerdeUeberschrieben, Ort::ImZiel},
    Abweisung{"quelleIstPruefsummendatei", "BILD.sha256", 6, 10, texte::QuelleWuerdeUeberschrieben, Ort::ImZiel},
    Abweisung{"quelleUeberLink", "BILD.001", 6, 10, texte::QuelleWuerdeUeberschrieben, Ort::ZielUeberLink}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// The old drive notation prompts on A: and B: only, in either case.
TEST(AltesLaufwerk, nurAundBMitBackslash) {
    for (const char* ja : {"a:\\", "A:\\", "b:\\x", "B:\\TEILE"})
        EXPECT_TRUE(aufLaufwerkAoderB(ja));
    for (const char* nein : {"C:\\", "A:", "/a:\\", ""}) EXPECT_FALSE(aufLaufwerkAoderB(nein));
}

// A run onto a swapped medium; an old batch and checksum file stand in the
// target. The prompts are answered from the table (the second stick is the
// folder "neu"), or something happens while the first is open. Each prompt
// and the success message must find every file written so far flushed.
enum class Ereignis { Keins, QuelleKuerzer, QuelleLaenger, Abbruch };
struct Medienfall {
    const char* name;
    std::int64_t laenge;        // in bytes, pieces of 10
    std::vector<Folge> folgen;  // answers of the medium after each OK
    int abbrechenBei;           // the prompt answered with Abbrechen; 0: none
    Ausgang ausgang;
    std::vector<std::string> aufErstem, aufZweitem;
    int fragen;
    Ereignis ereignis = Ereignis::Keins;  // at the first prompt
    int fehler = 0;                       // the failure message's number
};
class MedienTest : public ZerlegungTest, public testing::WithParamInterface<Medienfall> {};
TEST_P(MedienTest, fragtFolgtUndSichertVorJederFrage) {
    const auto& m = GetParam();
    const std::string neu = tmp / "neu";
    fs::create_directory(neu);
    medium.wechselbar = true;
    medium.unterordner = "ziel";
    for (auto f : m.folgen) {
        if (f.ordner == "neu")
            f.ordner = neu;
        medium.antworten.push_back(f);
    }
    quelle("BILD.ZIP", m.laenge, 10);
    test::schreibeText(im("BILD.bat"), "alt");
    test::schreibeText(im("BILD.sha256"), "alt");
    int fragen = 0;
    anzeige.beiMeldung = [&](const auto& meldung) {
        const bool frage = meldung.symbol == Symbol::Frage;
        if (frage || meldung.text == texte::Erfolg) {
            EXPECT_TRUE(dateisystem.ungesichert().empty()) << meldung.text;
        }
        fragen += frage;
        anzeige.antwort = fragen != m.abbrechenBei;
        if (frage && fragen == 1 && m.ereignis != Ereignis::Keins) {
            if (m.ereignis != Ereignis::Abbruch)
                ::truncate(auftrag.Quelldatei.c_str(),
                           m.laenge + (m.ereignis == Ereignis::QuelleKuerzer ? -15 : 1));
            anzeige.abbrechen = m.ereignis == Ereignis::Abbruch;
        }
        if (frage && fragen == 2 && !m.folgen.empty() && m.folgen[0].ordner.empty()) {
            EXPECT_EQ(meldung.text,
                      naechsteDisketteNochmal(m.folgen[0].kandidaten, "ziel", "BILD.002"));
        }
    };
    EXPECT_EQ(lauf(), m.ausgang);
    EXPECT_EQ(fragen, m.fragen);
    EXPECT_EQ(test::namenIn(zielordner), m.aufErstem);
    EXPECT_EQ(test::namenIn(neu), m.aufZweitem);
    EXPECT_NE(test::lies(im("BILD.bat")), "alt");
    EXPECT_EQ(anzeige.anzahlMeldungen(texte::Erfolg), m.ausgang == Ausgang::Erfolg ? 1 : 0);
    if (m.fehler != 0) {
        EXPECT_EQ(anzeige.meldungen.back().text, fehlermeldungZerlegung(Fehler::nummer(m.fehler)));
    }
    if (m.ausgang == Ausgang::Abgebrochen) {
        EXPECT_EQ(anzeige.statuszeilen.back(), texte::Abgebrochen);
    }
    if (!m.aufZweitem.empty()) {
        EXPECT_EQ(anzeige.statuszeilen[1], texte::Kopiere + neu + "/BILD.002");
    }
    for (const auto& name : m.aufErstem) {
        if (name.rfind("BILD.0", 0) == 0)
            erwarteStueck(name, name.back() - '0');
    }
}
const std::vector<std::string> kEins = {"BILD.001"};
const std::vector<std::string> kGanz = {"BILD.001", "BILD.002", "BILD.bat", "BILD.sha256"};
// clang-format off
INSTANTIATE_TEST_SUITE_P(Medien, MedienTest, testing::Values(
    Medienfall{"einStueckFragtNicht", 10, {}, 0, Ausgang::Erfolg, {"BILD.001", "BILD.bat", "BILD.sha256"}, {}, 0},
    Medienfall{"gleicherStick", 30, {}, 0, Ausgang::Erfolg, {"BILD.001", "BILD.002", "BILD.003", "BILD.bat", "BILD.sha256"}, {}, 2},
    Medienfall{"neuerStick", 30, {Folge::weiter("neu")}, 0, Ausgang::Erfolg, kEins, {"BILD.002", "BILD.003", "BILD.bat", "BILD.sha256"}, 2},
    Medienfall{"erstNichtsDannStick", 20, {Folge::nochmal(0), Folge::weiter("neu")}, 0, Ausgang::Erfolg, kEins, {"BILD.002", "BILD.bat", "BILD.sha256"}, 2},
    Medienfall{"zweiKandidatenDannAbbrechen", 20, {Folge::nochmal(2)}, 2, Ausgang::Abgebrochen, kEins, {}, 2},
    Medienfall{"abbrechen", 30, {}, 1, Ausgang::Abgebrochen, kEins, {}, 1},
    Medienfall{"ordnerNichtAnlegbar", 20, {Folge::gescheitert(Fehler::nummer(70))}, 0, Ausgang::Fehlgeschlagen, kEins, {}, 1, Ereignis::Keins, 70},
    Medienfall{"quelleKuerzerImLauf", 30, {}, 0, Ausgang::Fehlgeschlagen, kEins, {}, 1, Ereignis::QuelleKuerzer, 62},
    Medienfall{"quelleLaengerImLauf", 30, {}, 0, Ausgang::Fehlgeschlagen, {"BILD.001", "BILD.002", "BILD.003"}, {}, 2, Ereignis::QuelleLaenger, 59},
    Medienfall{"abbruchWunschBeiDerFrage", 30, {}, 0, Ausgang::Abgebrochen, kEins, {}, 1, Ereignis::Abbruch}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// A cancel asked for while a piece is being copied ends the run at once.
TEST_F(ZerlegungTest, abbruchWaehrendDesKopierens) {
    quelle("BILD.ZIP", 3'000'000, 1'433'600);
    int bloecke = 0;
    struct Abbrechend final : Anzeigeprotokoll {
        int* n;
        bool abbruchGewuenscht() override { return ++*n > 2; }  // during the second piece
    } anz;
    anz.n = &bloecke;
    anz.ziel = zielordner;
    EXPECT_EQ(zerlegen(auftrag, anz, dateisystem, medium), Ausgang::Abgebrochen);
    EXPECT_EQ(test::namenIn(zielordner), kEins);
    EXPECT_EQ(anz.anzahlMeldungen(texte::Erfolg), 0);
    EXPECT_EQ(anz.statuszeilen.back(), texte::Abgebrochen);
}

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
    const std::string pfad = im(v.pfad), fremd = tmp / "fremd";
    test::schreibeText(fremd, "fremd");
    if (v.art == Eintrag::Geraet && ::mknod(pfad.c_str(), S_IFCHR | 0644, makedev(1, 3)) != 0)
        GTEST_SKIP() << "Gerätedateien kann hier nur root anlegen.";
    if (v.art == Eintrag::Datei)
        test::schreibeText(pfad, std::string(100, 'x'));
    if (v.art == Eintrag::LinkInsLeere || v.art == Eintrag::LinkAufNull ||
        v.art == Eintrag::LinkAufDatei) {
        fs::create_symlink(v.art == Eintrag::LinkInsLeere  ? tmp / "nichts"
                           : v.art == Eintrag::LinkAufNull ? "/dev/null"
                                                           : fremd,
                           pfad);
    }
    if (v.art == Eintrag::Fifo) {
        ASSERT_EQ(::mkfifo(pfad.c_str(), 0644), 0);
    }
    if (v.art == Eintrag::Ordner)
        fs::create_directory(pfad);
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
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(pfad)));
    erwarteStueck("BILD.001", 1);
    erwarteStueck("BILD.002", 2);
}
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

// Real short writes: a file-size limit (RLIMIT_FSIZE) in a child makes the
// kernel take part of a write and refuse the rest. Neither the cut nor the
// join may take a short write as complete; nothing partial stays.
struct Grenze {
    const char* name;
    bool zusammenfuegen, mitPruefsumme;
    rlim_t grenze;  // the pieces have 80,000 bytes, the whole 160,000
};
class KurzesSchreibenTest : public ZerlegungTest, public testing::WithParamInterface<Grenze> {};
TEST_P(KurzesSchreibenTest, scheitertOhneHalbeDatei) {
    const auto& g = GetParam();
    quelle("BILD.ZIP", 160'000, 80'000);
    if (g.zusammenfuegen) {
        ASSERT_EQ(lauf(), Ausgang::Erfolg);
        if (!g.mitPruefsumme)
            fs::remove(im("BILD.sha256"));
        test::schreibeText(im("BILD.ZIP"), "alt");
    }
    const auto vorher = test::namenIn(zielordner);
    const int status = test::imKind([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{g.grenze, g.grenze};
        ::setrlimit(RLIMIT_FSIZE, &r);
        PosixDateisystem echt;
        if (!g.zusammenfuegen)
            return static_cast<int>(zerlegen(auftrag, anzeige, echt, medium));
        Stapellauf join;
        join.ordner = zielordner;
        return stapeldateiAusfuehren(auftrag.Batchdatei, join, echt);
    });
    ASSERT_TRUE(WIFEXITED(status));
    if (g.zusammenfuegen) {
        EXPECT_EQ(WEXITSTATUS(status), stapelstatus::KopierFehler);
        EXPECT_EQ(test::lies(im("BILD.ZIP")), "alt");
        EXPECT_EQ(test::namenIn(zielordner), vorher);
    } else {
        EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(Ausgang::Fehlgeschlagen));
        EXPECT_EQ(test::namenIn(zielordner), std::vector<std::string>{});
    }
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Grenzen, KurzesSchreibenTest, testing::Values(
    Grenze{"zerlegenImLetztenBlockDesStuecks", false, false, 79'000},
    Grenze{"zusammenfuegenMitPruefsumme", true, true, 150'000},
    Grenze{"zusammenfuegenImKern", true, false, 150'000}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// Every file operation of a run made to fail in turn, with each kind of error.
// Each failure point must end the run through its failure path with the
// error's number, keep every piece completed before it (whole), remove the
// begun one and the new batch and checksum files; the old batch and checksum
// files go at the start of the run. The one point allowed to pass is a failed
// identity probe: it only guards against a source among the names the run
// writes, and this source lies elsewhere.
struct Fehlerart {
    const char* name;
    Fehler fehler;
    bool kurzesLesen;
    int erwartet;
    bool wechselbar = false;
};
class FehlerinjektionTest : public ZerlegungTest, public testing::WithParamInterface<Fehlerart> {
  protected:
    Ausgang versuch(int n) {
        fs::remove_all(zielordner);
        fs::create_directory(zielordner);
        test::schreibeText(im("BILD.bat"), "alt");
        test::schreibeText(im("BILD.sha256"), "alt");
        anzeige = Anzeigeprotokoll{};
        anzeige.ziel = zielordner;
        quelle("BILD.ZIP", 100'000, 40'000);
        medium.wechselbar = GetParam().wechselbar;
        dateisystem.fehlerBei(n, GetParam().fehler, GetParam().kurzesLesen);
        return lauf();
    }
};
TEST_P(FehlerinjektionTest, jederFehlerpunktEndetGenauSo) {
    const auto& art = GetParam();
    ASSERT_EQ(versuch(0), Ausgang::Erfolg);
    const auto ops = dateisystem.protokoll;
    // The operation after which piece k counts as written: its closing, on a
    // stick the flush of its folder after that.
    std::vector<int> fertig;
    if (art.kurzesLesen)
        fertig = {1, 2, 3};   // only reads count there: one per piece
    int alteWeg[2] = {0, 0};  // when the old checksum and batch file were removed
    bool geschlossen = false;
    for (int i = 1; i <= static_cast<int>(ops.size()); ++i) {
        const auto& [op, pfad] = ops[i - 1];
        if (op == "schliessen" && pfad.find("/BILD.0") != std::string::npos) {
            geschlossen = art.wechselbar;
            if (!art.wechselbar)
                fertig.push_back(i);
        } else if (op == "ordnerSichern" && geschlossen) {
            fertig.push_back(i);
            geschlossen = false;
        } else if (op == "loeschen" && alteWeg[pfad.ends_with(".bat")] == 0) {
            alteWeg[pfad.ends_with(".bat")] = i;
        }
    }
    ASSERT_EQ(fertig.size(), 3u);
    const int deskriptoren = test::offeneDeskriptoren();
    for (int n = 1; n <= static_cast<int>(ops.size()); ++n) {
        SCOPED_TRACE("Operation " + std::to_string(n) + ": " + ops[n - 1].name + " " +
                     ops[n - 1].pfad);
        const Ausgang aus = versuch(n);
        ASSERT_TRUE(dateisystem.ausgeloest());
        EXPECT_EQ(dateisystem.offen(), 0);
        EXPECT_EQ(test::offeneDeskriptoren(), deskriptoren);
        // On a stick, a file whose flush failed counts as not written.
        EXPECT_TRUE(!art.wechselbar || dateisystem.ungesichert().empty());
        // A short read of the final probe for growth at the end reads 0 of 1
        // byte there, as the real end of the file does.
        const bool harmlos =
            ops[n - 1].name == "kennung" || (art.kurzesLesen && n == static_cast<int>(ops.size()));
        if (harmlos) {
            EXPECT_EQ(aus, Ausgang::Erfolg);
            EXPECT_EQ(test::namenIn(zielordner), stuecke(3, {"BILD.bat", "BILD.sha256"}));
            EXPECT_NE(test::lies(im("BILD.bat")), "alt");
            continue;
        }
        EXPECT_EQ(aus, Ausgang::Fehlgeschlagen);
        const auto ganz = static_cast<int>(
            std::count_if(fertig.begin(), fertig.end(), [n](int f) { return f < n; }));
        std::vector<std::string> alte;
        if (alteWeg[0] >= n)
            alte.push_back("BILD.sha256");
        if (alteWeg[1] >= n)
            alte.push_back("BILD.bat");
        EXPECT_EQ(test::namenIn(zielordner), stuecke(ganz, alte));
        for (int k = 1; k <= ganz; ++k) erwarteStueck("BILD.00" + std::to_string(k), k);
        for (const auto& name : alte) EXPECT_EQ(test::lies(im(name)), "alt");
        EXPECT_EQ(anzeige.anzahlMeldungen(texte::Erfolg), 0);
        ASSERT_FALSE(anzeige.meldungen.empty());
        EXPECT_EQ(anzeige.meldungen.back().text,
                  fehlermeldungZerlegung(Fehler::nummer(art.erwartet)));
        EXPECT_EQ(anzeige.meldungen.back().symbol, Symbol::Keins);
        EXPECT_EQ(anzeige.statuszeilen.back(), "");
        EXPECT_EQ(anzeige.sanduhrWechsel.back(), false);
        EXPECT_TRUE(anzeige.zortaAn);
    }
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
