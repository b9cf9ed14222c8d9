#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <map>

#include "Pfade.h"
#include "Stapel.h"
#include "Testhilfen.h"
#include "Zerlegung.h"

namespace zorta {
namespace {

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
        lauf = {};
        lauf.ordner = tmp.pfad();
        return stapeldateiAusfuehren(in("T.bat"), lauf, fs);
    }
    std::string in(const std::string& name) { return tmp / name; }

    test::Testordner tmp;
    test::FehlerDateisystem fs;
    std::string ausgabe;
    Stapellauf lauf;
};

// One join (T.001 .. T.004 hold "a" .. "d", T.ZIP "alt" before), in hand-
// written and foreign forms and over several lines: it writes `ziel` once,
// with one result line, after the checksum of the whole file (`inhalt`); a
// failure in any line, a piece that is a link or not a file, a destination
// that is a later source, or a name the file system refuses changes no file
// and leaves no draft (the stale one of another run goes).
struct Lauf {
    const char* name;
    std::string text, inhalt = "abcd", ziel = "T.ZIP", vorher = "";  // vorher: run first
    int status = stapelstatus::Ok;
    std::string meldung = "";  // "" for the success line
};
class MehrzeiligTest : public StapelTest, public testing::WithParamInterface<Lauf> {};
TEST_P(MehrzeiligTest, setztEinmalZusammen) {
    const auto& m = GetParam();
    for (const char t : {'a', 'b', 'c', 'd'})
        test::schreibeText(in("T.00" + std::to_string(t - 'a' + 1)), {t});
    test::schreibeText(in("T.ZIP"), "alt");
    EXPECT_EQ(test::imOrdner(tmp.pfad(), m.vorher, ""), 0);
    const std::string summe =
        (m.inhalt == "ab" ? "fb8e20fc2e4c3f248c60c39bd652f3c1347298bb977b8b4d5903b85055620603"
                          : "88d4266fd4e6338d13b845fcf289579d209c897823b9217da3e161936f031589") +
        ("  " + m.ziel + "\n");
    test::schreibeText(in("T.bat"), m.text);
    test::schreibeText(in("T.sha256"), summe);
    const auto stand = [&] {
        std::map<std::string, std::string> inhalte;
        for (const auto& n : test::namenIn(tmp.pfad())) inhalte[n] = test::lies(in(n));
        return inhalte;
    };
    auto erwartet = stand();
    std::erase_if(erwartet, [](const auto& e) { return e.first.ends_with(".zorta"); });
    if (m.status == stapelstatus::Ok)
        erwartet[m.ziel] = m.inhalt;
    EXPECT_EQ(dateiAusfuehren(m.text, summe), m.status);
    EXPECT_EQ(lauf.meldung, m.meldung.empty()
                                ? m.ziel + " wurde zusammengesetzt, die Prüfsumme stimmt.\n"
                                : m.meldung);
    EXPECT_EQ(stand(), erwartet);
}
const std::string kZeilen =
    "copy /b T.001 + T.002 T.ZIP >nul\r\ncopy /b T.ZIP + T.003 T.ZIP >nul\r\necho x\r\ncopy /b "
    "t.zip + T.004 >nul\r\n";
