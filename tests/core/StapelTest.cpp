#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <filesystem>

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

// Hand-written and foreign forms of the same join: T.001 "abc" and T.002
// "def" (or the same under the stem `stamm`) give "abcdef" in `ziel`. A
// destination that is a later source is refused with nothing written; a line
// outside the subset, anywhere in the file, means nothing at all is run.
struct Variante {
    const char* name;
    std::string text;
    std::string ziel = "T.ZIP";
    std::string stamm = "T";
    std::string summen = "";   // T.sha256
    std::string meldung = "";  // checked when given
    int status = stapelstatus::Ok;
};
class HandbearbeitetTest : public StapelTest, public testing::WithParamInterface<Variante> {};
TEST_P(HandbearbeitetTest, verstehtDieUeblichenSchreibweisen) {
    const auto& v = GetParam();
    test::schreibeText(in(v.stamm + ".001"), "abc");
    test::schreibeText(in(v.stamm + ".002"), "def");
    ASSERT_EQ(dateiAusfuehren(v.text, v.summen), v.status) << lauf.meldung;
    EXPECT_NE(lauf.meldung.find(v.meldung), std::string::npos) << lauf.meldung;
    const bool neu = v.status == stapelstatus::Ok && v.ziel != v.stamm + ".001";
    EXPECT_EQ(test::namenIn(tmp.pfad()).size(), 3u + !v.summen.empty() + neu);
    EXPECT_EQ(test::lies(in(v.ziel)), v.status == stapelstatus::Ok ? "abcdef" : "def");
}
// SHA-256 of "abcdef".
const std::string kSumme = "bef57ec7f53a6d40beb640a780a639c83bc29ac8a9816f1fc6c5c6dcd93c4721";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Varianten, HandbearbeitetTest, testing::Values(
    Variante{"ohneBlanksUmPlus", "@echo off\r\ncopy /b T.001+T.002 T.ZIP >nul\r\n"},
    Variante{"lfZeilen", "@echo off\ncopy /b T.001 + T.002 T.ZIP >nul\n"},
    Variante{"crZeilen", "@echo off\rcopy /b T.001 + T.002 T.ZIP >nul\r"},
    Variante{"bomUndStrgZ", "\xef\xbb\xbf@echo off\r\ncopy /b T.001 + T.002 T.ZIP >nul\r\n\x1a"},
    Variante{"grossbuchstaben", "@ECHO OFF\r\nCOPY /B T.001 + T.002 T.ZIP > NUL"},
    Variante{"anfuehrungszeichen", "copy /b \"T.001\" + \"T.002\" \"T.ZIP\""},
    Variante{"remUndLeerzeilen", "rem zusammensetzen\r\n\r\n   \r\n@ @copy /y /b T.001 + T.002 T.ZIP\r\n"},
    Variante{"echoText", "echo Bitte warten\r\ncopy /b/v T.001 + T.002 T.ZIP 2>nul\r\n"},
    Variante{"grossKleinVertauscht", "copy /b t.001 + t.002 T.ZIP >nul\r\n"},
    Variante{"anhaengeformOhneZiel", "copy /b T.001 + T.002 >nul", "T.001"},
    Variante{"cp1252", "copy /b B\xe4r.001 + B\xe4r.002 B\xe4r.ZIP", "Bär.ZIP", "Bär"},
    Variante{"pruefsummeBinaerform", "copy /b T.001 + T.002 T.ZIP", "T.ZIP", "T", "\\" + kSumme + " *T.ZIP\r\n", "T.ZIP wurde zusammengesetzt, die Prüfsumme stimmt.\n"},
    Variante{"pruefsummeFuerAnderenNamen", "copy /b T.001 + T.002 T.ZIP", "T.ZIP", "T", kSumme + "  X.ZIP\n", "T.ZIP wurde zusammengesetzt (ohne Prüfsumme).\n"},
    Variante{"zielIstSpaeteresTeil", "copy /b T.001 + T.002 T.002", "T.002", "T", "", "", stapelstatus::KopierFehler},
    Variante{"zielIstErstesUndSpaeteresTeil", "copy /b T.001 + T.002 + T.001 T.001", "T.002", "T", "", "", stapelstatus::KopierFehler}), test::zeilenname);
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

// SIGTERM or SIGINT while the draft stands: it goes at once.
TEST_F(StapelTest, signalEntferntDenEntwurf) {
    test::schreibeMuster(in("T.001"), 100'000);
    ASSERT_EQ(ausfuehren("copy /b T.001 T.ZIP"), stapelstatus::Ok);
    const int umbenennen = fs.operationen();  // the last operation
    for (const int sig : {SIGTERM, SIGINT}) {
        std::filesystem::remove(in("T.ZIP"));
        const int status = test::imKind([&] {
            stapelSignaleAbfangen();
            fs.fehlerBei(umbenennen, Fehler::nummer(5));
            fs.beimAusloesen = [sig] { ::raise(sig); };
            return ausfuehren("copy /b T.001 T.ZIP");
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
        EXPECT_EQ(test::namenIn(tmp.pfad()), std::vector<std::string>{"T.001"});
    }
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
            if (durch) {
                EXPECT_TRUE(status == stapelstatus::Ok && test::lies(in("T.ZIP")) == erwartet);
                test::schreibeText(in("T.ZIP"), "alt");
                fs.fehlerBei(0, {});
                status = test::mitDateigrenze(300'000, join);  // in the last write
            }
            EXPECT_EQ(status, stapelstatus::KopierFehler);
            EXPECT_EQ(test::lies(in("T.ZIP")), "alt");
            EXPECT_TRUE(fs.offen() == 0 && test::namenIn("/proc/self/fd") == deskriptoren);
            EXPECT_EQ(test::namenIn(tmp.pfad()).size(), summen.empty() ? 4u : 5u);
            if (durch)
                break;
        }
    }
}

}  // namespace
}  // namespace zorta
