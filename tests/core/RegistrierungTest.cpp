#include <gtest/gtest.h>
#include <sys/stat.h>

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

class StartSysInfoTest : public testing::Test {
  protected:
    void werkzeug(const std::string& pfad) {
        test::schreibeText(pfad, "#!/bin/sh\n");
        ::chmod(pfad.c_str(), 0755);
    }
    void starte() {
        StartSysInfo(reg, starter, [this](const std::string& m) { meldungen.push_back(m); });
    }
    Testordner tmp;
    SpeicherRegistrierung reg;
    Startprotokoll starter;
    std::vector<std::string> meldungen;
};

TEST_F(StartSysInfoTest, ersterSchluesselStartetOhnePruefungDesPfads) {
    reg.setzen(kMsinfo, "PATH", SpeicherRegistrierung::text("/pfad/zum/werkzeug"));
    reg.setzen(kOrt, "MSINFO", SpeicherRegistrierung::text(tmp.pfad()));
    starte();
    ASSERT_EQ(starter.auftraege.size(), 1u);
    EXPECT_EQ(starter.auftraege[0].programm, "/pfad/zum/werkzeug");
    EXPECT_TRUE(starter.auftraege[0].argumente.empty());
    EXPECT_FALSE(starter.auftraege[0].versteckt);
    EXPECT_TRUE(meldungen.empty());
}

TEST_F(StartSysInfoTest, ersterSchluesselMitFehlendemWerkzeugZeigtDieMeldung) {
    reg.setzen(kMsinfo, "PATH", SpeicherRegistrierung::text("/weg"));
    werkzeug(tmp / "MSINFO32.EXE");
    reg.setzen(kOrt, "MSINFO", SpeicherRegistrierung::text(tmp.pfad()));
    starter.antwort = Fehler::nummer(53);
    starte();
    EXPECT_EQ(starter.auftraege.size(), 1u);  // no fall-back to the second key
    EXPECT_EQ(meldungen, std::vector<std::string>{SysInfoNichtVerfuegbar});
}

TEST_F(StartSysInfoTest, zweiterSchluesselMitWerkzeugImOrdner) {
    werkzeug(tmp / "MSINFO32.EXE");
    reg.setzen(kOrt, "MSINFO", SpeicherRegistrierung::text(tmp.pfad()));
    starte();
    ASSERT_EQ(starter.auftraege.size(), 1u);
    EXPECT_EQ(starter.auftraege[0].programm, tmp / "MSINFO32.EXE");
}

TEST_F(StartSysInfoTest, ohneWerkzeugOderSchluesselDieMeldung) {
    starte();  // neither key
    reg.setzen(kOrt, "MSINFO", SpeicherRegistrierung::text(tmp.pfad()));
    starte();  // the folder holds no tool
    EXPECT_TRUE(starter.auftraege.empty());
    EXPECT_EQ(meldungen.size(), 2u);
}

TEST_F(StartSysInfoTest, leererWertGehtOhneZweitenVersuchZurMeldung) {
    reg.setzen(kMsinfo, "PATH", Registerwert{REG_SZ, {}});
    werkzeug(tmp / "MSINFO32.EXE");
    reg.setzen(kOrt, "MSINFO", SpeicherRegistrierung::text(tmp.pfad()));
    starte();
    EXPECT_TRUE(starter.auftraege.empty());
    EXPECT_EQ(meldungen.size(), 1u);
}

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
