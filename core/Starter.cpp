#include "Starter.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace zorta {

namespace {

[[noreturn]] void scheitere(int rohr, int err) {
    (void)!::write(rohr, &err, sizeof err);
    ::_exit(127);
}

}  // namespace

Fehler PosixStarter::starten(const Startauftrag& auftrag) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(auftrag.programm.c_str()));
    for (const auto& a : auftrag.argumente) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int rohr[2];
    if (::pipe2(rohr, O_CLOEXEC) != 0)
        return Fehler::ausErrno(errno);
    const pid_t kind = ::fork();
    if (kind < 0) {
        const int err = errno;
        ::close(rohr[0]);
        ::close(rohr[1]);
        return Fehler::ausErrno(err);
    }
    if (kind == 0) {
        ::close(rohr[0]);
        ::setsid();
        // A second fork leaves the program an orphan that init reaps, so it
        // runs on detached and never becomes our zombie.
        const pid_t enkel = ::fork();
        if (enkel < 0)
            scheitere(rohr[1], errno);
        if (enkel > 0)
            ::_exit(0);
        if (!auftrag.arbeitsordner.empty() && ::chdir(auftrag.arbeitsordner.c_str()) != 0) {
            scheitere(rohr[1], errno);
        }
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
        ::execv(auftrag.programm.c_str(), argv.data());
        scheitere(rohr[1], errno);
    }
    ::close(rohr[1]);
    int status = 0;
    while (::waitpid(kind, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = ::read(rohr[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(rohr[0]);
    if (n == static_cast<ssize_t>(sizeof err))
        return Fehler::ausErrno(err, auftrag.programm);
    return {};
}

}  // namespace zorta