const std::string kVerweis =
    "ist keine gewöhnliche Datei dieses Ordners (ein Verweis, ein Ordner oder ein Gerät) – T.ZIP "
    "wurde nicht zusammengesetzt.\n";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Joins, MehrzeiligTest, testing::Values(
    Lauf{"ohneBlanksUmPlus", "@echo off\r\ncopy /b T.001+T.002 T.ZIP >nul\r\n", "ab"},
    Lauf{"lfZeilen", "@echo off\ncopy /b T.001 + T.002 T.ZIP >nul\n", "ab"},
    Lauf{"crZeilen", "@echo off\rcopy /b T.001 + T.002 T.ZIP >nul\r", "ab"},
    Lauf{"bomUndStrgZ", "\xef\xbb\xbf@echo off\r\ncopy /b T.001 + T.002 T.ZIP >nul\r\n\x1a", "ab"},
    Lauf{"grossbuchstaben", "@ECHO OFF\r\nCOPY /B T.001 + T.002 T.ZIP > NUL", "ab"},
    Lauf{"anfuehrungszeichen", "copy /b \"T.001\" + \"T.002\" \"T.ZIP\"", "ab"},
    Lauf{"remUndLeerzeilen", "rem zusammensetzen\r\n\r\n   \r\n@ @copy /y /b T.001 + T.002 T.ZIP\r\n", "ab"},
    Lauf{"echoText", "echo Bitte warten\r\ncopy /b/v T.001 + T.002 T.ZIP 2>nul\r\n", "ab"},
    Lauf{"grossKleinVertauscht", "copy /b t.001 + t.002 T.ZIP >nul\r\n", "ab"},
    Lauf{"anhaengeformOhneZiel", "copy /b T.001 + T.002 >nul", "ab", "T.001"},
    Lauf{"cp1252", "copy /b B\xe4r.001 + B\xe4r.002 B\xe4r.ZIP", "ab", "Bär.ZIP", "cp T.001 Bär.001 && cp T.002 Bär.002"},
    Lauf{"anhaengezeilen", kZeilen},
    Lauf{"jeTeilEineZeile", "copy /b T.001 + T.002 T.001\r\ncopy /b T.001 + T.003 T.001\r\ncopy /b T.001 + T.004 T.001", "abcd", "T.001"},
    Lauf{"teilFehltInZeile3", kZeilen, "", "T.ZIP", "rm T.004", 1, "Teil „T.004“ fehlt – T.ZIP wurde nicht zusammengesetzt.\n"},
    Lauf{"byteErstAmEndeFalsch", kZeilen, "", "T.ZIP", "printf C > T.003", 3, "Prüfsumme falsch: T.ZIP stimmt nicht mit T.sha256 überein (ein Teil ist beschädigt, gekürzt oder vertauscht) – T.ZIP wurde nicht geschrieben.\n"},
    Lauf{"verweisInAnhaengeform", kZeilen, "", "T.ZIP", "ln -sf /etc/passwd T.003", 1, "Teil „T.003“ " + kVerweis},
    Lauf{"verweisAlsErstesTeil", kZeilen, "", "T.ZIP", "rm T.001 && ln -s T.002 T.001", 1, "Teil „T.001“ " + kVerweis},
    Lauf{"entwurfAlsTeil", "copy /b T.001 + .T.ZIP.zorta T.ZIP", "", "T.ZIP", "echo x > .T.ZIP.zorta", 1, "Das Ziel T.ZIP ist zugleich ein späteres Teil – es wurde nichts geschrieben.\n"},
    Lauf{"zielIstSpaeteresTeil", "copy /b T.001 + T.002 T.002", "", "T.002", "", 1, "Das Ziel T.002 ist zugleich ein späteres Teil – es wurde nichts geschrieben.\n"},
    Lauf{"zielIstErstesUndSpaeteresTeil", "copy /b T.001 + T.002 + T.001 T.001", "", "T.001", "", 1, "Das Ziel T.001 ist zugleich ein späteres Teil – es wurde nichts geschrieben.\n"},
    Lauf{"nameZuLang", "copy /b T.001 + T.002 " + std::string(300, 'x'), "", std::string(300, 'x'), "", 1, "Den Namen „" + std::string(300, 'x') + "“ nimmt dieser Datenträger nicht an – " + std::string(300, 'x') + " wurde nicht zusammengesetzt.\n"}), test::zeilenname);
// clang-format on

