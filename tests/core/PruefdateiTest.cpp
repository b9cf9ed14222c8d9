#include <gtest/gtest.h>

#include "Pfade.h"
#include "Pruefdatei.h"
#include "Stapel.h"
#include "Stapelergebnis.h"
#include "Testhilfen.h"

namespace zorta {
namespace {

// s.001 + s.002 beside s.bat, s.zip holding their join while `befehl` (a
// shell command, see imOrdner) makes whatever stands at s.sha256, then the
// older "alt" in its place. sha256sum itself writes the accepted forms; a
// checksum file in any other form stops the join with status 4, leaving
// s.zip as it was and no draft. It is never waited on (a FIFO).
struct Pruefdateifall {
    const char* name;
    std::string befehl;
    int status;
    std::string meldung;  // a part of the last result line
};
class PruefdateiTest : public testing::TestWithParam<Pruefdateifall> {};
TEST_P(PruefdateiTest, nimmtNurEineGueltigeSummeFuersZiel) {
    const auto& p = GetParam();
    test::Testordner tmp;
    test::schreibeMuster(tmp / "s.001", 3000);
    test::schreibeText(tmp / "s.002", "Ende");
    test::schreibeText(tmp / "s.bat", "copy /b s.001 + s.002 s.zip >nul\r\n");
    const std::string befehl = "cat s.001 s.002 > s.zip && (" + p.befehl + ")";
    ASSERT_EQ(test::imOrdner(tmp.pfad(), befehl, ""), 0);
    const std::string ganz = test::lies(tmp / "s.zip");
    test::schreibeText(tmp / "s.zip", "alt");
    const auto vorher = test::namenIn(tmp.pfad());
    test::FehlerDateisystem fs;
    Stapellauf lauf;
    lauf.ordner = tmp.pfad();
    EXPECT_EQ(stapeldateiAusfuehren(tmp / "s.bat", lauf, fs), p.status) << lauf.meldung;
    EXPECT_EQ(test::lies(tmp / "s.zip"), p.status == stapelstatus::Ok ? ganz : "alt");
    EXPECT_EQ(test::namenIn(tmp.pfad()), vorher);
    EXPECT_NE(lauf.meldung.find(p.meldung), std::string::npos) << lauf.meldung;
    EXPECT_EQ(fs.offen(), 0);
}
const char* kStimmt = "s.zip wurde zusammengesetzt, die Prüfsumme stimmt.";
const char* kNichts = "s.sha256 ist unbrauchbar (keine gewöhnliche Datei) – es wurde nichts";
const char* kForm = "s.sha256 ist unbrauchbar (Zeile 1 ist keine SHA-256-Prüfsumme";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Formen, PruefdateiTest, testing::Values(
    Pruefdateifall{"keine", ":", 0, "s.zip wurde zusammengesetzt (ohne Prüfsumme)."},
    Pruefdateifall{"gnu", "sha256sum s.zip > s.sha256", 0, kStimmt},
    Pruefdateifall{"tag", "sha256sum --tag s.zip > s.sha256", 0, kStimmt},
    Pruefdateifall{"binaer", "sha256sum -b s.zip > s.sha256", 0, kStimmt},
    Pruefdateifall{"punktSchraegstrich", "sha256sum ./s.zip > s.sha256", 0, kStimmt},
    Pruefdateifall{"crlfGrossHex", "sha256sum s.zip | tr a-f A-F | sed 's/$/\\r/' > s.sha256", 0, kStimmt},
    Pruefdateifall{"maskierteUndStueckzeilen", "touch 'a\\b' \"$(printf 'z\\nz')\" && sha256sum --tag s.001 'a\\b' z* s.zip > s.sha256 && sha256sum 'a\\b' z* s.zip >> s.sha256", 0, kStimmt},
    Pruefdateifall{"kommentarLeerzeileDoppelt", "(echo '# s.zip'; echo; sha256sum s.zip s.zip) > s.sha256", 0, kStimmt},
    Pruefdateifall{"verweisAufDatei", "sha256sum s.zip > echt && ln -s echt s.sha256", 0, kStimmt},
    Pruefdateifall{"leer", ": > s.sha256", 4, "s.sha256 enthält keine Prüfsumme für s.zip – s.zip wurde nicht"},
    Pruefdateifall{"nurAndererName", "sha256sum s.001 > s.sha256", 4, "keine Prüfsumme für s.zip"},
    Pruefdateifall{"muell", "echo Müll > s.sha256", 4, kForm},
    Pruefdateifall{"hex63", "sha256sum s.zip | cut -c2- > s.sha256", 4, kForm},
    Pruefdateifall{"hex65", "sha256sum s.zip | sed s/^/0/ > s.sha256", 4, kForm},
    Pruefdateifall{"tab", "sha256sum s.zip | sed 's/  /\\t/' > s.sha256", 4, kForm},
    Pruefdateifall{"einBlank", "sha256sum s.zip | sed 's/  / /' > s.sha256", 4, kForm},
    Pruefdateifall{"tagOhneBlanks", "sha256sum --tag s.zip | sed 's/ = /=/' > s.sha256", 4, kForm},
    Pruefdateifall{"md5", "md5sum --tag s.zip > s.sha256", 4, kForm},
    Pruefdateifall{"falscheMaske", "sha256sum s.zip | sed 's/^/\\\\/; s/s.zip/s\\\\.zip/' > s.sha256", 4, kForm},
    Pruefdateifall{"nul", "(sha256sum s.zip; printf 'x\\0\\n') > s.sha256", 4, "(Zeile 2 enthält ein NUL-Zeichen)"},
    Pruefdateifall{"widerspruch", "(sha256sum s.zip; sha256sum s.001 | sed s/s.001/s.zip/) > s.sha256", 4, "(zwei verschiedene Prüfsummen für „s.zip“)"},
    Pruefdateifall{"zuGross", "sha256sum s.zip > s.sha256 && truncate -s 65M s.sha256", 4, "(größer als 64 MiB)"},
    Pruefdateifall{"ordner", "mkdir s.sha256", 4, kNichts},
    Pruefdateifall{"fifo", "mkfifo s.sha256", 4, kNichts},
    Pruefdateifall{"nullgeraet", "ln -s /dev/zero s.sha256", 4, kNichts},
    Pruefdateifall{"insLeere", "ln -s weg s.sha256", 4, kNichts},
    Pruefdateifall{"imKreis", "ln -s s.sha256 s.sha256", 4, kNichts}), test::zeilenname);
// clang-format on

// Names sha256sum escapes ("\" and a line break) come back as the files'
// names, with the sums sha256sum gives each file on its own.
TEST(PruefsummenLesen, verstehtSha256sumsMaskierteNamen) {
    test::Testordner tmp;
    const std::string namen = "'a\\b' \"$(printf 'z\\nz')\" 'mit blank'";
    for (const char* form : {"", "--tag"}) {
        ASSERT_EQ(
            test::imOrdner(tmp.pfad(),
                           "for f in " + namen + "; do echo \"$f\" > \"$f\"; done && sha256sum " +
                               form + " " + namen + " > %",
                           "summen"),
            0);
        std::unordered_map<std::string, std::string> summen;
        std::string grund;
        ASSERT_TRUE(pruefsummenLesen(test::lies(tmp / "summen"), &summen, &grund)) << grund;
        ASSERT_EQ(summen.size(), 3u);
        for (const auto& [name, summe] : summen) {
            test::schreibeText(tmp / "name", name);
            ASSERT_EQ(
                test::imOrdner(tmp.pfad(), "sha256sum < \"$(cat name)\" | cut -c1-64 > %", "ist"),
                0);
            EXPECT_EQ(summe + "\n", test::lies(tmp / "ist")) << name;
        }
    }
}

// A cut set of 24 pieces of 1000 bytes and one of 500, whose checksum file
// has a line per piece; `schaden` (a shell command) harms it. The join
// fails with status 3 and names exactly the pieces harmed, the original
// stays, no draft.
struct Teilschaden {
    const char* name;
    std::string schaden;
    std::vector<std::string> zeilen;  // after the line "Prüfsumme falsch: …"
};
class TeilbefundTest : public testing::TestWithParam<Teilschaden> {};
TEST_P(TeilbefundTest, nenntGenauDieBeschaedigtenTeile) {
    test::Testordner tmp;
    test::schreibeMuster(tmp / "quelle", 24'500);
    const std::string schnitt =
        "split -b 1000 -a 3 -d --numeric-suffixes=1 quelle s. && rm quelle && "
        "{ cat s.0* | sha256sum | sed s/-/s.zip/; sha256sum s.0*; } > s.sha256 && "
        "echo \"copy /b $(ls s.0* | paste -sd+) s.zip\" > s.bat && echo alt > s.zip";
    ASSERT_EQ(test::imOrdner(tmp.pfad(), schnitt + " && " + GetParam().schaden, ""), 0);
    const auto vorher = test::namenIn(tmp.pfad());
    test::FehlerDateisystem fs;
    Stapellauf lauf;
    lauf.ordner = tmp.pfad();
    EXPECT_EQ(stapeldateiAusfuehren(tmp / "s.bat", lauf, fs), stapelstatus::PruefsummeFalsch);
    std::string erwartet =
        "Prüfsumme falsch: s.zip stimmt nicht mit s.sha256 überein (ein Teil ist "
        "beschädigt, gekürzt oder vertauscht) – s.zip wurde nicht geschrieben.\n";
    for (const auto& z : GetParam().zeilen) erwartet += z + "\n";
    EXPECT_EQ(lauf.meldung, erwartet);
    EXPECT_EQ(test::lies(tmp / "s.zip"), "alt\n");
    EXPECT_EQ(test::namenIn(tmp.pfad()), vorher);
    EXPECT_EQ(fs.offen(), 0);
}
const std::string kKippe = "printf '\\377\\376' | dd bs=1 seek=300 conv=notrunc status=none of=";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Schaeden, TeilbefundTest, testing::Values(
    Teilschaden{"bitImLetzten", kKippe + "s.025", {"Teil „s.025“ ist beschädigt."}},
    Teilschaden{"gekuerzt", "truncate -s -1 s.002", {"Teil „s.002“ ist zu kurz (999 statt 1000 Bytes)."}},
    Teilschaden{"letztesZuLang", "truncate -s 1001 s.025", {"Teil „s.025“ ist zu lang (1001 Bytes, höchstens 1000 Bytes)."}},
    Teilschaden{"vertauscht", "mv s.007 x && mv s.008 s.007 && mv x s.008", {"Teil „s.007“ enthält Teil „s.008“ (vertauscht).", "Teil „s.008“ enthält Teil „s.007“ (vertauscht)."}},
    Teilschaden{"zweiBeschaedigt", kKippe + "s.001 && echo x >> s.024", {"Teil „s.001“ ist beschädigt.", "Teil „s.024“ ist zu lang (1002 statt 1000 Bytes)."}},
    Teilschaden{"fehltAuchInDerBatchdatei", "rm s.010 && sed -i 's/+s.010//' s.bat", {"Teil „s.010“ fehlt."}},
    Teilschaden{"nurDieFolgeFalsch", "sed -i 's/s.001+s.002/s.002+s.001/' s.bat", {"Jedes Teil stimmt mit s.sha256 überein."}},
    Teilschaden{"mehrAlsZwanzig", "for f in s.0*; do " + kKippe + "$f; done", [] {
        std::vector<std::string> z;
        for (int k = 1; k <= 20; ++k) z.push_back("Teil „s." + Stuecknummer(k) + "“ ist beschädigt.");
        z.push_back("… und 5 weitere Teile.");
        return z;
    }()}), test::zeilenname);
// clang-format on

// The window reads the interpreter's result lines from what it kept of the
// error output: all of them, the whole ones of a cut start, none without
// the result line or when it disagrees with the exit status.
TEST(Stapelergebnis, kommtUeberDieFehlerausgabeAn) {
    const std::string zeilen = "eins\nzwei\ndrei\n";
    const std::string ausgabe = "Rauschen\n" + ergebnisAusgabe(3, zeilen);
    using Z = std::vector<std::string>;
    EXPECT_EQ(ergebnisLesen(3, ausgabe).zeilen, (Z{"eins", "zwei", "drei"}));
    EXPECT_FALSE(ergebnisLesen(3, ausgabe).gekuerzt);
    EXPECT_EQ(ergebnisLesen(3, ausgabe.substr(12)).zeilen, (Z{"zwei", "drei"}));
    EXPECT_TRUE(ergebnisLesen(3, ausgabe.substr(12)).gekuerzt);
    EXPECT_EQ(ergebnisLesen(0, ergebnisAusgabe(0, "")).zeilen, Z{});
    for (const std::string& falsch : std::vector<std::string>{
             ausgabe + "danach\n", ausgabe.substr(0, ausgabe.size() - 1),
             "eins\nzorta-ergebnis 3 +5\n", zeilen + "zorta-ergebnis 3 9 \n"}) {
        EXPECT_EQ(ergebnisLesen(3, falsch).zeilen, Z{}) << falsch;
    }
    EXPECT_EQ(ergebnisLesen(1, ausgabe).zeilen, Z{});
}

}  // namespace
}  // namespace zorta
