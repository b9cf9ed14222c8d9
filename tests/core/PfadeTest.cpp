#include <gtest/gtest.h>

#include "Pfade.h"
#include "Wechselmedium.h"

namespace zorta {
namespace {

// "Lies under", shared by the mount lookup and the drive list: the root holds
// every absolute path and no relative one (a target that could not be
// resolved lies on no mount); a name that begins like the folder is not in it.
TEST(Pfade, liegtUnter) {
    for (const auto& [pfad, ordner, ja] :
         std::vector<std::tuple<const char*, const char*, bool>>{{"/a/b", "/", true},
                                                                 {"/", "/", true},
                                                                 {"a/b", "/", false},
                                                                 {"", "/", false},
                                                                 {"/a", "", false},
                                                                 {"/a", "/a", true},
                                                                 {"/a/b", "/a/", true},
                                                                 {"/ab", "/a", false},
                                                                 {"/a", "/a/b", false}}) {
        EXPECT_EQ(liegtUnter(pfad, ordner), ja) << pfad << " unter " << ordner;
    }
    EXPECT_EQ(einhaengungVon({{"8:1", "/", "ext4", "/dev/sda1", "1"}}, ""), nullptr);
}

}  // namespace
}  // namespace zorta
