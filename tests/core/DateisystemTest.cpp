// Kernel calls whose failure cannot be brought about on demand fail here
// through the linker's --wrap (see CMakeLists.txt): the n-th call of the
// armed one fails with EIO.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <functional>

#include "Dateisystem.h"
#include "Pfade.h"
#include "Starter.h"
#include "Testhilfen.h"
#include "Wechselmedium.h"

namespace {
const char* gScheitert = "";
int gNoch = 0;
bool scheitertJetzt(const char* aufruf, bool betroffen) {
    if (!betroffen || std::strcmp(aufruf, gScheitert) != 0 || --gNoch != 0)
        return false;
    gScheitert = "";
    errno = EIO;
    return true;
}
}  // namespace

extern "C" {
dirent* __real_readdir(DIR* d);
off_t __real_lseek(int fd, off_t o, int woher);
int __real_fcntl(int fd, int befehl, ...);
dirent* __wrap_readdir(DIR* d) {
    return scheitertJetzt("readdir", true) ? nullptr : __real_readdir(d);
}
off_t __wrap_lseek(int fd, off_t o, int w) {
    return scheitertJetzt("lseek", w == SEEK_SET) ? -1 : __real_lseek(fd, o, w);
}
int __wrap_fcntl(int fd, int befehl, ...) {
    va_list a;
    va_start(a, befehl);
    const long arg = va_arg(a, long);
    va_end(a);
    return scheitertJetzt("fcntl", befehl == F_SETFL) ? -1 : __real_fcntl(fd, befehl, arg);
}
}

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

// A failure is reported as the run-time error, never taken for success: a
// folder read half, the read position left after looking for holes, a
// launcher report that could block the window polling it.
TEST(Systemfehler, werdenGemeldetNichtUebergangen) {
    test::Testordner tmp;
    for (const char* n : {"a", "b", "c"}) test::schreibeText(tmp / n, "x");
    test::schreibeLueckenhaft(tmp / "luecke", 1 << 20, {{0, 4096}});
    PosixDateisystem fs;
    std::vector<std::string> namen;
    Dateisystem::Handle h = -1;
    std::unique_ptr<Beobachtung> b;
    const std::vector<std::tuple<const char*, int, std::function<Fehler()>>> faelle = {
        {"readdir", 2, [&] { return fs.verzeichnis(tmp.pfad(), &namen); }},
        {"lseek", 1, [&] { return fs.oeffneLesen(tmp / "luecke", &h); }},
        {"fcntl", 1, [&] {
             return PosixStarter().beobachtetStarten({"/bin/true", {}, ""}, &b);
         }}};
    for (const auto& [aufruf, n, tun] : faelle) {
        gScheitert = aufruf;
        gNoch = n;
        EXPECT_EQ(tun().nummer(), fehlernr::GeraeteFehler) << aufruf;
        EXPECT_STREQ(gScheitert, "") << aufruf << " nicht erreicht";
        gScheitert = "";
    }
    EXPECT_TRUE(namen.empty() && !b);
}

}  // namespace
}  // namespace zorta
