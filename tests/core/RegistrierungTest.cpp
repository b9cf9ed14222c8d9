#include <gtest/gtest.h>

#include "Registrierung.h"
#include "Testhilfen.h"

namespace zorta {
namespace {

const std::string kMsinfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kOrt = "SOFTWARE\\Microsoft\\Shared Tools Location";

// Which key holds what, whether the folder of the second key holds the tool,
// and what is started ("" for the message; "@" for the tool in that folder).
// A settings file without a path of its own names the tool found on PATH.
// The values are typed as in the settings file: REG_SZ:text, hex(N):bytes.
struct Sysinfofall {
    const char* name;
    std::string pfad;  // the first key's PATH line; "" for none
    bool ort, werkzeugImOrt;
    int startfehler;
    std::string gestartet;
    std::string aufPath = "";  // the tool found on PATH
};
class StartSysInfoTest : public testing::TestWithParam<Sysinfofall> {};
TEST_P(StartSysInfoTest, startetDasWerkzeugOderMeldetEs) {
    const auto& c = GetParam();
    test::Testordner tmp;
    test::schreibeText(tmp / "r.ini", "[" + kMsinfo + "]\n" + c.pfad + "\n[" + kOrt + "]\n" +
                                          (c.ort ? "MSINFO=REG_SZ:" + tmp.pfad() : "") + "\n");
    if (c.werkzeugImOrt)
        test::schreibeText(tmp / "MSINFO32.EXE", "");
    test::FehlerDateisystem dateien;
    IniRegistrierung reg(tmp / "r.ini", dateien, [&] { return c.aufPath; });
    test::Startprotokoll starter;
    starter.antwort = c.startfehler ? Fehler::nummer(c.startfehler) : Fehler{};
    std::vector<std::string> meldungen;
    StartSysInfo(reg, dateien, starter, [&](const std::string& m) { meldungen.push_back(m); });
    const std::string erwartet = c.gestartet == "@" ? tmp / "MSINFO32.EXE" : c.gestartet;
    ASSERT_EQ(starter.auftraege.size(), erwartet.empty() ? 0u : 1u);  // never both keys
    EXPECT_TRUE(erwartet.empty() ||
                (starter.auftraege[0].programm == erwartet && !starter.auftraege[0].versteckt));
    EXPECT_EQ(meldungen,
              std::vector<std::string>(erwartet.empty() || c.startfehler, SysInfoNichtVerfuegbar));
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Faelle, StartSysInfoTest, testing::Values(
    Sysinfofall{"ersterSchluessel", "PATH=REG_SZ:/x/werkzeug", true, true, 0, "/x/werkzeug"},
    Sysinfofall{"ersterAlsRohbytesOhneNull", "PATH=hex(1):2f,78", true, true, 0, "/x"},
    Sysinfofall{"ersterNenntFehlendeDatei", "PATH=REG_SZ:/weg", true, true, 53, "/weg"},
    Sysinfofall{"zweiterSchluessel", "", true, true, 0, "@"},
    Sysinfofall{"zweiterOhneWerkzeug", "", true, false, 0, ""},
    Sysinfofall{"keinSchluessel", "", false, true, 0, ""},
    Sysinfofall{"leererWertOhneZweitenVersuch", "PATH=hex(1):", true, true, 0, ""},
    Sysinfofall{"ohneEigenenPfadDasWerkzeugAufPath", "", false, false, 0, "/usr/bin/hardinfo", "/usr/bin/hardinfo"}), test::zeilenname);
// clang-format on

}  // namespace
}  // namespace zorta
