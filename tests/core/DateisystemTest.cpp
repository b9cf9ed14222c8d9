#include <gtest/gtest.h>

#include "Dateisystem.h"
#include "Pfade.h"
#include "Testhilfen.h"
#include "Wechselmedium.h"

namespace zorta {
namespace {

// Folder and name of a path; its draft lies in the same folder, also for a
// file directly in the root or in a folder of one character.
TEST(Pfade, ordnerUndNameAuchAnDerWurzel) {
    // clang-format off
    for (const auto& [pfad, ordner, name] : std::vector<std::array<std::string, 3>>{
             {"/BILD.ZIP", "/", "BILD.ZIP"}, {"/a/BILD.ZIP", "/a", "BILD.ZIP"}, {"a/b", "a", "b"}}) {
        // clang-format on
        EXPECT_EQ(Ordner(pfad) + "|" + Dateiname(pfad), ordner + "|" + name);
        EXPECT_EQ(Ordner(entwurfsname(pfad)), ordner);
    }
}

// "Lies under", shared by the mount lookup and the drive list: the root holds
// every absolute path and no relative one (a target that could not be
// resolved lies on no mount); a name that begins like the folder is not in it.
TEST(Pfade, liegtUnter) {
    // clang-format off
    for (const auto& [pfad, ordner, ja] : std::vector<std::tuple<const char*, const char*, bool>>{
             {"/a/b", "/", true}, {"/", "/", true}, {"a/b", "/", false}, {"", "/", false}, {"/a", "", false},
             {"/a", "/a", true}, {"/a/b", "/a/", true}, {"/ab", "/a", false}, {"/a", "/a/b", false}}) {
        // clang-format on
        EXPECT_EQ(liegtUnter(pfad, ordner), ja) << pfad << " unter " << ordner;
    }
    EXPECT_EQ(einhaengungVon({{"8:1", "/", "ext4", "/dev/sda1", "1"}}, ""), nullptr);
}

// Whether an ordinary file is there: "nein" when the path or a folder on it
// is missing or is something else; an error number when it cannot be told
// (no right to look, a loop of links, a name too long).
TEST(Dateisystem, existiertJaNeinOderFehler) {
    test::Testordner tmp;
    // clang-format off
    ASSERT_EQ(test::imOrdner(tmp.pfad(), "chmod 755 . && touch f && mkdir d zu && touch zu/f && chmod 0 zu && ln -s f l && ln -s weg leer && ln -s s s", ""), 0);
    for (const auto& [pfad, erwartet] : std::vector<std::array<std::string, 2>>{
             {"f", "ja"}, {"l", "ja"}, {"weg", "nein"}, {"d", "nein"}, {"leer", "nein"}, {"f/x", "nein"},
             {"weg/x", "nein"}, {"zu/f", "70"}, {"s", "76"}, {std::string(300, 'n'), "52"}}) {
        // clang-format on
        bool ja = false;
        test::OhneVorrecht als;
        const Fehler f = PosixDateisystem().existiert(tmp / pfad, &ja);
        EXPECT_EQ(f.ok() ? (ja ? "ja" : "nein") : std::to_string(f.nummer()), erwartet) << pfad;
    }
}

}  // namespace
}  // namespace zorta
