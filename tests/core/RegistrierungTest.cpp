#include <gtest/gtest.h>

#include <array>
#include <optional>

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
    Sysinfofall{"ersterAlsZahl", "PATH=REG_DWORD:0x104", true, true, 0, "260"},
    Sysinfofall{"ersterNenntFehlendeDatei", "PATH=REG_SZ:/weg", true, true, 53, "/weg"},
    Sysinfofall{"zweiterSchluessel", "", true, true, 0, "@"},
    Sysinfofall{"zweiterOhneWerkzeug", "", true, false, 0, ""},
    Sysinfofall{"keinSchluessel", "", false, true, 0, ""},
    Sysinfofall{"leererWertOhneZweitenVersuch", "PATH=hex(1):", true, true, 0, ""},
    Sysinfofall{"ohneEigenenPfadDasWerkzeugAufPath", "", false, false, 0, "/usr/bin/hardinfo", "/usr/bin/hardinfo"}), test::zeilenname);
// clang-format on

// What each notation of the settings file stores (type and bytes); a line
// that is none of them, or whose number does not fit, stores nothing.
TEST(IniRegistrierung, liestJedeSchreibweise) {
    test::Testordner tmp;
    PosixDateisystem dateien;
    IniRegistrierung reg(tmp / "r.ini", dateien);
    using W = std::optional<Registerwert>;
    // clang-format off
    for (const auto& [zeile, erwartet] : std::vector<std::pair<std::string, W>>{
             {"W=REG_SZ:C:\\x y", SpeicherRegistrierung::text("C:\\x y")}, {" w = reg_sz :a", SpeicherRegistrierung::text("a")},
             {"W=REG_EXPAND_SZ:$A", Registerwert{2, {'$', 'A', 0}}}, {"W=REG_DWORD:260", Registerwert{4, {4, 1, 0, 0}}},
             {"W=REG_DWORD: 0xfffffffe", Registerwert{4, {0xfe, 0xff, 0xff, 0xff}}}, {"W=REG_DWORD:4294967296", {}},
             {"W=REG_DWORD:-1", {}}, {"W=REG_DWORD:26O", {}}, {"W=REG_BINARY:04,01,00,ff", Registerwert{3, {4, 1, 0, 0xff}}},
             {"W=hex(4):04 01 00 00", Registerwert{4, {4, 1, 0, 0}}}, {"W=hex(b):01", Registerwert{11, {1}}},
             {"W=hex(1):", Registerwert{1, {}}}, {"W=hex(3):100", {}}, {"W=REG_MULTI_SZ:a", {}}, {"W=a", {}}, {"; W=REG_SZ:a", {}}}) {
        // clang-format on
        test::schreibeText(tmp / "r.ini", "[ K ]\nanderer=REG_SZ:x\n" + zeile + "\n");
        Registrierung::Schluessel k = 0;
        ASSERT_TRUE(reg.oeffnen(HKEY_LOCAL_MACHINE, "k", KEY_ALL_ACCESS, &k));
        unsigned char puffer[64];
        std::uint32_t laenge = sizeof puffer;
        Registerwert w;
        const bool gelesen = reg.abfragen(k, "w", &w.typ, puffer, &laenge);
        w.daten.assign(puffer, puffer + (gelesen ? laenge : 0));
        EXPECT_EQ(gelesen ? W(w) : W(), erwartet) << zeile;
    }
}

// The first tool of the list found anywhere on PATH wins over a tool in an
// earlier folder; a folder, a file that may not be run, and an empty entry
// (which is not the current folder here) are passed over. The test folder
// is the current folder; x makes runnable files.
TEST(IniRegistrierung, findetDasWerkzeugAufPath) {
    test::Testordner tmp;
    const std::string vorher = std::getenv("PATH");
    const auto ort = fs::current_path();
    fs::current_path(tmp.pfad());
    // clang-format off
    for (const auto& [path, anlegen, erwartet] : std::vector<std::array<std::string, 3>>{
             {"a/", "x a/hardinfo", "a/hardinfo"}, {"a:b", "x a/kinfocenter b/hardinfo", "b/hardinfo"},
             {"a:b", "mkdir a/hardinfo2; : >a/hardinfo; x b/hardinfo", "b/hardinfo"}, {"::b:", "x hardinfo", ""}}) {
        EXPECT_EQ(test::imOrdner(tmp.pfad(), "rm -rf *; x() { for f; do : >$f; chmod 755 $f; done; }; mkdir a b; " + anlegen, ""), 0);
        // clang-format on
        ::setenv("PATH", path.c_str(), 1);
        PosixDateisystem dateien;
        const std::string gefunden = IniRegistrierung::systemwerkzeugAufPath(dateien);
        ::setenv("PATH", vorher.c_str(), 1);
        EXPECT_EQ(gefunden, erwartet) << anlegen;
    }
    fs::current_path(ort);
}

}  // namespace
}  // namespace zorta
