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
#include "Starter.h"
#include "Testhilfen.h"

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
        {"fcntl", 1, [&] { return PosixStarter().beobachtetStarten({"/bin/true", {}, ""}, &b); }}};
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
