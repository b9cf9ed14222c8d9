#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "Fehler.h"
#include "Zielgrenzen.h"

namespace zorta {

// Identity of a file on disk: two paths name the same file when these match.
struct Dateikennung {
    dev_t geraet = 0;
    ino_t knoten = 0;
    bool operator==(const Dateikennung&) const = default;
};

// What a path names, links followed.
enum class Eintragsart { Datei, Ordner, Anderes };
// What fstat tells of an open file: enough to notice a source that was
// replaced or rewritten in place while it was read.
struct Dateistand {
    bool lesbar = false;  // an ordinary file or a block device, not a FIFO, socket or folder
    std::int64_t laenge = 0;
    std::int64_t geaendert = 0, statusGeaendert = 0;  // mtime and ctime in nanoseconds
    bool operator==(const Dateistand&) const = default;
};

// Every file operation of the cutting run and of the batch interpreter goes
// through this interface, so that tests can make any single one fail.
// Handles are small non-negative integers; a handle stays owned by the caller
// until schliessen(), which releases it even when it reports an error.
class Dateisystem {
  public:
    using Handle = int;

    virtual ~Dateisystem() = default;

    virtual Fehler oeffneLesen(const std::string& pfad, Handle* h) = 0;
    // Creates the file; fails with error 58 when the name is taken, by
    // anything, a link included: nothing is ever written through a link.
    virtual Fehler oeffneNeu(const std::string& pfad, Handle* h) = 0;
    // The current length of an open file.
    virtual Fehler laenge(Handle h, std::int64_t* n) = 0;
    // Reads up to `n` bytes; fewer only at the end of the file (0 there).
    virtual Fehler lesen(Handle h, char* puffer, std::size_t n, std::size_t* gelesen) = 0;
    // Writes all `n` bytes or fails.
    virtual Fehler schreiben(Handle h, const char* daten, std::size_t n) = 0;
    // Moves the write position on by `n` bytes, leaving zeros (a hole) behind.
    virtual Fehler ueberspringen(Handle h, std::size_t n) = 0;
    // Sets the file's length to the write position, so a trailing hole counts.
    virtual Fehler laengeAnPosition(Handle h) = 0;
    // Copies up to `n` bytes from `von` to `nach` inside the kernel, at both
    // positions; *menge is 0 at the end of `von`. Error 5 when this pair
    // cannot be copied that way (the caller then reads and writes itself).
    virtual Fehler uebertragen(Handle von, Handle nach, std::size_t n, std::size_t* menge) = 0;
    virtual Fehler schliessen(Handle h) = 0;
    // Removes the entry itself: a link, never its target. A folder fails.
    virtual Fehler loeschen(const std::string& pfad) = 0;
    // True for an existing ordinary file (not a folder, not a device).
    virtual Fehler existiert(const std::string& pfad, bool* ja) = 0;
    virtual Fehler umbenennen(const std::string& von, const std::string& nach) = 0;
    // Follows links, so two spellings of one file give one identity.
    virtual Fehler kennung(const std::string& pfad, Dateikennung* k) = 0;
    virtual Fehler verzeichnis(const std::string& ordner, std::vector<std::string>* namen) = 0;
    // Puts the file's data and length on the medium before returning (fsync).
    virtual Fehler sichern(Handle h) = 0;
    // Puts the folder's entries (names created, renamed or removed in it) on
    // the medium; a new file is found after a crash or a pulled stick only
    // once this and sichern() of the file have returned.
    virtual Fehler ordnerSichern(const std::string& ordner) = 0;
    // Creates the draft `pfad` and holds a lock on it while the handle is
    // open. An entry that a run which has ended left there is removed first
    // (a link or special file itself, never its target); a draft that a
    // running process holds gives error 70.
    virtual Fehler oeffneEntwurf(const std::string& pfad, Handle* h) { return oeffneNeu(pfad, h); }

