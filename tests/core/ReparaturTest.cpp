#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "Reparatur.h"
#include "Testhilfen.h"

namespace zorta {
namespace {

using test::Startprotokoll;
using test::Testordner;

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

TEST(PosixStarter, meldetFehlendeProgrammeUndStartetAbgekoppelt) {
    Testordner tmp;
    PosixStarter starter;
    Startauftrag fehlt;
    fehlt.programm = tmp / "gibt-es-nicht";
    EXPECT_EQ(starter.starten(fehlt).nummer(), 53);

    Startauftrag ordnerFehlt;
    ordnerFehlt.programm = "/bin/true";
    ordnerFehlt.arbeitsordner = tmp / "weg";
    EXPECT_FALSE(starter.starten(ordnerFehlt).ok());

    // The started program runs in its folder with output discarded.
    const std::string skript = tmp / "s";
    test::schreibeText(skript, "#!/bin/sh\npwd > ort\necho laut\n");
    ::chmod(skript.c_str(), 0755);
    Startauftrag a;
    a.programm = skript;
    a.arbeitsordner = tmp.pfad();
    a.versteckt = true;
    ASSERT_TRUE(starter.starten(a).ok());
    for (int i = 0; i < 200 && test::lies(tmp / "ort").empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(test::lies(tmp / "ort"), std::filesystem::canonical(tmp.pfad()).string() + "\n");
}

// A watched program: how it ended and the end of its error output come
// back without blocking; it inherits nothing of ours but 0-2.
struct Ende {
    const char* name;
    std::vector<std::string> befehl;  // after a pause of 0.1 s
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
    ASSERT_TRUE(starter.beobachtetStarten(a, &b).ok());
    ::close(geerbt);
    ::sigprocmask(SIG_SETMASK, &alt, nullptr);
    ::signal(SIGUSR2, vorher);
    ASSERT_TRUE(b);
    EXPECT_FALSE(b->pruefen());
    pollfd p{b->descriptor(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10'000), 1);
    ASSERT_TRUE(b->pruefen());
    EXPECT_EQ(b->ende().status, GetParam().status);
    EXPECT_TRUE(b->ende().meldung == GetParam().meldung)
        << b->ende().meldung.size() << " Byte: " << b->ende().meldung.substr(0, 100);
}
std::vector<std::string> sh(const std::string& skript) {
    return {"/bin/sh", "-c", "sleep 0.1; " + skript};
}
// clang-format off
INSTANTIATE_TEST_SUITE_P(Enden, BeobachtungTest, testing::Values(
    Ende{"erfolg", sh("echo fertig >&2"), 0, "fertig\n"},
    Ende{"status", sh("exit 3"), 3, ""},
    Ende{"signal", sh("kill -9 $$"), -1, ""},
    Ende{"letzte4KiB", sh("head -c 6000 /dev/zero | tr '\\0' a >&2; echo ende >&2"), 0, std::string(4091, 'a') + "ende\n"},
    // Not through a shell, which clears the mask itself.
    Ende{"keineGesperrtenSignale", {"/usr/bin/perl", "-e", "select(undef, undef, undef, 0.1); open(F, '/proc/self/status'); print STDERR grep(/^SigBlk/, <F>)"}, 0, "SigBlk:\t0000000000000000\n"},
    Ende{"keineIgnoriertenSignale", sh("exec grep SigIgn /proc/self/status >&2"), 0, "SigIgn:\t0000000000000000\n"},
    Ende{"erbtKeineDeskriptoren", sh("exec ls /proc/self/fd >&2"), 0, "0\n1\n2\n3\n"}),  // 3: ls's own
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace zorta
