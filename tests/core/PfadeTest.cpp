#include <gtest/gtest.h>

#include "Batchdatei.h"
#include "Fehler.h"
#include "Pfade.h"

namespace zorta {
namespace {

struct Fall {
    const char* name;
    std::string eingabe;
    std::string erwartet;
};

class OhneEndungTest : public testing::TestWithParam<Fall> {};
TEST_P(OhneEndungTest, schneidetNachDemLetztenPunkt) {
    EXPECT_EQ(OhneEndung(GetParam().eingabe), GetParam().erwartet);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Pfade, OhneEndungTest, testing::Values(
    Fall{"zweiEndungen", "/daten/bild.tar.gz", "/daten/bild.tar."},
    Fall{"ohneEndung", "/daten/liesmich", "/daten/liesmich."},
    Fall{"punktImOrdner", "/alt.daten/brief", "/alt."},
    Fall{"leer", "", "."},
    Fall{"endetMitPunkt", "bild.", "bild."}),
    [](const auto& info) { return info.param.name; });
// clang-format on

class DateinameTest : public testing::TestWithParam<Fall> {};
TEST_P(DateinameTest, nimmtDenTeilNachDemTrenner) {
    EXPECT_EQ(Dateiname(GetParam().eingabe), GetParam().erwartet);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Pfade, DateinameTest, testing::Values(
    Fall{"mitOrdner", "/daten/bild.", "bild."},
    Fall{"ohneOrdner", "bild", "bild"},
    Fall{"wurzel", "/", ""},
    Fall{"leer", "", ""},
    Fall{"backslashIstKeinTrenner", "a\\b", "a\\b"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

class DosNameTest : public testing::TestWithParam<Fall> {};
TEST_P(DosNameTest, quotetNurWasDerInterpreterTrennt) {
    EXPECT_EQ(dosName(GetParam().eingabe), GetParam().erwartet);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Batchdatei, DosNameTest, testing::Values(
    Fall{"gewoehnlich", "BILD.001", "BILD.001"},
    Fall{"umlaut", "Bär.ZIP", "Bär.ZIP"},
    Fall{"blank", "mein bild.zip", "\"mein bild.zip\""},
    Fall{"ampersand", "a&b.zip", "\"a&b.zip\""},
    Fall{"plus", "c++.zip", "\"c++.zip\""},
    Fall{"klammer", "bild(1).zip", "\"bild(1).zip\""},
    Fall{"gleich", "a=b", "\"a=b\""},
    Fall{"komma", "a,b", "\"a,b\""},
    Fall{"semikolon", "a;b", "\"a;b\""},
    Fall{"caret", "a^b", "\"a^b\""}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(Stuecknummer, fuelltAufDreiStellenUndWaechstDarueber) {
    EXPECT_EQ(Stuecknummer(1), "001");
    EXPECT_EQ(Stuecknummer(42), "042");
    EXPECT_EQ(Stuecknummer(999), "999");
    EXPECT_EQ(Stuecknummer(1000), "1000");
    EXPECT_EQ(Stuecknummer(123456), "123456");
}

TEST(Fehler, zahlenHabenEineVorzeichenstelle) {
    EXPECT_EQ(zahlMitVorzeichenstelle(53), " 53");
    EXPECT_EQ(zahlMitVorzeichenstelle(0), " 0");
    EXPECT_EQ(zahlMitVorzeichenstelle(-5), "-5");
}

TEST(Fehler, ohneOrdnerIstEsPfadNichtGefunden) {
    EXPECT_EQ(Fehler::ausErrno(ENOENT, "/gibt/es/nicht/datei").nummer(), 76);
    EXPECT_EQ(Fehler::ausErrno(ENOENT, "/tmp/gibt-es-nicht").nummer(), 53);
    EXPECT_EQ(Fehler::ausErrno(ENOSPC).beschreibung(), "Datenträger voll");
    EXPECT_EQ(Fehler::ausErrno(EACCES).nummer(), 70);
}

}  // namespace
}  // namespace zorta
