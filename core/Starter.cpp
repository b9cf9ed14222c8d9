#include "Starter.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace zorta {

namespace {

constexpr std::size_t kMeldungHoechstens = 4096;

// The descriptors of a start that failed; -1 stands for one never opened.
void alleSchliessen(std::initializer_list<int> fds) {
    for (const int fd : fds) {
        if (fd >= 0)
            ::close(fd);
    }
}

[[noreturn]] void scheitere(int rohr, int err) {
    (void)!::write(rohr, &err, sizeof err);
    ::_exit(127);
}

// Closes (or, with CLOSE_RANGE_CLOEXEC, marks) every descriptor from `von` up.
void abVonSchliessen(unsigned von, unsigned bis, int art) {
    if (von > bis)
        return;
    if (::syscall(SYS_close_range, von, bis, art) == 0)
        return;
    rlimit r{};
    const unsigned grenze =
        ::getrlimit(RLIMIT_NOFILE, &r) == 0 && r.rlim_cur < 65536 ? r.rlim_cur : 65536;
    for (unsigned fd = von; fd <= bis && fd < grenze; ++fd) {
        if (art == 0)
            ::close(static_cast<int>(fd));
        else
            ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    }
}

// In the watcher, which runs as long as the program: holds nothing of ours
// but its two pipes.
void allesSchliessenAusser(int a, int b) {
    if (a > b)
        std::swap(a, b);
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3 && null >= 0; ++fd) {
        if (fd != a && fd != b)
            ::dup2(null, fd);
    }
    if (null > 2 && null != a && null != b)
        ::close(null);
    abVonSchliessen(3, static_cast<unsigned>(a) - 1, 0);
    abVonSchliessen(static_cast<unsigned>(a) + 1, static_cast<unsigned>(b) - 1, 0);
    abVonSchliessen(static_cast<unsigned>(b) + 1, ~0U, 0);
}

// In the program's process, before exec: only 0-2 survive the exec (the
// CLOEXEC error pipe stays usable until then), nothing blocked or ignored.
void programmVorbereiten(const Startauftrag& auftrag, int fehlerAusgabe) {
    if (auftrag.versteckt) {
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            if (null > 2)
                ::close(null);
        }
    }
    if (fehlerAusgabe >= 0)
        ::dup2(fehlerAusgabe, 2);
    abVonSchliessen(3, ~0U, CLOSE_RANGE_CLOEXEC);
    sigset_t leer;
    sigemptyset(&leer);
    ::sigprocmask(SIG_SETMASK, &leer, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP)
            ::signal(sig, SIG_DFL);
    }
}

// The watcher's report: the status, the length of the output, the output.
struct Bericht : Programmende {
    bool ganz = false;
};
Bericht berichtLesen(const std::string& roh) {
    Bericht b;
    std::uint32_t laenge = 0;
    if (roh.size() < sizeof b.status + sizeof laenge)
        return b;
    std::memcpy(&b.status, roh.data(), sizeof b.status);
    std::memcpy(&laenge, roh.data() + sizeof b.status, sizeof laenge);
    b.meldung = roh.substr(sizeof b.status + sizeof laenge, laenge);
    b.ganz = b.meldung.size() == laenge;
    if (!b.ganz)
        b.status = -1;  // the watcher died half way
    return b;
}

class PosixBeobachtung final : public Beobachtung {
  public:
    explicit PosixBeobachtung(int fd) : fd_(fd) {}
    ~PosixBeobachtung() override { ::close(fd_); }
    int descriptor() const override { return fd_; }
    bool pruefen() override {
        if (fertig_)
            return true;
        char puffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd_, puffer, sizeof puffer);
            if (n > 0) {
                roh_.append(puffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {  // EAGAIN: still running, or the report is not all there
                if (!berichtLesen(roh_).ganz)
                    return false;
            }
            break;
        }
        fertig_ = true;
        ende_ = berichtLesen(roh_);
        return true;
    }
    const Programmende& ende() const override { return ende_; }

  private:
    int fd_;
    bool fertig_ = false;
    std::string roh_;
    Programmende ende_;
};

