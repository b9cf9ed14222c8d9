#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "Reparatur.h"
#include "Testhilfen.h"

namespace zorta {
namespace {

using test::Startprotokoll;
using test::Testordner;

struct Startfall {
    const char* name;
    std::string datei;
    mode_t rechte;
    bool interpreter;  // else started directly
};
class StartauftragTest : public testing::TestWithParam<Startfall> {};
TEST_P(StartauftragTest, batchdateienLaufenImInterpreterProgrammeDirekt) {
    Testordner tmp;
    const std::string pfad = tmp / GetParam().datei;
    test::schreibeText(pfad, "@echo off\r\n");
    ::chmod(pfad.c_str(), GetParam().rechte);
    Startprotokoll starter;
    ASSERT_TRUE(batchdateiStarten(pfad, "/opt/zorta-batch", starter).ok());
    ASSERT_EQ(starter.auftraege.size(), 1u);
    Startauftrag erwartet;
    erwartet.programm = GetParam().interpreter ? "/opt/zorta-batch" : pfad;
    if (GetParam().interpreter)
        erwartet.argumente = {pfad};
    erwartet.arbeitsordner = tmp.pfad();
    erwartet.versteckt = true;
    erwartet.abgekoppelt = true;
    EXPECT_EQ(starter.auftraege[0], erwartet);
    EXPECT_EQ(test::lies(pfad), "@echo off\r\n");  // never rewritten
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Dateien, StartauftragTest, testing::Values(
    Startfall{"bat", "BILD.bat", 0644, true},
    Startfall{"grossBAT", "BILD.BAT", 0644, true},
    Startfall{"cmd", "bild.Cmd", 0644, true},
    Startfall{"blankImNamen", "mein bild.bat", 0644, true},
    Startfall{"programm", "werkzeug", 0755, false}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(Reparatur, nichtStartbareDateienGebenFehler5OderFehlt) {
    Testordner tmp;
    test::schreibeText(tmp / "liesmich.txt", "text");
    std::filesystem::create_directory(tmp / "ordner.bat");
    Startprotokoll starter;
    EXPECT_EQ(batchdateiStarten(tmp / "liesmich.txt", "/x", starter).nummer(), 5);
    EXPECT_EQ(batchdateiStarten(tmp / "ordner.bat", "/x", starter).nummer(), 5);
    EXPECT_EQ(batchdateiStarten(tmp / "weg.bat", "/x", starter).nummer(), 53);
    EXPECT_TRUE(starter.auftraege.empty());
}

TEST(Reparatur, fehlermeldungMitZweiWagenruecklaeufen) {
    EXPECT_EQ(fehlermeldungReparatur(Fehler::nummer(53)),
              "Fehler Nr. :  53\r\rFehlerbeschreibung : Datei nicht gefunden");
    EXPECT_EQ(fehlermeldungReparatur(Fehler(-2, "x")), "Fehler Nr. : -2\r\rFehlerbeschreibung : x");
}

TEST(PosixStarter, meldetFehlendeProgrammeUndStartetAbgekoppelt) {
    Testordner tmp;
    PosixStarter starter;
    Startauftrag fehlt;
    fehlt.programm = tmp / "gibt-es-nicht";
    EXPECT_EQ(starter.starten(fehlt).nummer(), 53);

    Startauftrag ordnerFehlt;
    ordnerFehlt.programm = "/bin/true";
    ordnerFehlt.arbeitsordner = tmp / "weg";
    EXPECT_FALSE(starter.starten(ordnerFehlt).ok());

    // The started program runs in its folder with output discarded.
    const std::string skript = tmp / "s";
    test::schreibeText(skript, "#!/bin/sh\npwd > ort\necho laut\n");
    ::chmod(skript.c_str(), 0755);
    Startauftrag a;
    a.programm = skript;
    a.arbeitsordner = tmp.pfad();
    a.versteckt = true;
    ASSERT_TRUE(starter.starten(a).ok());
    for (int i = 0; i < 200 && test::lies(tmp / "ort").empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(test::lies(tmp / "ort"), std::filesystem::canonical(tmp.pfad()).string() + "\n");
}

}  // namespace
}  // namespace zorta
