#include <gtest/gtest.h>

#include "Pfade.h"
#include "Pruefdatei.h"
#include "Stapel.h"
#include "Stapelergebnis.h"
#include "Testhilfen.h"

namespace zorta {
namespace {

// 24 pieces of 1000 bytes and one of 500 beside s.bat, s.zip holding their
// join while `befehl` (a shell command, see imOrdner) makes whatever stands
// at s.sha256 and harms pieces, then the older "alt" in its place.
// sha256sum itself writes the accepted forms; a checksum file in any other
// form stops the join with status 4 (a FIFO is not waited on). With lines
// per piece a mismatch names exactly the pieces harmed. A join that fails
// leaves s.zip as it was and no draft.
struct Pruefdateifall {
    const char* name;
    std::string befehl;
    int status;
    std::string meldung;  // how the result lines end
};
class PruefdateiTest : public testing::TestWithParam<Pruefdateifall> {};
TEST_P(PruefdateiTest, nimmtNurEineGueltigeSummeUndNenntBeschaedigteTeile) {
    const auto& p = GetParam();
    test::Testordner tmp;
    test::schreibeMuster(tmp / "quelle", 24'500);
    ASSERT_EQ(test::imOrdner(tmp.pfad(),
                             "split -b 1000 -a 3 -d --numeric-suffixes=1 quelle s. && rm quelle && "
                             "cat s.0* > s.zip && echo \"copy /b $(ls s.0* | paste -sd+) s.zip\" "
                             "> s.bat && (" +
                                 p.befehl + ")",
                             ""),
              0);
    const std::string ganz = test::lies(tmp / "s.zip");
    test::schreibeText(tmp / "s.zip", "alt");
    const auto vorher = test::namenIn(tmp.pfad());
    test::FehlerDateisystem fs;
    Stapellauf lauf;
    lauf.ordner = tmp.pfad();
    EXPECT_EQ(stapeldateiAusfuehren(tmp / "s.bat", lauf, fs), p.status) << lauf.meldung;
    EXPECT_EQ(test::lies(tmp / "s.zip"), p.status == stapelstatus::Ok ? ganz : "alt");
    EXPECT_EQ(test::namenIn(tmp.pfad()), vorher);
    EXPECT_TRUE(lauf.meldung.ends_with(p.meldung)) << lauf.meldung;
    EXPECT_EQ(fs.offen(), 0);
}
const std::string kStimmt = "s.zip wurde zusammengesetzt, die Prüfsumme stimmt.\n";
std::string unbrauchbar(const std::string& grund) {
    return "s.sha256 ist unbrauchbar (" + grund + ") – es wurde nichts zusammengesetzt.\n";
}
const std::string kNichts = unbrauchbar("keine gewöhnliche Datei");
const std::string kForm =
    unbrauchbar("Zeile 1 ist keine SHA-256-Prüfsumme im Format von sha256sum");
const std::string kStuecke = "sha256sum s.zip s.0* > s.sha256 && ";
const std::string kKippe = "printf '\\377\\376' | dd bs=1 seek=300 conv=notrunc status=none of=";
std::string falsch(const std::vector<std::string>& teile) {
    std::string z = "s.zip wurde nicht geschrieben.\n";
    for (const auto& t : teile) z += t + "\n";
    return z;
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Faelle, PruefdateiTest, testing::Values(
    Pruefdateifall{"keine", ":", 0, "s.zip wurde zusammengesetzt (ohne Prüfsumme).\n"},
    Pruefdateifall{"gnu", "sha256sum s.zip > s.sha256", 0, kStimmt},
    Pruefdateifall{"tag", "sha256sum --tag s.zip > s.sha256", 0, kStimmt},
    Pruefdateifall{"binaer", "sha256sum -b s.zip > s.sha256", 0, kStimmt},
    Pruefdateifall{"punktSchraegstrich", "sha256sum ./s.zip > s.sha256", 0, kStimmt},
    Pruefdateifall{"crlfGrossHex", "sha256sum s.zip | tr a-f A-F | sed 's/$/\\r/' > s.sha256", 0, kStimmt},
    Pruefdateifall{"maskierteUndStueckzeilen", "touch 'a\\b' \"$(printf 'z\\nz')\" && sha256sum --tag s.001 'a\\b' z* s.zip > s.sha256 && sha256sum 'a\\b' z* s.zip >> s.sha256", 0, kStimmt},
    Pruefdateifall{"kommentarLeerzeileDoppelt", "(echo '# s.zip'; echo; sha256sum s.zip s.zip) > s.sha256", 0, kStimmt},
    Pruefdateifall{"verweisAufDatei", "sha256sum s.zip > echt && ln -s echt s.sha256", 0, kStimmt},
    Pruefdateifall{"leer", ": > s.sha256", 4, "s.sha256 enthält keine Prüfsumme für s.zip – s.zip wurde nicht zusammengesetzt.\n"},
    Pruefdateifall{"nurAndererName", "sha256sum s.001 > s.sha256", 4, "s.sha256 enthält keine Prüfsumme für s.zip – s.zip wurde nicht zusammengesetzt.\n"},
    Pruefdateifall{"muell", "echo Müll > s.sha256", 4, kForm},
    Pruefdateifall{"hex63", "sha256sum s.zip | cut -c2- > s.sha256", 4, kForm},
    Pruefdateifall{"hex65", "sha256sum s.zip | sed s/^/0/ > s.sha256", 4, kForm},
    Pruefdateifall{"tab", "sha256sum s.zip | sed 's/  /\\t/' > s.sha256", 4, kForm},
    Pruefdateifall{"einBlank", "sha256sum s.zip | sed 's/  / /' > s.sha256", 4, kForm},
    Pruefdateifall{"tagOhneBlanks", "sha256sum --tag s.zip | sed 's/ = /=/' > s.sha256", 4, kForm},
    Pruefdateifall{"md5", "md5sum --tag s.zip > s.sha256", 4, kForm},
    Pruefdateifall{"falscheMaske", "sha256sum s.zip | sed 's/^/\\\\/; s/s.zip/s\\\\.zip/' > s.sha256", 4, kForm},
    Pruefdateifall{"nul", "(sha256sum s.zip; printf 'x\\0\\n') > s.sha256", 4, unbrauchbar("Zeile 2 enthält ein NUL-Zeichen")},
    Pruefdateifall{"widerspruch", "(sha256sum s.zip; sha256sum s.001 | sed s/s.001/s.zip/) > s.sha256", 4, unbrauchbar("zwei verschiedene Prüfsummen für „s.zip“")},
    Pruefdateifall{"zuGross", "sha256sum s.zip > s.sha256 && truncate -s 65M s.sha256", 4, unbrauchbar("größer als 64 MiB")},
    Pruefdateifall{"ordner", "mkdir s.sha256", 4, kNichts},
    Pruefdateifall{"fifo", "mkfifo s.sha256", 4, kNichts},
    Pruefdateifall{"nullgeraet", "ln -s /dev/zero s.sha256", 4, kNichts},
    Pruefdateifall{"insLeere", "ln -s weg s.sha256", 4, kNichts},
    Pruefdateifall{"imKreis", "ln -s s.sha256 s.sha256", 4, kNichts},
    Pruefdateifall{"bitImLetzten", kStuecke + kKippe + "s.025", 3, falsch({"Teil „s.025“ ist beschädigt."})},
    Pruefdateifall{"gekuerzt", kStuecke + "truncate -s -1 s.002", 3, falsch({"Teil „s.002“ ist zu kurz (999 statt 1000 Bytes)."})},
    Pruefdateifall{"letztesZuLang", kStuecke + "truncate -s 1001 s.025", 3, falsch({"Teil „s.025“ ist zu lang (1001 Bytes, höchstens 1000 Bytes)."})},
    Pruefdateifall{"vertauscht", kStuecke + "mv s.007 x && mv s.008 s.007 && mv x s.008", 3, falsch({"Teil „s.007“ enthält Teil „s.008“ (vertauscht).", "Teil „s.008“ enthält Teil „s.007“ (vertauscht)."})},
    Pruefdateifall{"zweiBeschaedigt", kStuecke + kKippe + "s.001 && echo x >> s.024", 3, falsch({"Teil „s.001“ ist beschädigt.", "Teil „s.024“ ist zu lang (1002 statt 1000 Bytes)."})},
    Pruefdateifall{"fehltAuchInDerBatchdatei", kStuecke + "rm s.010 && sed -i 's/+s.010//' s.bat", 3, falsch({"Teil „s.010“ fehlt."})},
    Pruefdateifall{"nurDieFolgeFalsch", kStuecke + "sed -i 's/s.001+s.002/s.002+s.001/' s.bat", 3, falsch({"Jedes Teil stimmt mit s.sha256 überein."})},
    Pruefdateifall{"mehrAlsZwanzig", kStuecke + "for f in s.0*; do " + kKippe + "$f; done", 3, [] {
        std::vector<std::string> z;
        for (int k = 1; k <= 20; ++k) z.push_back("Teil „s." + Stuecknummer(k) + "“ ist beschädigt.");
        z.push_back("… und 5 weitere Teile.");
        return falsch(z);
    }()}), test::zeilenname);
// clang-format on

// The window reads the interpreter's result lines from what it kept of the
// error output: all of them, the whole ones of a cut start, none without
// the result line or when it disagrees with the exit status.
TEST(Stapelergebnis, kommtUeberDieFehlerausgabeAn) {
    const std::string zeilen = "eins\nzwei\ndrei\n";
    const std::string ausgabe = "Rauschen\n" + ergebnisAusgabe(3, zeilen);
    using Z = std::vector<std::string>;
    const auto ganz = ergebnisLesen(3, ausgabe), ende = ergebnisLesen(3, ausgabe.substr(12));
    EXPECT_TRUE(ganz.zeilen == (Z{"eins", "zwei", "drei"}) && !ganz.gekuerzt);
    EXPECT_TRUE(ende.zeilen == (Z{"zwei", "drei"}) && ende.gekuerzt);
    EXPECT_EQ(ergebnisLesen(0, ergebnisAusgabe(0, "")).zeilen, Z{});
    for (const std::string& kaputt : std::vector<std::string>{
             ausgabe + "danach\n", ausgabe.substr(0, ausgabe.size() - 1),
             "eins\nzorta-ergebnis 3 +5\n", zeilen + "zorta-ergebnis 3 9 \n"}) {
        EXPECT_EQ(ergebnisLesen(3, kaputt).zeilen, Z{}) << kaputt;
    }
    EXPECT_EQ(ergebnisLesen(1, ausgabe).zeilen, Z{});
}

}  // namespace
}  // namespace zorta