// A line outside the subset between two good ones, two lines that together
// name one piece too many, a file one byte too large: nothing at all is run.
// What hostile batch files cost is measured by the bench.
TEST_F(StapelTest, zeilenAusserhalbDerTeilmengeLaufenNie) {
    test::schreibeText(in("T.001"), "abc");
    std::string viele = "copy /b T.001";
    for (std::size_t i = 0; i < kTeileHoechstens / 2; ++i) viele += "+T.001";
    // clang-format off
    for (const std::string& zeile : std::vector<std::string>{
             "del T.001", "rm -rf x", "copy /b T.001 x > x", "copy /b T.001 x | more",
             "copy /b T.001 x & del T.001", "copy /z T.001 x", "copy /b T.001 x y", ":anfang",
             "copyall T.001 x", "copy /b T.001 ../x", "copy /b T.001 + T.002 ./T.001",
             "copy /b T.001 ..\\x", "copy /b T.001 C:x", "copy /b T.001 \"/tmp/x\"", "copy /b .. x",
             "copy /b T.* x", "copy /b T.001 a\x01z", std::string("copy /b T.0\00001 x", 17),
             "copy /b %COMSPEC% x", "copy /b T.001 %1", "copy /b \"T.001%\" x", "echo 100%",
             viele + " X\r\n" + viele, std::string(kStapelHoechstens, '@')}) {
        // clang-format on
        EXPECT_EQ(dateiAusfuehren("copy /b T.001 DAVOR\r\n" + zeile + "\r\ncopy /b T.001 DANACH"),
                  2);
        const char* grund = zeile.size() < 100 ? "Zeile 2 wird nicht unterstützt"
                            : zeile[0] == 'c'  ? "mehr als 200000 Teile"
                                               : "größer als 64 MiB";
        EXPECT_NE(lauf.meldung.find(grund), std::string::npos) << lauf.meldung;
        EXPECT_EQ(test::namenIn(tmp.pfad()), (std::vector<std::string>{"T.001", "T.bat"}));
    }
}

// What a killed run, another run or a hostile folder leaves at the draft's
// place (made by imOrdner; "sperren": a draft locked by a running join); the
// join of T.ZIP either goes through or leaves the other's draft.
struct Altlast {
    const char* name;
    std::string anlegen;
    int status;
};
class EntwurfTest : public StapelTest, public testing::WithParamInterface<Altlast> {};
TEST_P(EntwurfTest, blockiertKeinenLauf) {
    test::schreibeText(in("T.001"), "abc");
    test::schreibeText(in("aussen"), "bleibt");
    const std::string entwurf = Dateiname(entwurfsname(in("T.ZIP")));
    const int sperre = GetParam().anlegen == "sperren"
                           ? ::open(in(entwurf).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600)
                           : -1;
    EXPECT_EQ(sperre >= 0 ? ::flock(sperre, LOCK_EX)
                          : test::imOrdner(tmp.pfad(), GetParam().anlegen, entwurf),
              0);
    auto namen = test::namenIn(tmp.pfad());
    EXPECT_EQ(ausfuehren("copy /b T.001 T.ZIP"), GetParam().status) << ausgabe;
    EXPECT_EQ(ausgabe.find("T.ZIP wird bereits zusammengesetzt") == 0, sperre >= 0) << ausgabe;
    if (GetParam().status == stapelstatus::Ok) {
        std::erase(namen, entwurf);
        namen.insert(std::upper_bound(namen.begin(), namen.end(), "T.ZIP"), "T.ZIP");
    }
    EXPECT_EQ(test::namenIn(tmp.pfad()), namen);
    EXPECT_EQ(test::lies(in("aussen")), "bleibt");
    if (sperre >= 0)
        ::close(sperre);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Entwuerfe, EntwurfTest, testing::Values(
    Altlast{"getoeteterLauf", "echo halb > %", 0},
    Altlast{"hundertAlteEntwuerfe", "for i in $(seq 100); do : > .T.ZIP.zorta-$i; done", 0},
    Altlast{"verweisNachAussen", "ln -s aussen %", 0},
    Altlast{"fifo", "mkfifo %", 0},
    Altlast{"laufenderLauf", "sperren", 1}), test::zeilenname);
// clang-format on

