#include <gtest/gtest.h>

#include <filesystem>

#include "Stapel.h"
#include "Testhilfen.h"
#include "Zerlegung.h"

namespace zorta {
namespace {

using test::Testordner;
using test::Vfatbild;
namespace fs = std::filesystem;

// Cuts onto real FAT file systems on loop devices; skipped without root.
class VfatTest : public testing::Test {
  protected:
    void SetUp() override {
        auftrag.Quelldatei = tmp / "BILD.ZIP";
        test::schreibeMuster(auftrag.Quelldatei, 700'000);
        auftrag.Quellgröße = 700'000;
        auftrag.Teilgröße = 400'000;
        stick1.einhaengen(tmp / "media/STICK1");
        if (!stick1.grund().empty())
            GTEST_SKIP() << "no vfat here: " << stick1.grund();
        fs::create_directory(tmp / "media/STICK1/teile");
        anzeige.ziel = tmp / "media/STICK1/teile";
    }
    // The loop device is no removable disk: a made-up sysfs says it is.
    void alsWechselbar(const Vfatbild& stick, const std::string& name) {
        fs::create_directories(tmp / ("sys/" + name));
        test::schreibeText(tmp / ("sys/" + name + "/dev"), stick.geraet() + "\n");
        test::schreibeText(tmp / ("sys/" + name + "/removable"), "1\n");
    }

    Testordner tmp;
    Vfatbild stick1{tmp / "eins.img", "STICK1"}, stick2{tmp / "zwei.img", "STICK2"};
    Auftrag auftrag;
    test::Anzeigeprotokoll anzeige;
};

// Every piece and its folder are on the stick before each prompt and the
// success message; the second stick is found under its own label.
TEST_F(VfatTest, zweiSticksNacheinanderUnterIhremEtikett) {
    alsWechselbar(stick1, "loop1");
    test::FehlerDateisystem fs;
    LinuxWechselmedium medium("/proc/self/mountinfo", tmp / "sys");
    std::vector<std::string> fragen;
    anzeige.beiMeldung = [&](const auto& m) {
        EXPECT_TRUE(fs.ungesichert().empty()) << m.text;
        if (m.symbol != Symbol::Frage)
            return;
        fragen.push_back(m.text);
        if (fragen.size() == 1) {
            stick1.aushaengen();  // OK before the next stick is in: asked again
        } else {
            stick2.einhaengen(tmp / "media/STICK2");
            alsWechselbar(stick2, "loop2");
        }
    };
    ASSERT_EQ(zerlegen(auftrag, anzeige, fs, medium), Ausgang::Erfolg)
        << anzeige.meldungen.back().text;
    ASSERT_EQ(fragen.size(), 2u);
    EXPECT_EQ(fragen[1], naechsteDisketteNochmal(0, "teile", "BILD.002"));
    EXPECT_EQ(test::namenIn(tmp / "media/STICK2/teile"),
              (std::vector<std::string>{"BILD.002", "BILD.bat", "BILD.sha256"}));
    stick1.einhaengen(tmp / "media/STICK1");
    EXPECT_EQ(test::namenIn(tmp / "media/STICK1/teile"), std::vector<std::string>{"BILD.001"});

    // Rejoined from the pieces brought together on the second stick.
    test::schreibeText(tmp / "media/STICK2/teile/BILD.001",
                       test::lies(tmp / "media/STICK1/teile/BILD.001"));
    std::string ausgabe;
    EXPECT_EQ(stapelAusfuehren(test::lies(tmp / "media/STICK2/teile/BILD.bat"),
                               tmp / "media/STICK2/teile", fs, &ausgabe),
              0);
    EXPECT_TRUE(test::lies(tmp / "media/STICK2/teile/BILD.ZIP") == test::lies(auftrag.Quelldatei));
}

}  // namespace
}  // namespace zorta
