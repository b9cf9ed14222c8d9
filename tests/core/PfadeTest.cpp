#include <gtest/gtest.h>

#include "Laufwerke.h"
#include "Pfade.h"

namespace zorta {
namespace {

// "Lies under", shared by the mount lookup and the drive list: the root holds
// every absolute path and no relative one; a name that merely begins like
// the folder is not below it.
TEST(Pfade, liegtUnter) {
    struct Fall {
        const char *pfad, *ordner;
        bool ja;
    };
    for (const Fall& f : {Fall{"/a/b", "/", true}, Fall{"/", "/", true}, Fall{"a/b", "/", false},
                          Fall{"", "/", false}, Fall{"/a", "", false}, Fall{"/a", "/a", true},
                          Fall{"/a/b", "/a", true}, Fall{"/a/b", "/a/", true},
                          Fall{"/ab", "/a", false}, Fall{"/a", "/a/b", false}}) {
        EXPECT_EQ(liegtUnter(f.pfad, f.ordner), f.ja) << f.pfad << " unter " << f.ordner;
    }
    // A target folder that could not be resolved lies on no mount.
    const std::vector<Einhaengung> tabelle = {{"8:1", "/", "ext4", "/dev/sda1", "1"}};
    EXPECT_EQ(einhaengungVon(tabelle, ""), nullptr);
    // The drive list falls back to the root (entry 0) for a relative folder.
    const std::vector<Laufwerk> liste = {{"/", "/"}, {"m", "/mnt"}, {"s", "/mnt/stick"}};
    EXPECT_EQ(laufwerkVon(liste, "/mnt/stick/x"), 2u);
    EXPECT_EQ(laufwerkVon(liste, "/mnt/sticks"), 1u);
    EXPECT_EQ(laufwerkVon(liste, "mnt/stick"), 0u);
}

}  // namespace
}  // namespace zorta