// A join of two lines killed while it reads the second line's piece: the
// original stays and the draft goes at once, or, after SIGKILL, which
// nothing can catch, with the next run of the same join.
TEST_F(StapelTest, getoeteterLaufLaesstDasOriginal) {
    test::schreibeMuster(in("T.001"), 100'000);
    test::schreibeText(in("T.002"), "ende");
    const std::string text = "copy /b T.001 T.ZIP\r\ncopy /b T.ZIP + T.002 T.ZIP";
    ASSERT_EQ(ausfuehren(text), stapelstatus::Ok);
    const auto zweites = std::find_if(fs.protokoll.begin(), fs.protokoll.end(), [](auto& o) {
        return o.name == "oeffneTeil" && o.pfad.ends_with("T.002");
    });
    for (const int sig : {SIGTERM, SIGINT, SIGKILL}) {
        test::schreibeText(in("T.ZIP"), "alt");
        const int status = test::imKind([&] {
            stapelSignaleAbfangen();
            fs.fehlerBei(static_cast<int>(zweites - fs.protokoll.begin()) + 1, {});
            fs.beimAusloesen = [sig] { ::raise(sig); };
            return ausfuehren(text);
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
        EXPECT_EQ(test::lies(in("T.ZIP")), "alt");
        EXPECT_EQ(test::namenIn(tmp.pfad()).size(), 3u + (sig == SIGKILL));
    }
    EXPECT_EQ(ausfuehren(text), stapelstatus::Ok);
    EXPECT_EQ(test::namenIn(tmp.pfad()).size(), 3u);
}

// Every operation of a join made to fail in turn, then a real short write (a
// file-size limit in a child: the kernel takes part of a write and refuses
// the rest), with and without a checksum to check: each ends the join with
// KopierFehler, leaves the original T.ZIP as it was and no draft, and closes
// every file.
TEST_F(StapelTest, jederFehlerpunktDesZusammenfuegensRaeumtAuf) {
    test::schreibeMuster(in("T.001"), 200'000);
    test::schreibeMuster(in("T.002"), 150'000);
    const std::string erwartet = test::lies(in("T.001")) + test::lies(in("T.002"));
    const auto deskriptoren = test::namenIn("/proc/self/fd");
    ASSERT_EQ(test::imOrdner(tmp.pfad(), "cat T.001 T.002 | sha256sum | sed s/-/T.ZIP/ >%", "s"),
              0);
    const std::string summe = test::lies(in("s"));
    fs::remove(in("s"));
    for (const auto& summen : std::vector<std::string>{"", summe}) {
        const auto join = [&] { return dateiAusfuehren("copy /b T.001 + T.002 T.ZIP", summen); };
        for (int n = 1;; ++n) {
            SCOPED_TRACE("Operation " + std::to_string(n) + (summen.empty() ? "" : " mit Summe"));
            test::schreibeText(in("T.ZIP"), "alt");
            fs.fehlerBei(n, Fehler::ausErrno(std::array{ENOSPC, EACCES, EIO, ENOMEDIUM}[n % 4]));
            int status = join();
            const bool durch = !fs.ausgeloest();  // n lies beyond the last operation
            // Only the folder's flush comes after the rename.
            const bool umbenannt = fs.protokoll.back().name == "ordnerSichern";
            if (durch) {
                EXPECT_TRUE(status == stapelstatus::Ok && test::lies(in("T.ZIP")) == erwartet);
                EXPECT_TRUE(fs.ungesichert().empty() && fs.ungesichertUmbenannt.empty());
                test::schreibeText(in("T.ZIP"), "alt");
                fs.fehlerBei(0, {});
                status = test::mitDateigrenze(300'000, join);  // in the last write
            }
            EXPECT_EQ(status, stapelstatus::KopierFehler);
            EXPECT_EQ(test::lies(in("T.ZIP")), umbenannt && !durch ? erwartet : "alt");
            EXPECT_TRUE(fs.offen() == 0 && test::namenIn("/proc/self/fd") == deskriptoren);
            EXPECT_EQ(test::namenIn(tmp.pfad()).size(), summen.empty() ? 4u : 5u);
            if (durch)
                break;
        }
    }
}

}  // namespace
}  // namespace zorta
