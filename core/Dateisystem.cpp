#include "Dateisystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Pfade.h"
#include "Wechselmedium.h"

namespace zorta {

namespace {

Fehler oeffne(const std::string& pfad, int flags, Dateisystem::Handle* h) {
    const int fd = ::open(pfad.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0)
        return Fehler::ausErrno(errno, pfad);
    if ((flags & O_ACCMODE) == O_RDONLY) {
        // Pieces and joins read strictly front to back.
        (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    *h = fd;
    return {};
}

}  // namespace

Fehler Fehler::ausErrno(int err, const std::string& pfad) {
    if (err == ENOENT) {
        const std::string ordner = Ordner(pfad);
        struct stat st {};
        if (!ordner.empty() && (::stat(ordner.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
            return nummer(fehlernr::PfadNichtGefunden);
    }
    return ausErrno(err);
}

Fehler PosixDateisystem::oeffneLesen(const std::string& pfad, Handle* h) {
    // Opening a FIFO without a writer would wait for good; reads block again
    // afterwards, as the callers expect.
    if (Fehler f = oeffne(pfad, O_RDONLY | O_NONBLOCK, h); !f.ok())
        return f;
    const int flags = ::fcntl(*h, F_GETFL);
    if (flags < 0 || ::fcntl(*h, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        const int err = errno;
        ::close(*h);
        return Fehler::ausErrno(err, pfad);
    }
    struct stat st {};
    if (::fstat(*h, &st) == 0) {
        if (const Fehler f = lueckenSuchen(*h, st.st_size, st.st_blocks, pfad); !f.ok()) {
            (void)schliessen(*h);
            return f;
        }
    }
    return {};
}

Fehler PosixDateisystem::lueckenSuchen(Handle h, off_t laenge, blkcnt_t bloecke,
                                       const std::string& pfad) {
    // Only a file with fewer blocks than its length can have holes.
    if (bloecke * 512 < laenge) {
        const off_t luecke = ::lseek(h, 0, SEEK_HOLE);
        if (luecke >= 0 && luecke < laenge)
            luecken_[h] = {0, luecke};
        // SEEK_HOLE moved the position: reading from there would skip data.
        if (::lseek(h, 0, SEEK_SET) != 0)
            return Fehler::ausErrno(errno, pfad);
    }
    return {};
}

Fehler PosixDateisystem::oeffneNeu(const std::string& pfad, Handle* h) {
    return oeffne(pfad, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, h);
}

Fehler PosixDateisystem::laenge(Handle h, std::int64_t* n) {
    struct stat st {};
    if (::fstat(h, &st) != 0)
        return Fehler::ausErrno(errno);
    *n = st.st_size;
    return {};
}

Fehler PosixDateisystem::lueckenhaftLesen(Handle h, Lesestand& st, char* puffer, std::size_t n,
                                          std::size_t* gelesen) {
    std::size_t gesamt = 0;
    while (gesamt < n) {
        if (st.position < st.luecke) {
            const auto bis = static_cast<std::size_t>(st.luecke - st.position);
            const ssize_t r = ::read(h, puffer + gesamt, std::min(n - gesamt, bis));
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
                return Fehler::ausErrno(errno);
            if (r == 0)
                break;
            gesamt += static_cast<std::size_t>(r);
            st.position += r;
            continue;
        }
        // Inside a hole: zeros up to the next data, or up to the end.
        off_t daten = ::lseek(h, st.position, SEEK_DATA);
        if (daten < 0) {
            if (errno != ENXIO)
                return Fehler::ausErrno(errno);
            struct stat info {};
            if (::fstat(h, &info) != 0)
                return Fehler::ausErrno(errno);
            daten = info.st_size;
        }
        const auto nullen =
            std::min(n - gesamt, static_cast<std::size_t>(std::max<off_t>(daten - st.position, 0)));
        if (nullen == 0)
            break;
        std::memset(puffer + gesamt, 0, nullen);
        gesamt += nullen;
        st.position += static_cast<off_t>(nullen);
        if (st.position == daten) {
            st.luecke = ::lseek(h, st.position, SEEK_HOLE);
            if (st.luecke < 0 && errno != ENXIO)
                return Fehler::ausErrno(errno);
            if (st.luecke < 0)
                st.luecke = st.position;  // at the end: nothing more to read
        }
        if (::lseek(h, st.position, SEEK_SET) < 0)
            return Fehler::ausErrno(errno);
    }
    *gelesen = gesamt;
    return {};
}

Fehler PosixDateisystem::lesen(Handle h, char* puffer, std::size_t n, std::size_t* gelesen) {
    if (const auto st = luecken_.find(h); st != luecken_.end()) {
        return lueckenhaftLesen(h, st->second, puffer, n, gelesen);
    }
    std::size_t gesamt = 0;
    while (gesamt < n) {
        const ssize_t r = ::read(h, puffer + gesamt, n - gesamt);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return Fehler::ausErrno(errno);
        }
        if (r == 0)
            break;
        gesamt += static_cast<std::size_t>(r);
    }
    *gelesen = gesamt;
    return {};
}

Fehler PosixDateisystem::schreiben(Handle h, const char* daten, std::size_t n) {
    std::size_t gesamt = 0;
    while (gesamt < n) {
        const ssize_t w = ::write(h, daten + gesamt, n - gesamt);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return Fehler::ausErrno(errno);
        }
        gesamt += static_cast<std::size_t>(w);
    }
    return {};
}

Fehler PosixDateisystem::ueberspringen(Handle h, std::size_t n) {
    if (::lseek(h, static_cast<off_t>(n), SEEK_CUR) < 0)
        return Fehler::ausErrno(errno);
    return {};
}

Fehler PosixDateisystem::laengeAnPosition(Handle h) {
    const off_t position = ::lseek(h, 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(h, position) != 0)
        return Fehler::ausErrno(errno);
    return {};
}

Fehler PosixDateisystem::uebertragen(Handle von, Handle nach, std::size_t n, std::size_t* menge) {
    if (luecken_.count(von) != 0)
        return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
    for (;;) {
        const ssize_t r = ::copy_file_range(von, nullptr, nach, nullptr, n, 0);
        if (r >= 0) {
            *menge = static_cast<std::size_t>(r);
            return {};
        }
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
            errno == EBADF) {
            return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
        }
        return Fehler::ausErrno(errno);
    }
}

Fehler PosixDateisystem::schliessen(Handle h) {
    luecken_.erase(h);
    // Linux releases the descriptor even when close reports an error, so it
    // must not be retried on EINTR.
    if (::close(h) != 0 && errno != EINTR)
        return Fehler::ausErrno(errno);
    return {};
}

Fehler PosixDateisystem::loeschen(const std::string& pfad) {
    if (::unlink(pfad.c_str()) != 0)
        return Fehler::ausErrno(errno, pfad);
    return {};
}

Fehler PosixDateisystem::existiert(const std::string& pfad, bool* ja) {
    struct stat st {};
    if (::stat(pfad.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            *ja = false;
            return {};
        }
        return Fehler::ausErrno(errno, pfad);
    }
    *ja = S_ISREG(st.st_mode);
    return {};
}

Fehler PosixDateisystem::umbenennen(const std::string& von, const std::string& nach) {
    if (::rename(von.c_str(), nach.c_str()) != 0)
        return Fehler::ausErrno(errno, nach);
    return {};
}

Fehler PosixDateisystem::kennung(const std::string& pfad, Dateikennung* k) {
    struct stat st {};
    if (::stat(pfad.c_str(), &st) != 0)
        return Fehler::ausErrno(errno, pfad);
    *k = {st.st_dev, st.st_ino};
    return {};
}

Fehler PosixDateisystem::verzeichnis(const std::string& ordner, std::vector<std::string>* namen) {
    DIR* d = ::opendir(ordner.empty() ? "." : ordner.c_str());
    if (d == nullptr)
        return Fehler::ausErrno(errno, ordner);
    namen->clear();
    // NULL ends the list only while errno stays 0; else the folder could not
    // be read to its end (a pulled stick, an I/O error).
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(d);
        if (e == nullptr)
            break;
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            namen->push_back(name);
    }
    const int err = errno;
    ::closedir(d);
    if (err != 0) {
        namen->clear();
        return Fehler::ausErrno(err, ordner);
    }
    return {};
}

Fehler PosixDateisystem::sichern(Handle h) {
    while (::fsync(h) != 0) {
        if (errno != EINTR)
            return Fehler::ausErrno(errno);
    }
    return {};
}

Fehler PosixDateisystem::ordnerSichern(const std::string& ordner) {
    const int fd =
        ::open(ordner.empty() ? "." : ordner.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Fehler::ausErrno(errno, ordner);
    int r;
    while ((r = ::fsync(fd)) != 0 && errno == EINTR) {
    }
    const int err = errno;
    ::close(fd);
    // EINVAL: the file system keeps no folder of its own to flush; its
    // entries go to the medium with the files' data.
    if (r != 0 && err != EINVAL)
        return Fehler::ausErrno(err, ordner);
    return {};
}

Fehler PosixDateisystem::oeffneEntwurf(const std::string& pfad, Handle* h) {
    const auto gleich = [](const struct stat& a, const struct stat& b) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    };
    // Another process may take over or create the draft between our steps:
    // every step checks that the name still stands for the file it holds.
    for (int versuch = 0; versuch < 8; ++versuch) {
        const int fd =
            ::open(pfad.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            struct stat mein {
            }, dort{};
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &mein) == 0 &&
                ::lstat(pfad.c_str(), &dort) == 0 && gleich(mein, dort)) {
                *h = fd;
                return {};
            }
            ::close(fd);
            continue;
        }
        if (errno != EEXIST)
            return Fehler::ausErrno(errno, pfad);
        struct stat alt {};
        if (::lstat(pfad.c_str(), &alt) != 0)
            continue;
        if (S_ISDIR(alt.st_mode))
            return Fehler::nummer(fehlernr::DateiExistiert);
        if (S_ISREG(alt.st_mode)) {
            const int afd = ::open(pfad.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (afd < 0)
                continue;
            struct stat offen {
            }, dort{};
            const bool frei = ::flock(afd, LOCK_EX | LOCK_NB) == 0;
            const bool derselbe = ::fstat(afd, &offen) == 0 && ::lstat(pfad.c_str(), &dort) == 0 &&
                                  gleich(offen, dort);
            if (frei && derselbe)
                (void)::unlink(pfad.c_str());
            ::close(afd);
            if (!frei)
                return Fehler::nummer(fehlernr::DateiGeoeffnet);
            continue;
        }
        (void)::unlink(pfad.c_str());  // a link, FIFO or device: the entry, not its target
    }
    return Fehler::nummer(fehlernr::DateiExistiert);
}

Zielplatz PosixDateisystem::zielplatz(const std::string& ordner) {
    Zielplatz p;
    const char* o = ordner.empty() ? "." : ordner.c_str();
    struct statvfs sv {};
    if (::statvfs(o, &sv) == 0) {
        p.block = static_cast<std::int64_t>(sv.f_frsize != 0 ? sv.f_frsize : sv.f_bsize);
        p.frei = static_cast<std::int64_t>(sv.f_bavail) * p.block;
    }
    // The mount table names the type, for a FUSE mount too ("fuse.fusefat").
    if (char* echt = ::realpath(o, nullptr)) {
        const auto tabelle = einhaengungenLesen("/proc/self/mountinfo");
        if (const Einhaengung* e = einhaengungVon(tabelle, echt))
            p.art = e->typ.starts_with("fuse.") ? e->typ.substr(5) : e->typ;
        std::free(echt);
    }
    return p;
}

std::int64_t PosixDateisystem::belegt(const std::string& pfad) {
    struct stat st {};
    return ::stat(pfad.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_blocks) * 512 : -1;
}

Fehler PosixDateisystem::ordnerAnlegen(const std::string& pfad, bool* neu) {
    *neu = ::mkdir(pfad.c_str(), 0777) == 0;
    if (!*neu && errno != EEXIST)
        return Fehler::ausErrno(errno, pfad);
    return {};
}

Fehler PosixDateisystem::eintrag(const std::string& pfad, Eintragsart* art, bool* ausfuehrbar) {
    struct stat st {};
    if (::stat(pfad.c_str(), &st) != 0)
        return Fehler::ausErrno(errno, pfad);
    *art = S_ISREG(st.st_mode)   ? Eintragsart::Datei
           : S_ISDIR(st.st_mode) ? Eintragsart::Ordner
                                 : Eintragsart::Anderes;
    *ausfuehrbar = ::access(pfad.c_str(), X_OK) == 0;
    return {};
}

Fehler PosixDateisystem::oeffneTeil(const std::string& pfad, Handle* h, bool* datei) {
    // O_NONBLOCK: a FIFO put there must not hang the open; for the regular
    // file that alone is kept it changes nothing.
    const int fd = ::open(pfad.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    *datei = fd >= 0 || errno != ELOOP;
    if (fd < 0)
        return *datei ? Fehler::ausErrno(errno, pfad) : Fehler{};
    struct stat st {};
    const bool bekannt = ::fstat(fd, &st) == 0;
    const int err = errno;
    *datei = !bekannt || S_ISREG(st.st_mode);
    if (!bekannt || !*datei) {
        ::close(fd);
        return bekannt ? Fehler{} : Fehler::ausErrno(err);
    }
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    *h = fd;
    if (const Fehler f = lueckenSuchen(fd, st.st_size, st.st_blocks, pfad); !f.ok()) {
        (void)schliessen(fd);
        return f;
    }
    return {};
}

Fehler PosixDateisystem::oeffneVomMedium(const std::string& pfad, Handle* h) {
    if (Fehler f = oeffne(pfad, O_RDONLY, h); !f.ok())
        return f;
    // The file is flushed, so its cached pages are clean and can all go: the
    // reads then come from the medium. O_DIRECT would do the same but needs
    // aligned buffers, and not every file system of a stick takes it.
    if (::posix_fadvise(*h, 0, 0, POSIX_FADV_DONTNEED) != 0) {
        ::close(*h);
        return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
    }
    return {};
}

Fehler PosixDateisystem::oeffneWennDatei(const std::string& pfad, Handle* h, Fund* fund) {
    const int fd = ::open(pfad.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        struct stat st {};
        if (err == ENOENT && ::lstat(pfad.c_str(), &st) != 0 && errno == ENOENT) {
            *fund = Fund::Nichts;
            return {};
        }
        // A link into nowhere or in a circle, a socket: there, but nothing to read.
        if (err == ENOENT || err == ELOOP || err == ENXIO || err == EOPNOTSUPP) {
            *fund = Fund::Anderes;
            return {};
        }
        return Fehler::ausErrno(err, pfad);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        const bool anderes = st.st_mode != 0;
        ::close(fd);
        if (!anderes)
            return Fehler::ausErrno(err, pfad);
        *fund = Fund::Anderes;
        return {};
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int err = errno;
        ::close(fd);
        return Fehler::ausErrno(err, pfad);
    }
    *h = fd;
    *fund = Fund::Datei;
    return {};
}

Fehler PosixDateisystem::positionieren(Handle h, std::int64_t position) {
    if (::lseek(h, static_cast<off_t>(position), SEEK_SET) < 0)
        return Fehler::ausErrno(errno);
    if (const auto st = luecken_.find(h); st != luecken_.end()) {
        // Inside a hole SEEK_HOLE gives the position itself: zeros come next.
        const off_t luecke = ::lseek(h, static_cast<off_t>(position), SEEK_HOLE);
        st->second = {static_cast<off_t>(position),
                      luecke < 0 ? static_cast<off_t>(position) : luecke};
        if (::lseek(h, static_cast<off_t>(position), SEEK_SET) < 0)
            return Fehler::ausErrno(errno);
    }
    return {};
}

Fehler blockAusgeben(Dateisystem& fs, Dateisystem::Handle h, const char* daten, std::size_t n,
                     bool* offeneLuecke, std::size_t einheit) {
    const auto nullen = [](const char* p, std::size_t m) {
        return m > 0 && p[0] == 0 && std::memcmp(p, p + 1, m - 1) == 0;
    };
    if (einheit == 0)
        einheit = std::max<std::size_t>(n, 1);
    std::size_t anfang = 0;
    while (anfang < n) {
        const bool luecke = nullen(daten + anfang, std::min(einheit, n - anfang));
        std::size_t ende = anfang + std::min(einheit, n - anfang);
        while (ende < n && nullen(daten + ende, std::min(einheit, n - ende)) == luecke) {
            ende += std::min(einheit, n - ende);
        }
        const std::size_t menge = ende - anfang;
        if (Fehler f = luecke ? fs.ueberspringen(h, menge) : fs.schreiben(h, daten + anfang, menge);
            !f.ok()) {
            return f;
        }
        *offeneLuecke = luecke;
        anfang = ende;
    }
    return {};
}

std::string entwurfsname(const std::string& ziel) {
    constexpr std::size_t kNamensgrenze = 255;  // NAME_MAX of the usual file systems
    constexpr const char* kEndung = ".zorta";
    std::string name = "." + Dateiname(ziel) + kEndung;
    if (name.size() > kNamensgrenze) {
        // A long name keeps its start, and a hash of the whole keeps drafts
        // of different names apart.
        std::uint64_t h = 14695981039346656037ULL;
        for (const unsigned char c : Dateiname(ziel)) h = (h ^ c) * 1099511628211ULL;
        char kennung[20];
        std::snprintf(kennung, sizeof kennung, "~%016llx", static_cast<unsigned long long>(h));
        name = "." + Dateiname(ziel).substr(0, 200) + kennung + kEndung;
    }
    const std::string ordner = Ordner(ziel);
    return (ordner.empty() ? "" : Ordnerpraefix(ordner)) + name;
}

Fehler entwurfAnlegen(Dateisystem& fs, const std::string& ziel, OffeneDatei& datei,
                      std::string* entwurf) {
    const std::string name = entwurfsname(ziel);
    if (Fehler f = fs.oeffneEntwurf(name, datei.ziel()); !f.ok())
        return f;
    *entwurf = name;
    return {};
}

Fehler PosixDateisystem::stand(Handle h, Dateistand* s) {
    struct stat st {};
    if (::fstat(h, &st) != 0)
        return Fehler::ausErrno(errno);
    const auto ns = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    *s = {S_ISREG(st.st_mode) || S_ISBLK(st.st_mode), st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
    return {};
}

}  // namespace zorta