    // What the cut checks before it writes: the target's type and free space.
    virtual Zielplatz zielplatz(const std::string& /*ordner*/) { return {}; }
    // The bytes a file takes on its medium, fewer than its length where it
    // has holes; -1 when unknown.
    virtual std::int64_t belegt(const std::string& /*pfad*/) { return -1; }
    // For the removable-media probe, the start rules and the settings store:
    // Makes the folder `pfad`; *neu is false when the name was taken already.
    virtual Fehler ordnerAnlegen(const std::string& pfad, bool* neu) = 0;
    // What `pfad` names and whether this process may run it; fails (53, 76)
    // when it names nothing.
    virtual Fehler eintrag(const std::string& pfad, Eintragsart* art, bool* ausfuehrbar) = 0;
    // Pieces of a join: their names must not lead out of the folder.
    // Opens `pfad` for reading like oeffneLesen when it is a regular file
    // reached without following a link at its last component; *datei is
    // false (and nothing opened) for a link, folder, FIFO or device. Every
    // implementation over real files overrides it.
    virtual Fehler oeffneTeil(const std::string& pfad, Handle* h, bool* datei) {
        *datei = true;
        return oeffneLesen(pfad, h);
    }
    // Checksum files and re-read pieces: files that count only when they are ordinary.
    enum class Fund { Nichts, Datei, Anderes };
    // What stands at `pfad`: Nichts (no entry at all), Datei (an ordinary
    // file, reached through links; *h is then open for reading) or Anderes (a
    // folder, FIFO, device, socket or a link that leads nowhere). Never waits
    // for a FIFO's writer.
    virtual Fehler oeffneWennDatei(const std::string& pfad, Handle* h, Fund* fund) = 0;
    // Read-back of pieces on removable media and writing a piece again.
    // Opens a file flushed by sichern() for reading from the medium itself,
    // not from the pages the writing left in memory.
    virtual Fehler oeffneVomMedium(const std::string& pfad, Handle* h) {
        return oeffneLesen(pfad, h);
    }
    // Sets the read position of a file opened for reading.
    virtual Fehler positionieren(Handle, std::int64_t) {
        return Fehler::nummer(fehlernr::UnzulaessigerAufruf);
    }
    // The state of an open file (fstat), for the cut's check of its source.
    virtual Fehler stand(Handle h, Dateistand* s) = 0;
};

// The real file system, thin over POSIX.
class PosixDateisystem final : public Dateisystem {
  public:
    Fehler oeffneLesen(const std::string& pfad, Handle* h) override;
    Fehler oeffneNeu(const std::string& pfad, Handle* h) override;
    Fehler laenge(Handle h, std::int64_t* n) override;
    Fehler lesen(Handle h, char* puffer, std::size_t n, std::size_t* gelesen) override;
    Fehler schreiben(Handle h, const char* daten, std::size_t n) override;
    Fehler ueberspringen(Handle h, std::size_t n) override;
    Fehler laengeAnPosition(Handle h) override;
    Fehler uebertragen(Handle von, Handle nach, std::size_t n, std::size_t* menge) override;
    Fehler schliessen(Handle h) override;
    Fehler loeschen(const std::string& pfad) override;
    Fehler existiert(const std::string& pfad, bool* ja) override;
    Fehler umbenennen(const std::string& von, const std::string& nach) override;
    Fehler kennung(const std::string& pfad, Dateikennung* k) override;
    Fehler verzeichnis(const std::string& ordner, std::vector<std::string>* namen) override;
    Fehler sichern(Handle h) override;
    Fehler ordnerSichern(const std::string& ordner) override;
    Fehler oeffneEntwurf(const std::string& pfad, Handle* h) override;
    Fehler ordnerAnlegen(const std::string& pfad, bool* neu) override;
    Fehler eintrag(const std::string& pfad, Eintragsart* art, bool* ausfuehrbar) override;

    Zielplatz zielplatz(const std::string& ordner) override;
    std::int64_t belegt(const std::string& pfad) override;
    Fehler oeffneTeil(const std::string& pfad, Handle* h, bool* datei) override;
    Fehler oeffneWennDatei(const std::string& pfad, Handle* h, Fund* fund) override;

    Fehler oeffneVomMedium(const std::string& pfad, Handle* h) override;
    Fehler positionieren(Handle h, std::int64_t position) override;

    Fehler stand(Handle h, Dateistand* s) override;

  private:
    Fehler lueckenSuchen(Handle h, off_t laenge, blkcnt_t bloecke, const std::string& pfad);
    // The holes of a sparse source give their zeros without being read, so
    // that cutting a mostly empty disk image costs no more than its data.
    struct Lesestand {
        off_t position = 0;
        off_t luecke = 0;  // where the next hole begins
    };
    Fehler lueckenhaftLesen(Handle h, Lesestand& st, char* puffer, std::size_t n,
                            std::size_t* gelesen);
    std::unordered_map<Handle, Lesestand> luecken_;  // only files with a hole
};

// Closes a handle when it goes out of scope unless released; for the paths
// on which a failure has already been reported.
class OffeneDatei {
  public:
    explicit OffeneDatei(Dateisystem& fs) : fs_(fs) {}
    ~OffeneDatei() { zu(); }
    OffeneDatei(const OffeneDatei&) = delete;
    OffeneDatei& operator=(const OffeneDatei&) = delete;

    Dateisystem::Handle* ziel() { return &h_; }
    Dateisystem::Handle handle() const { return h_; }
    bool offen() const { return h_ >= 0; }
    // Closes and reports the result of closing (a full disk may show here).
    Fehler schliessen() {
        if (h_ < 0)
            return {};
        const auto h = h_;
        h_ = -1;
        return fs_.schliessen(h);
    }
    void zu() { (void)schliessen(); }

  private:
    Dateisystem& fs_;
    Dateisystem::Handle h_ = -1;
};

// Writes `n` bytes of output, leaving each run of all-zero units of `einheit`
// bytes (0: the whole block is one unit) as a hole and writing each run of
// the others with one call, so that sparse sources give sparse output.
// *offeneLuecke tells the caller whether the output now ends in a hole that
// laengeAnPosition must close.
Fehler blockAusgeben(Dateisystem& fs, Dateisystem::Handle h, const char* daten, std::size_t n,
                     bool* offeneLuecke, std::size_t einheit = 0);

// Creates the draft of `ziel` beside it under a hidden name of its own, for
// output that is renamed over `ziel` only once it is complete. The name
// depends on `ziel` alone and never exceeds the file-name limit, so a run
// that was killed leaves at most one draft, which the next run for the same
// destination takes over. On success `datei` holds the open draft and
// *entwurf its path.
Fehler entwurfAnlegen(Dateisystem& fs, const std::string& ziel, OffeneDatei& datei,
                      std::string* entwurf);
// The path of the draft of `ziel`.
std::string entwurfsname(const std::string& ziel);

}  // namespace zorta
