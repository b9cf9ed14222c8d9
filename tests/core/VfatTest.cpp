#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "Stapel.h"
#include "Testhilfen.h"
#include "Zerlegung.h"

namespace zorta {
namespace {

bool sh(const std::string& zeile) {
    return std::system((zeile + " >/dev/null 2>&1").c_str()) == 0;
}

// A FAT image from mkfs.vfat, mounted by the kernel's vfat through a loop
// device, or by fusefat where the kernel has no vfat; unmounted when it goes.
struct Stick {
    std::string bild, punkt;
    ~Stick() { ab(); }
    bool an(const std::string& p) {
        fs::create_directories(p);
        punkt = p;
        return sh("mount -t vfat -o loop '" + bild + "' '" + p + "'") ||
               sh("fusefat -o rw+ '" + bild + "' '" + p + "'");
    }
    void ab() {
        if (!punkt.empty() && !sh("umount '" + punkt + "'"))
            sh("umount -l '" + punkt + "'");
        punkt.clear();
    }
    // The loop device is no removable disk: a made-up sysfs entry says it is.
    void wechselbar(const std::string& sys) const {
        sh("mkdir -p " + sys + " && echo 1 > " + sys + "/removable && { mountpoint -d '" + punkt +
           "' > " + sys + "/dev; }");
    }
};

// Two real FAT sticks with their own labels, mounted in turn at different
// places; the user answers the first prompt before the second stick is in.
// Every piece and its folder must be on a stick before each prompt and the
// success message, and the pieces rejoin byte for byte.
TEST(Vfat, zweiSticksNacheinanderUnterIhremEtikett) {
    test::Testordner tmp;
    Stick eins{tmp / "eins.img", ""}, zwei{tmp / "zwei.img", ""};
    if (::geteuid() != 0 || !sh("truncate -s 8M " + eins.bild + " " + zwei.bild) ||
        !sh("mkfs.vfat -n EINS " + eins.bild) || !sh("mkfs.vfat -n ZWEI " + zwei.bild) ||
        !eins.an(tmp / "media/EINS")) {
        GTEST_SKIP() << "Echte FAT-Sticks brauchen root, dosfstools und vfat oder fusefat.";
    }
    eins.wechselbar(tmp / "sys/loop1");
    const std::string ziel1 = tmp / "media/EINS/teile", ziel2 = tmp / "media/ZWEI/teile";
    fs::create_directory(ziel1);
    Auftrag auftrag{tmp / "BILD.ZIP", 400'000, 700'000, "", 0};
    test::schreibeMuster(auftrag.Quelldatei, 700'000);
    test::Anzeigeprotokoll anzeige;
    anzeige.ziel = ziel1;
    test::FehlerDateisystem dateien;
    LinuxWechselmedium medium(dateien, "/proc/self/mountinfo", tmp / "sys");
    // The mount is seen as FAT: a piece of 4 GiB is refused before anything
    // is written, and the image stays as it was (what else FAT cannot hold
    // is the target-entry table's).
    const std::string vorher = test::lies(eins.bild);
    Auftrag fat{tmp / "GROSS.ZIP", 4LL << 30, 5LL << 30, "", 0};
    test::schreibeMuster(fat.Quelldatei, 10);
    test::Anzeigeprotokoll nein;
    nein.ziel = ziel1;
    EXPECT_EQ(zerlegen(fat, nein, dateien, medium), Ausgang::Abgelehnt);
    EXPECT_TRUE(nein.meldungen.at(0).text.find("FAT-Datenträger") != std::string::npos &&
                test::lies(eins.bild) == vorher && test::namenIn(ziel1).empty());
    int fragen = 0;
    anzeige.beiMeldung = [&](const auto& m) {
        EXPECT_TRUE(dateien.ungesichert().empty()) << m.text;
        if (m.symbol == Symbol::Frage && ++fragen == 1) {
            eins.ab();
        } else if (m.symbol == Symbol::Frage) {
            EXPECT_EQ(m.text, naechsteDisketteNochmal(0, "teile", "BILD.002"));
            ASSERT_TRUE(zwei.an(tmp / "media/ZWEI"));
            zwei.wechselbar(tmp / "sys/loop2");
        }
    };
    ASSERT_EQ(zerlegen(auftrag, anzeige, dateien, medium), Ausgang::Erfolg)
        << anzeige.meldungen.back().text;
    EXPECT_EQ(fragen, 2);
    EXPECT_EQ(test::namenIn(ziel2),
              (std::vector<std::string>{"BILD.002", "BILD.bat", "BILD.sha256"}));
    ASSERT_TRUE(eins.an(tmp / "media/EINS"));
    EXPECT_EQ(test::namenIn(ziel1), std::vector<std::string>{"BILD.001"});
    test::schreibeText(ziel2 + "/BILD.001", test::lies(ziel1 + "/BILD.001"));
    Stapellauf lauf;
    lauf.ordner = ziel2;
    EXPECT_EQ(stapeldateiAusfuehren(ziel2 + "/BILD.bat", lauf, dateien), 0) << lauf.meldung;
    EXPECT_TRUE(test::gleich(ziel2 + "/BILD.ZIP", auftrag.Quelldatei));
}

}  // namespace
}  // namespace zorta
