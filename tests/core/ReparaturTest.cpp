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

struct Startfall {
    const char* name;
    std::string datei;
    mode_t rechte;
    bool interpreter;  // else started directly
};
class StartauftragTest : public testing::TestWithParam<Startfall> {};
TEST_P(StartauftragTest, batchdateienLaufenImInterpreterProgrammeDirekt) {
    Testordner tmp;
    const std::string pfad = tmp / GetParam().datei;
    test::schreibeText(pfad, "@echo off\r\n");
    ::chmod(pfad.c_str(), GetParam().rechte);
    Startprotokoll starter;
    std::unique_ptr<Beobachtung> beobachtung;
    ASSERT_TRUE(batchdateiBeobachtetStarten(pfad, "/opt/zorta-batch", starter, &beobachtung).ok());
    ASSERT_EQ(starter.auftraege.size(), 1u);
    Startauftrag erwartet;
    erwartet.programm = GetParam().interpreter ? "/opt/zorta-batch" : pfad;
    if (GetParam().interpreter)
        erwartet.argumente = {pfad};
    erwartet.arbeitsordner = tmp.pfad();
    erwartet.versteckt = true;
    erwartet.abgekoppelt = true;
    EXPECT_EQ(starter.auftraege[0], erwartet);
    EXPECT_EQ(test::lies(pfad), "@echo off\r\n");  // never rewritten
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Dateien, StartauftragTest, testing::Values(
    Startfall{"bat", "BILD.bat", 0644, true},
    Startfall{"nurEndung", ".bat", 0644, true},
    Startfall{"grossBAT", "BILD.BAT", 0644, true},
    Startfall{"cmd", "bild.Cmd", 0644, true},
    Startfall{"blankImNamen", "mein bild.bat", 0644, true},
    Startfall{"programm", "werkzeug", 0755, false}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(Reparatur, nichtStartbareDateienGebenFehler5OderFehlt) {
    Testordner tmp;
    test::schreibeText(tmp / "liesmich.txt", "text");
    std::filesystem::create_directory(tmp / "ordner.bat");
    Startprotokoll starter;
    EXPECT_EQ(batchdateiStarten(tmp / "liesmich.txt", "/x", starter).nummer(), 5);
    EXPECT_EQ(batchdateiStarten(tmp / "ordner.bat", "/x", starter).nummer(), 5);
    EXPECT_EQ(batchdateiStarten(tmp / "weg.bat", "/x", starter).nummer(), 53);
    EXPECT_TRUE(starter.auftraege.empty());
}

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
