#include <gtest/gtest.h>

#include <filesystem>

#include "Laufwerke.h"
#include "Testhilfen.h"
#include "Wechselmedium.h"

namespace zorta {
namespace {

// After a next-disk prompt: mounts given as "id major:minor folder" below
// the test folder; the target is STICK1/teile; "" expects to be asked again.
// The folder on the new stick is made through the file system; a failure
// there (`eaFehler`) is reported, not taken for the folder.
struct Wechsel {
    const char* name;
    std::vector<std::string> vorher;
    std::vector<std::vector<std::string>> danach;  // at each OK
    std::vector<std::string> erwartet;             // at each OK
    bool gezogen = false;                          // sdb leaves the machine still mounted
    bool eaFehler = false;
};
class Medien : public testing::Test {
  protected:
    // A made-up sysfs as the kernel lays it out: sda and sde fixed disks, sdb
    // a stick with partition sdb1, sdc and sdd sticks without partitions.
    void SetUp() override {
        // clang-format off
        ASSERT_EQ(test::imOrdner(tmp.pfad(), "set -- sda 8:0 0 sdb 8:16 1 sdc 8:32 1 sdd 8:48 1 sde 8:64 0; mkdir -p class/block devices/sdb/sdb1 && "
            "while [ $# -gt 0 ]; do mkdir -p devices/$1 && echo $2 > devices/$1/dev && echo $3 > devices/$1/removable && ln -s ../../devices/$1 class/block/$1; shift 3; done && "
            "echo 8:17 > devices/sdb/sdb1/dev && echo 1 > devices/sdb/sdb1/partition && ln -s ../../devices/sdb/sdb1 class/block/sdb1", ""), 0);
        // clang-format on
    }
    void einhaengen(const std::vector<std::string>& punkte) {
        std::string liste;
        for (const auto& p : punkte) liste += " " + p;
        // clang-format off
        ASSERT_EQ(test::imOrdner(tmp.pfad(), "set --" + liste + "; { echo '1 0 8:1 / / rw - ext4 /dev/sda1 rw'; while [ $# -gt 0 ]; do "
            "mkdir -p $3 && echo \"$1 1 $2 / $PWD/$3 rw - vfat /dev/x rw\"; shift 3; done; } > mountinfo", ""), 0);
        // clang-format on
    }
    test::Testordner tmp;
    test::FehlerDateisystem dateien;
};
class MedienwechselTest : public Medien, public testing::WithParamInterface<Wechsel> {};

TEST_P(MedienwechselTest, folgtGenauEinemNeuenDatentraeger) {
    const auto& w = GetParam();
    einhaengen(w.vorher);
    fs::create_directories(tmp / "STICK1/teile");
    LinuxWechselmedium m(dateien, tmp / "mountinfo", tmp / "class/block");
    const Medienstand vorher = m.stand(tmp / "STICK1/teile");
    if (w.gezogen)
        fs::remove_all(tmp / "devices/sdb");
    for (std::size_t i = 0; i < w.danach.size(); ++i) {
        SCOPED_TRACE(i);
        einhaengen(w.danach[i]);
        dateien.fehlerBei(w.eaFehler, Fehler::ausErrno(EIO));
        const Folge f = m.folgen(tmp / "STICK1/teile", vorher);
        ASSERT_EQ(f.fehler.nummer(), w.eaFehler ? fehlernr::GeraeteFehler : 0);
        if (w.eaFehler)
            continue;
        EXPECT_EQ(f.ordner, w.erwartet[i].empty() ? "" : tmp / w.erwartet[i]);
        EXPECT_TRUE(f.ordner.empty() || fs::is_directory(f.ordner));
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Wechsel, MedienwechselTest, testing::Values(
    Wechsel{"gleicherStick", {"30 8:17 STICK1"}, {{"30 8:17 STICK1"}}, {"STICK1/teile"}},
    Wechsel{"neuesEtikettWoanders", {"30 8:17 STICK1"}, {{"31 8:32 STICK2", "32 8:64 PLATTE"}}, {"STICK2/teile"}},
    Wechsel{"erstNichtsDannEiner", {"30 8:17 STICK1"}, {{}, {"31 8:32 STICK2"}}, {"", "STICK2/teile"}},
    Wechsel{"zweiKandidaten", {"30 8:17 STICK1"}, {{"31 8:32 STICK2", "32 8:48 STICK3"}, {"32 8:48 STICK3"}}, {"", "STICK3/teile"}},
    Wechsel{"alterZweiterStickZaehltNicht", {"30 8:17 STICK1", "31 8:32 STICK2"}, {{"31 8:32 STICK2"}}, {""}},
    Wechsel{"freieIdNeuVergeben", {"30 8:17 STICK1"}, {{"30 8:32 STICK2"}}, {"STICK2/teile"}},
    Wechsel{"wiederEingehaengt", {"30 8:17 STICK1"}, {{"33 8:17 STICK1"}}, {"STICK1/teile"}},
    Wechsel{"gezogenOhneAushaengen", {"30 8:17 STICK1"}, {{"30 8:17 STICK1"}, {"30 8:17 STICK1", "31 8:32 STICK2"}}, {"", "STICK2/teile"}, true},
    Wechsel{"ordnerAnlegenScheitert", {"30 8:17 STICK1"}, {{"31 8:32 STICK2"}}, {""}, false, true}), test::zeilenname);
// clang-format on

// Which mount holds a folder: the deepest mount point it lies in, compared
// by whole folder names; the last of mounts on one place (it hides the
// others); through links. The medium is given relative to the test folder,
// "/" for the root file system (8:1, not removable); a partition (8:17)
// counts as removable through its disk.
struct Ort {
    const char* name;
    std::vector<std::string> einhaengungen;
    std::string ordner, medium, unterordner;
    bool wechselbar;
};
class OrtTest : public Medien, public testing::WithParamInterface<Ort> {};
TEST_P(OrtTest, ordnerGehoertZurTiefstenEinhaengung) {
    const auto& o = GetParam();
    einhaengen(o.einhaengungen);
    fs::create_directories(tmp / "usb1/teile");
    fs::create_directories(tmp / "usb10/teile");
    fs::create_directory_symlink(tmp / "usb1/teile", tmp / "verweis");
    LinuxWechselmedium m(dateien, tmp / "mountinfo", tmp / "class/block");
    const Medienstand st = m.stand(tmp / o.ordner);
    EXPECT_EQ(st.medium.einhaengepunkt, o.medium == "/" ? "/" : tmp / o.medium);
    EXPECT_EQ(st.unterordner, o.medium == "/" ? (tmp / o.unterordner).substr(1) : o.unterordner);
    EXPECT_EQ(m.istWechselbar(tmp / o.ordner), o.wechselbar);
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Orte, OrtTest, testing::Values(
    Ort{"obenAufDemStick", {"30 8:17 usb1"}, "usb1", "usb1", "", true},
    Ort{"unterDemStick", {"30 8:17 usb1"}, "usb1/teile", "usb1", "teile", true},
    Ort{"gleicherAnfangIstKeinStick", {"30 8:17 usb1"}, "usb10/teile", "/", "usb10/teile", false},
    Ort{"platteImStick", {"30 8:17 usb1", "31 8:64 usb1/teile"}, "usb1/teile", "usb1/teile", "", false},
    Ort{"platteImStickZuerstGelistet", {"31 8:64 usb1/teile", "30 8:17 usb1"}, "usb1/teile", "usb1/teile", "", false},
    Ort{"stickUeberPlatte", {"30 8:64 usb1", "31 8:17 usb1"}, "usb1/teile", "usb1", "teile", true},
    Ort{"verweisAufDenStick", {"30 8:17 usb1"}, "verweis", "usb1", "teile", true}), test::zeilenname);
// clang-format on
// The drive list of the target chooser from a mountinfo as the kernel
// writes it (a blank escaped as \040), with udev's label links.
TEST_F(MedienwechselTest, laufwerkeZeigenWurzelHeimUndDatentraegerOhnePseudoDateisysteme) {
    test::schreibeText(tmp / "sdb1", "");
    fs::create_directory(tmp / "nachEtikett");
    fs::create_symlink("../sdb1", tmp / "nachEtikett/MEIN\\x20STICK");
    LinuxWechselmedium medium(dateien, tmp / "mi", tmp / "class/block", tmp / "nachEtikett");
    // clang-format off
    test::schreibeText(tmp / "mi",
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n2 1 0:22 / /proc rw - proc proc rw\n3 1 0:23 / /sys rw - sysfs sysfs rw\n"
        "4 1 0:24 / /run/user/1000 rw - tmpfs tmpfs rw\n5 3 0:25 / /sys/fs/cgroup rw - cgroup2 x rw\n"
        "6 1 8:2 / /boot/efi rw - vfat /dev/sda2 rw\n7 1 8:17 / /media/ich/MEIN\\040STICK rw - vfat " + tmp / "sdb1" + " rw\n"
        "8 1 8:32 / /run/media/ich/KARTE rw - exfat /dev/sdc1 rw\n9 1 0:40 / /mnt/archiv rw - nfs4 server:/archiv rw\n"
        "10 1 8:3 / /home rw - ext4 /dev/sda3 rw\n11 1 0:41 / /tmp rw - tmpfs tmpfs rw\n");
    const auto t = einhaengungenLesen(tmp / "mi");
    EXPECT_EQ(medium.laufwerke("/home/ich"), (std::vector<Laufwerk>{
        {"/ (Dateisystem)", "/"}, {"Persönlicher Ordner (/home/ich)", "/home/ich"},
        {"Wechselmedium MEIN STICK (/media/ich/MEIN STICK)", "/media/ich/MEIN STICK"},
        {"Wechselmedium KARTE (/run/media/ich/KARTE)", "/run/media/ich/KARTE"},
        {"archiv (/mnt/archiv)", "/mnt/archiv"}, {"home (/home)", "/home"}}));
    // clang-format on
    const auto liste = laufwerke(t, "/home/ich");
    EXPECT_EQ(laufwerkVon(liste, "/home/ich/daten"), 1u);
    EXPECT_EQ(laufwerkVon(liste, "/media/ich/MEIN STICK/x"), 2u);
    EXPECT_EQ(laufwerkVon(liste, "/media/ich/MEIN"), 0u);
}

}  // namespace
}  // namespace zorta
