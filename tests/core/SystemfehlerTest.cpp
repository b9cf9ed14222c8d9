// Kernel calls whose failure cannot be brought about on demand fail here
// through the linker's --wrap (see CMakeLists.txt): the n-th call of the
// chosen one after arming fails with EIO.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <functional>

#include "Dateisystem.h"
#include "Starter.h"
#include "Testhilfen.h"

namespace {
const char* gScheitert = "";  // the call armed to fail
int gNoch = 0;                // calls of it until it fails

bool scheitertJetzt(const char* aufruf, bool betroffen = true) {
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
    return scheitertJetzt("readdir") ? nullptr : __real_readdir(d);
}
off_t __wrap_lseek(int fd, off_t o, int woher) {
    return scheitertJetzt("lseek", woher == SEEK_SET) ? -1 : __real_lseek(fd, o, woher);
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

struct Systemfehler {
    const char* name;
    const char* aufruf;
    int nummer;  // the call that fails
    std::function<Fehler(const test::Testordner&)> tun;
};
class SystemfehlerTest : public testing::TestWithParam<Systemfehler> {};

// A failure is reported as the run-time error, never taken for success.
TEST_P(SystemfehlerTest, wirdGemeldetNichtUebergangen) {
    const auto& s = GetParam();
    test::Testordner tmp;
    for (const char* n : {"a", "b", "c"}) test::schreibeText(tmp / n, "x");
    test::schreibeLueckenhaft(tmp / "luecke", 1 << 20, {{0, 4096}});
    gScheitert = s.aufruf;
    gNoch = s.nummer;
    const Fehler f = s.tun(tmp);
    EXPECT_STREQ(gScheitert, "") << "nicht erreicht";
    gScheitert = "";
    EXPECT_EQ(f.nummer(), fehlernr::GeraeteFehler);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Aufrufe, SystemfehlerTest, testing::Values(
    // The second entry: a folder read half is no complete list.
    Systemfehler{"readdirMittendrin", "readdir", 2, [](const test::Testordner& t) {
        std::vector<std::string> namen;
        Fehler f = PosixDateisystem().verzeichnis(t.pfad(), &namen);
        return namen.empty() ? f : Fehler{}; }},
    // Back to the start after looking for the first hole.
    Systemfehler{"lseekNachLueckensuche", "lseek", 1, [](const test::Testordner& t) {
        PosixDateisystem fs;
        Dateisystem::Handle h = -1;
        Fehler f = fs.oeffneLesen(t / "luecke", &h);
        if (h >= 0 && f.ok()) (void)fs.schliessen(h);
        return f; }},
    // A report that could block would hang the window polling it.
    Systemfehler{"fcntlNichtBlockierend", "fcntl", 1, [](const test::Testordner&) {
        std::unique_ptr<Beobachtung> b;
        Fehler f = PosixStarter().beobachtetStarten({"/bin/true", {}, "", true, true}, &b);
        return b ? Fehler{} : f; }}), test::zeilenname);
// clang-format on

}  // namespace
}  // namespace zorta
