#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>

#include "Registrierung.h"
#include "Testhilfen.h"

namespace zorta {
namespace {

using test::Startprotokoll;
using test::Testordner;

const std::string kMsinfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kOrt = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct Wertfall {
    const char* name;
    Registerwert wert;
    bool ergebnis;
    std::string ausgabe;
    bool laufzeitfehler;
};
class GetKeyValueTest : public testing::TestWithParam<Wertfall> {};
TEST_P(GetKeyValueTest, liestTextZahlUndLaesstAndereTypenStehen) {
    SpeicherRegistrierung reg;
    reg.setzen("K", "V", GetParam().wert);
    std::string aus = "vorher";
    Fehler f;
    EXPECT_EQ(GetKeyValue(reg, HKEY_LOCAL_MACHINE, "K", "V", aus, &f), GetParam().ergebnis);
    EXPECT_EQ(aus, GetParam().ausgabe);
    EXPECT_EQ(!f.ok(), GetParam().laufzeitfehler);
}
INSTANTIATE_TEST_SUITE_P(
    Werte, GetKeyValueTest,
    testing::Values(
        Wertfall{"textMitNull", {REG_SZ, {'a', 'b', 0}}, true, "ab", false},
        Wertfall{"textOhneNull", {REG_SZ, {'a', 'b'}}, true, "ab", false},
        Wertfall{"dword260", {REG_DWORD, {0x04, 0x01, 0x00, 0x00}}, true, "260", false},
        Wertfall{"dwordGross", {REG_DWORD, {0xff, 0xff, 0xff, 0xff}}, true, "4294967295", false},
        Wertfall{"andererTyp", {2, {'x', 0}}, true, "vorher", false},
        Wertfall{"nullBytes", {REG_SZ, {}}, false, "vorher", true},
        Wertfall{"zuGross", {REG_SZ, std::vector<unsigned char>(1025, 'a')}, false, "", false},
        Wertfall{"genau1024",
                 {REG_SZ, std::vector<unsigned char>(1024, 'a')},
                 true,
                 std::string(1024, 'a'),
                 false}),
    [](const auto& info) { return info.param.name; });

TEST(GetKeyValue, fehlenderSchluesselOderWertLeertDieAusgabe) {
    SpeicherRegistrierung reg;
    reg.setzen("K", "V", SpeicherRegistrierung::text("x"));
    std::string aus = "vorher";
    Fehler f;
    EXPECT_FALSE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, "Fehlt", "V", aus, &f));
    EXPECT_EQ(aus, "");
    aus = "vorher";
    EXPECT_FALSE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, "K", "Fehlt", aus, &f));
    EXPECT_EQ(aus, "");
    EXPECT_TRUE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, "k", "v", aus, &f));  // any letter case
}

// Which key holds what, whether the folder of the second key holds the tool,
// and what is started ("" for the message).
struct Sysinfofall {
    const char* name;
    std::optional<Registerwert> pfad;
    bool ort;  // the second key names the test folder
    bool werkzeugImOrt;
    Fehler startfehler;
    std::string gestartet;  // "@" stands for the tool in the second key's folder
};
class StartSysInfoTest : public testing::TestWithParam<Sysinfofall> {};
TEST_P(StartSysInfoTest, startetDasWerkzeugOderMeldetEs) {
    const auto& c = GetParam();
    Testordner tmp;
    SpeicherRegistrierung reg;
    if (c.pfad)
        reg.setzen(kMsinfo, "PATH", *c.pfad);
    if (c.ort)
        reg.setzen(kOrt, "MSINFO", SpeicherRegistrierung::text(tmp.pfad()));
    if (c.werkzeugImOrt)
        test::schreibeText(tmp / "MSINFO32.EXE", "");
    Startprotokoll starter;
    starter.antwort = c.startfehler;
    std::vector<std::string> meldungen;
    StartSysInfo(reg, starter, [&](const std::string& m) { meldungen.push_back(m); });
    const std::string erwartet = c.gestartet == "@" ? tmp / "MSINFO32.EXE" : c.gestartet;
    if (!erwartet.empty()) {
        ASSERT_EQ(starter.auftraege.size(), 1u);  // never the second key after a start
        EXPECT_EQ(starter.auftraege[0].programm, erwartet);
        EXPECT_FALSE(starter.auftraege[0].versteckt);
    }
    const bool meldung = erwartet.empty() || !c.startfehler.ok();
    EXPECT_EQ(meldungen, meldung ? std::vector<std::string>{SysInfoNichtVerfuegbar}
                                 : std::vector<std::string>{});
}
INSTANTIATE_TEST_SUITE_P(
    Faelle, StartSysInfoTest,
    testing::Values(
        Sysinfofall{"ersterSchluessel",
                    SpeicherRegistrierung::text("/x/werkzeug"),
                    true,
                    true,
                    {},
                    "/x/werkzeug"},
        Sysinfofall{"ersterNenntFehlendeDatei", SpeicherRegistrierung::text("/weg"), true, true,
                    Fehler::nummer(53), "/weg"},
        Sysinfofall{"zweiterSchluessel", std::nullopt, true, true, {}, "@"},
        Sysinfofall{"zweiterOhneWerkzeug", std::nullopt, true, false, {}, ""},
        Sysinfofall{"keinSchluessel", std::nullopt, false, true, {}, ""},
        Sysinfofall{"leererWertOhneZweitenVersuch", Registerwert{REG_SZ, {}}, true, true, {}, ""}),
    [](const auto& info) { return info.param.name; });

TEST(IniRegistrierung, liestTypisierteWerteUndSuchtSonstDasWerkzeug) {
    Testordner tmp;
    const std::string datei = tmp / "registry.ini";
    test::schreibeText(datei,
                       "# Kommentar\n"
                       "[SOFTWARE\\Microsoft\\Shared Tools Location]\n"
                       "MSINFO=REG_SZ:/opt/werkzeuge\n"
                       "Zahl=REG_DWORD:260\n"
                       "Roh=hex(4):04,01,00,00\n"
                       "Kaputt=REG_DWORD:keine\n");
    IniRegistrierung reg(datei, [] { return std::string("/usr/bin/hardinfo"); });
    std::string aus;
    Fehler f;
    EXPECT_TRUE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, kOrt, "MSINFO", aus, &f));
    EXPECT_EQ(aus, "/opt/werkzeuge");
    EXPECT_TRUE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, kOrt, "Zahl", aus, &f));
    EXPECT_EQ(aus, "260");
    EXPECT_TRUE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, kOrt, "Roh", aus, &f));
    EXPECT_EQ(aus, "260");
    EXPECT_FALSE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, kOrt, "Kaputt", aus, &f));
    EXPECT_TRUE(GetKeyValue(reg, HKEY_LOCAL_MACHINE, kMsinfo, "PATH", aus, &f));
    EXPECT_EQ(aus, "/usr/bin/hardinfo");

    IniRegistrierung leer(tmp / "fehlt.ini", [] { return std::string(); });
    EXPECT_FALSE(GetKeyValue(leer, HKEY_LOCAL_MACHINE, kMsinfo, "PATH", aus, &f));
}

}  // namespace
}  // namespace zorta
