#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "Reparatur.h"
#include "Testhilfen.h"

namespace zorta {
namespace {

// What "Reparatur" starts for a chosen file: a batch file hidden in the
// interpreter, a program directly, anything else nothing, with error 5 (or
// 53 when it is gone). `anlegen` makes the file (see imOrdner).
struct Startfall {
    const char* name;
    std::string datei, anlegen;
    bool interpreter;  // else started directly
    int fehler = 0;
    bool eaFehler = false;  // the file system cannot look at the file
};
class StartauftragTest : public testing::TestWithParam<Startfall> {};
TEST_P(StartauftragTest, batchdateienLaufenImInterpreterProgrammeDirekt) {
    const auto& s = GetParam();
    test::Testordner tmp;
    const std::string pfad = tmp / s.datei;
    ASSERT_EQ(test::imOrdner(tmp.pfad(), s.anlegen, s.datei), 0);
    test::Startprotokoll starter;
    test::FehlerDateisystem dateien;
    dateien.fehlerBei(s.eaFehler, Fehler::ausErrno(EIO));
    std::unique_ptr<Beobachtung> beobachtung;
    const Fehler f =
        batchdateiBeobachtetStarten(pfad, "/opt/zorta-batch", dateien, starter, &beobachtung);
    EXPECT_EQ(f.nummer(), s.fehler);
    ASSERT_EQ(starter.auftraege.size(), s.fehler ? 0u : 1u);
    if (s.fehler)
        return;
    const Startauftrag& a = starter.auftraege[0];
    EXPECT_EQ(a.programm, s.interpreter ? "/opt/zorta-batch" : pfad);
    EXPECT_EQ(a.argumente, std::vector<std::string>(s.interpreter, pfad));
    EXPECT_TRUE(a.arbeitsordner == tmp.pfad() && a.versteckt && a.abgekoppelt);
    EXPECT_EQ(test::lies(pfad), "@echo off\r\n");  // never rewritten
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Dateien, StartauftragTest, testing::Values(
    Startfall{"bat", "BILD.bat", "printf '@echo off\\r\\n' > %", true},
    Startfall{"nurEndung", ".bat", "printf '@echo off\\r\\n' > %", true},
    Startfall{"grossBAT", "BILD.BAT", "printf '@echo off\\r\\n' > %", true},
    Startfall{"cmd", "bild.Cmd", "printf '@echo off\\r\\n' > %", true},
    Startfall{"blankImNamen", "mein bild.bat", "printf '@echo off\\r\\n' > %", true},
    Startfall{"programm", "werkzeug", "printf '@echo off\\r\\n' > % && chmod 755 %", false},
    Startfall{"text", "liesmich.txt", "echo text > %", false, 5},
    Startfall{"ordner", "ordner.bat", "mkdir %", false, 5},
    Startfall{"fehlt", "weg.bat", ": %", false, 53},
    Startfall{"eaFehler", "BILD.bat", "printf '@echo off\\r\\n' > %", true, 57, true}), test::zeilenname);
// clang-format on

// The programs below wait for the file "los" in their folder: a start or a
// check that waited for them would not return. They give up after 30 s or
// more, so that a failed test leaves none behind for long.
const std::string kWarten = "until [ -e los ] || [ $((i += 1)) -gt 3000 ]; do sleep .01; done; ";

TEST(PosixStarter, meldetFehlendeProgrammeUndBlockiertNicht) {
    test::Testordner tmp;
    PosixStarter starter;
    Startauftrag a{tmp / "gibt-es-nicht", {}, {}};
    EXPECT_EQ(starter.starten(a).nummer(), 53);
    // The program runs in its folder with its output discarded; the start
    // returns while it waits (else the alarm ends the child).
    a = {"/bin/sh", {"-c", kWarten + "pwd > ort; echo laut"}, tmp.pfad(), true};
    const int status = test::imKind([&] { return ::alarm(5), starter.starten(a).ok() ? 0 : 1; });
    test::schreibeText(tmp / "los", "");
    EXPECT_EQ(status, 0) << "starten() wartet auf das Programm";
    for (int i = 0; i < 500 && test::lies(tmp / "ort").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test::lies(tmp / "ort"), fs::canonical(tmp.pfad()).string() + "\n");
}

// A watched program: how it ended and the end of its error output come
// back without blocking (pruefen() while it runs says so at once); it
// inherits nothing of ours but 0-2. Run in a child, which an alarm ends if
// anything waits; its exit code says what went wrong.
struct Ende {
    const char* name;
    std::vector<std::string> befehl;  // run once "los" is there
    int status;
    std::string meldung;
};
class BeobachtungTest : public testing::TestWithParam<Ende> {};
TEST_P(BeobachtungTest, meldetStatusUndFehlerausgabe) {
    test::Testordner tmp;
    const int status = test::imKind([&] {
        ::alarm(10);
        (void)::open("/dev/null", O_RDONLY);  // no CLOEXEC
        sigset_t usr1;
        sigemptyset(&usr1);
        sigaddset(&usr1, SIGUSR1);
        ::sigprocmask(SIG_BLOCK, &usr1, nullptr);
        ::signal(SIGUSR2, SIG_IGN);
        const auto& b = GetParam().befehl;
        const Startauftrag a{b[0], {b.begin() + 1, b.end()}, tmp.pfad(), true};
        std::unique_ptr<Beobachtung> w;
        if (!PosixStarter().beobachtetStarten(a, &w).ok() || !w)
            return 1;
        if (w->pruefen())
            return 2;  // done before "los" was there: it waited
        test::schreibeText(tmp / "los", "");
        pollfd p{w->descriptor(), POLLIN, 0};
        if (::poll(&p, 1, 5'000) != 1 || !w->pruefen())
            return 3;
        return w->ende().status != GetParam().status     ? 4
               : w->ende().meldung != GetParam().meldung ? 5
                                                         : 0;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "1 Start, 2 pruefen(), 3 Ende, 4 Status, 5 Fehlerausgabe; sonst wartete etwas: "
        << status;
}
std::vector<std::string> sh(const std::string& skript) {
    return {"/bin/sh", "-c", kWarten + skript};
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Enden, BeobachtungTest, testing::Values(
    Ende{"erfolg", sh("echo fertig >&2"), 0, "fertig\n"},
    Ende{"status", sh("exit 3"), 3, ""},
    Ende{"signal", sh("kill -9 $$"), -1, ""},
    Ende{"letzte4KiB", sh("head -c 6000 /dev/zero | tr '\\0' a >&2; echo ende >&2"), 0, std::string(4091, 'a') + "ende\n"},
    // Not through a shell, which clears the mask itself.
    Ende{"keineGesperrtenSignale", {"/usr/bin/perl", "-e", "select(undef, undef, undef, 0.01) until -e 'los' || time - $^T > 30; open(F, '/proc/self/status'); print STDERR grep(/^SigBlk/, <F>)"}, 0, "SigBlk:\t0000000000000000\n"},
    Ende{"keineIgnoriertenSignale", sh("exec grep SigIgn /proc/self/status >&2"), 0, "SigIgn:\t0000000000000000\n"},
    Ende{"erbtKeineDeskriptoren", sh("exec ls /proc/self/fd >&2"), 0, "0\n1\n2\n3\n"}),  // 3: ls's own
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace zorta