// In the watcher: keeps the last 4 KiB of the program's error output, then
// reports how it ended.
[[noreturn]] void beobachten(pid_t programm, int ausgabe, int bericht) {
    std::string meldung;
    char puffer[4096];
    for (;;) {
        const ssize_t n = ::read(ausgabe, puffer, sizeof puffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        meldung.append(puffer, static_cast<std::size_t>(n));
        if (meldung.size() > 2 * kMeldungHoechstens)
            meldung.erase(0, meldung.size() - kMeldungHoechstens);
    }
    if (meldung.size() > kMeldungHoechstens)
        meldung.erase(0, meldung.size() - kMeldungHoechstens);
    int status = 0;
    pid_t r;
    while ((r = ::waitpid(programm, &status, 0)) < 0 && errno == EINTR) {
    }
    const int ende = r == programm && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto laenge = static_cast<std::uint32_t>(meldung.size());
    std::string text(reinterpret_cast<const char*>(&ende), sizeof ende);
    text.append(reinterpret_cast<const char*>(&laenge), sizeof laenge);
    text += meldung;
    for (std::size_t w = 0; w < text.size();) {
        const ssize_t n = ::write(bericht, text.data() + w, text.size() - w);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // nobody listens any more
        w += static_cast<std::size_t>(n);
    }
    ::_exit(0);
}

}  // namespace

Fehler PosixStarter::starten(const Startauftrag& auftrag) {
    return start(auftrag, nullptr);
}

Fehler PosixStarter::beobachtetStarten(const Startauftrag& auftrag,
                                       std::unique_ptr<Beobachtung>* beobachtung) {
    beobachtung->reset();
    return start(auftrag, beobachtung);
}

Fehler PosixStarter::start(const Startauftrag& auftrag, std::unique_ptr<Beobachtung>* beobachtung) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(auftrag.programm.c_str()));
    for (const auto& a : auftrag.argumente) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int rohr[2];
    int bericht[2] = {-1, -1};
    if (::pipe2(rohr, O_CLOEXEC) != 0)
        return Fehler::ausErrno(errno);
    // The window polls the report; a read end that could block would hang it,
    // so that failing is a failure to start.
    if (beobachtung &&
        (::pipe2(bericht, O_CLOEXEC) != 0 || ::fcntl(bericht[0], F_SETFL, O_NONBLOCK) != 0)) {
        const int err = errno;
        alleSchliessen({rohr[0], rohr[1], bericht[0], bericht[1]});
        return Fehler::ausErrno(err);
    }
    const pid_t kind = ::fork();
    if (kind < 0) {
        const int err = errno;
        alleSchliessen({rohr[0], rohr[1], bericht[0], bericht[1]});
        return Fehler::ausErrno(err);
    }
    if (kind == 0) {
        ::close(rohr[0]);
        if (bericht[0] >= 0)
            ::close(bericht[0]);
        ::setsid();
        // A second fork leaves the program (or its watcher) an orphan that
        // init reaps, so it runs on detached and never becomes our zombie.
        const pid_t enkel = ::fork();
        if (enkel < 0)
            scheitere(rohr[1], errno);
        if (enkel > 0)
            ::_exit(0);
        int ausgabe[2] = {-1, -1};
        if (beobachtung) {
            // The watcher ignores a gone reader; the program must not inherit that.
            ::signal(SIGPIPE, SIG_IGN);
            if (::pipe2(ausgabe, O_CLOEXEC) != 0)
                scheitere(rohr[1], errno);
            const pid_t programm = ::fork();
            if (programm < 0)
                scheitere(rohr[1], errno);
            if (programm > 0) {
                ::close(rohr[1]);
                ::close(ausgabe[1]);
                allesSchliessenAusser(ausgabe[0], bericht[1]);
                beobachten(programm, ausgabe[0], bericht[1]);
            }
        }
        if (!auftrag.arbeitsordner.empty() && ::chdir(auftrag.arbeitsordner.c_str()) != 0) {
            scheitere(rohr[1], errno);
        }
        programmVorbereiten(auftrag, ausgabe[1]);
        ::execv(auftrag.programm.c_str(), argv.data());
        scheitere(rohr[1], errno);
    }
    ::close(rohr[1]);
    if (bericht[1] >= 0)
        ::close(bericht[1]);
    int status = 0;
    while (::waitpid(kind, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = ::read(rohr[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(rohr[0]);
    if (n == static_cast<ssize_t>(sizeof err)) {
        if (bericht[0] >= 0)
            ::close(bericht[0]);
        return Fehler::ausErrno(err, auftrag.programm);
    }
    if (beobachtung) {
        *beobachtung = std::make_unique<PosixBeobachtung>(bericht[0]);
    }
    return {};
}

}  // namespace zorta
