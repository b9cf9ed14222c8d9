#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <thread>

#include "Reparatur.h"
#include "Testhilfen.h"

namespace zorta {
namespace {

using test::Startprotokoll;
using test::Testordner;
namespace fs = std::filesystem;

// What "Reparatur" starts for a chosen file: a batch file hidden in the
// interpreter, a program directly, anything else nothing, with error 5 (or
// 53 when it is gone). `anlegen` makes the file (see imOrdner).
struct Startfall {
    const char* name;
    std::string datei, anlegen;
    bool interpreter;  // else started directly
    int fehler = 0;
};
class StartauftragTest : public testing::TestWithParam<Startfall> {};
TEST_P(StartauftragTest, batchdateienLaufenImInterpreterProgrammeDirekt) {
    const auto& s = GetParam();
    Testordner tmp;
    const std::string pfad = tmp / s.datei;
    ASSERT_EQ(test::imOrdner(tmp.pfad(), s.anlegen, s.datei), 0);
    Startprotokoll starter;
    std::unique_ptr<Beobachtung> beobachtung;
    const Fehler f = batchdateiBeobachtetStarten(pfad, "/opt/zorta-batch", starter, &beobachtung);
    EXPECT_EQ(f.nummer(), s.fehler);
    ASSERT_EQ(starter.auftraege.size(), s.fehler ? 0u : 1u);
    if (s.fehler)
        return;
    const Startauftrag& a = starter.auftraege[0];
    EXPECT_EQ(a.programm, s.interpreter ? "/opt/zorta-batch" : pfad);
    EXPECT_EQ(a.argumente,
              s.interpreter ? std::vector<std::string>{pfad} : std::vector<std::string>{});
    EXPECT_EQ(a.arbeitsordner, tmp.pfad());
    EXPECT_TRUE(a.versteckt && a.abgekoppelt);
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
    Startfall{"fehlt", "weg.bat", ": %", false, 53}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// The programs below wait for the file "los" in their folder: a start or a
// check that waited for them would never return.
const std::string kWarten = "while [ ! -e los ]; do sleep 0.01; done; ";

TEST(PosixStarter, meldetFehlendeProgrammeUndBlockiertNicht) {
    Testordner tmp;
    PosixStarter starter;
    Startauftrag a;
    a.programm = tmp / "gibt-es-nicht";
    EXPECT_EQ(starter.starten(a).nummer(), 53);
    a.programm = "/bin/true";
    a.arbeitsordner = tmp / "weg";
    EXPECT_FALSE(starter.starten(a).ok());

    // The program runs in its folder with its output discarded.
    a.programm = "/bin/sh";
    a.argumente = {"-c", kWarten + "pwd > ort; echo laut"};
    a.arbeitsordner = tmp.pfad();
    a.versteckt = true;
    auto start = std::async(std::launch::async, [&] { return starter.starten(a); });
    const bool zurueck = start.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    test::schreibeText(tmp / "los", "");
    EXPECT_TRUE(zurueck) << "starten() wartet auf das Programm";
    EXPECT_TRUE(start.get().ok());
    for (int i = 0; i < 500 && test::lies(tmp / "ort").empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(test::lies(tmp / "ort"), fs::canonical(tmp.pfad()).string() + "\n");
}

// A watched program: how it ended and the end of its error output come
// back without blocking (pruefen() while it runs says so at once); it
// inherits nothing of ours but 0-2.
struct Ende {
    const char* name;
    std::vector<std::string> befehl;  // run once "los" is there
    int status;
    std::string meldung;
};
class BeobachtungTest : public testing::TestWithParam<Ende> {};
TEST_P(BeobachtungTest, meldetStatusUndFehlerausgabe) {
    Testordner tmp;
    const int geerbt = ::open("/dev/null", O_RDONLY);  // no CLOEXEC
    sigset_t usr1, alt;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ::sigprocmask(SIG_BLOCK, &usr1, &alt);
    const auto vorher = ::signal(SIGUSR2, SIG_IGN);
    Startauftrag a;
    a.programm = GetParam().befehl[0];
    a.argumente.assign(GetParam().befehl.begin() + 1, GetParam().befehl.end());
    a.arbeitsordner = tmp.pfad();
    a.versteckt = true;
    PosixStarter starter;
    std::unique_ptr<Beobachtung> b;
    auto start = std::async(std::launch::async, [&] { return starter.beobachtetStarten(a, &b); });
    const auto bereit = [](auto& f) {
        return f.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    };
    const bool gestartet = bereit(start);
    std::future<bool> pruefung;
    if (gestartet && start.get().ok() && b)
        pruefung = std::async(std::launch::async, [&] { return b->pruefen(); });
    const bool geprueft = pruefung.valid() && bereit(pruefung);
    test::schreibeText(tmp / "los", "");
    ::close(geerbt);
    ::sigprocmask(SIG_SETMASK, &alt, nullptr);
    ::signal(SIGUSR2, vorher);
    ASSERT_TRUE(gestartet && b) << "der Start wartet auf das Programm";
    ASSERT_TRUE(geprueft) << "pruefen() wartet auf das Programm";
    EXPECT_FALSE(pruefung.get());
    pollfd p{b->descriptor(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10'000), 1);
    ASSERT_TRUE(b->pruefen());
    EXPECT_EQ(b->ende().status, GetParam().status);
    EXPECT_TRUE(b->ende().meldung == GetParam().meldung)
        << b->ende().meldung.size() << " Byte: " << b->ende().meldung.substr(0, 100);
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
    Ende{"keineGesperrtenSignale", {"/usr/bin/perl", "-e", "select(undef, undef, undef, 0.01) until -e 'los'; open(F, '/proc/self/status'); print STDERR grep(/^SigBlk/, <F>)"}, 0, "SigBlk:\t0000000000000000\n"},
    Ende{"keineIgnoriertenSignale", sh("exec grep SigIgn /proc/self/status >&2"), 0, "SigIgn:\t0000000000000000\n"},
    Ende{"erbtKeineDeskriptoren", sh("exec ls /proc/self/fd >&2"), 0, "0\n1\n2\n3\n"}),  // 3: ls's own
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace zorta
