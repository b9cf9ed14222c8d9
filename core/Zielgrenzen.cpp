#include "Zielgrenzen.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Dateisystem.h"
#include "Grenzen.h"
#include "Pfade.h"

namespace zorta {

namespace {

// The FAT family stores a file's length in 32 bits.
constexpr std::int64_t kFatDateiHoechstens = 4'294'967'295;

bool istFat(const std::string& art) {
    return art == "vfat" || art == "msdos" || art == "fusefat";
}

bool fatTauglich(const std::string& name) {
    std::size_t einheiten = 0;
    for (const char zeichen : name) {
        const auto c = static_cast<unsigned char>(zeichen);
        if (c < 0x20 || c == 0x7f || std::strchr("\"*/:<>?\\|", c) != nullptr)
            return false;
        // UTF-8 to UTF-16: one unit per character, two above U+FFFF.
        einheiten += (c & 0xc0) != 0x80 ? 1 + (c >= 0xf0) : 0;
    }
    return !name.empty() && name.back() != '.' && name.back() != ' ' && einheiten <= 255;
}

std::int64_t belegung(std::int64_t laenge, std::int64_t block) {
    return block > 1 ? (laenge + block - 1) / block * block : laenge;
}

// Digits in groups of three, separated by dots.
std::string gruppiert(std::int64_t n) {
    const std::string ziffern = std::to_string(n);
    std::string text;
    for (std::size_t i = 0; i < ziffern.size(); ++i) {
        if (i > 0 && (ziffern.size() - i) % 3 == 0)
            text += '.';
        text += ziffern[i];
    }
    return text;
}

std::string megabyte(std::int64_t bytes) {
    const std::int64_t zehntel = (bytes + 50'000) / 100'000;
    return gruppiert(zehntel / 10) + "," + std::to_string(zehntel % 10) + " MB";
}

// "gebraucht 12,4 MB, frei 3,1 MB" (MB of 1,000,000 bytes), in bytes when
// the two would read the same.
std::string platzangabe(std::int64_t gebraucht, std::int64_t frei) {
    std::string g = megabyte(gebraucht), f = megabyte(frei);
    if (g == f)
        g = gruppiert(gebraucht) + " Bytes", f = gruppiert(frei) + " Bytes";
    return "gebraucht " + g + ", frei " + f;
}

}  // namespace

Zieljob zieljob(const std::string& quelldatei, const std::string& stamm, std::int64_t quellgroesse,
                std::int64_t teilgroesse, std::int64_t anzahl, bool mitSumme,
                std::int64_t batchgroesse, std::int64_t belegtQuelle, bool wechselbar) {
    Zieljob job;
    job.quellname = Dateiname(quelldatei);
    job.stamm = stamm;
    job.quellgroesse = quellgroesse;
    job.teilgroesse = teilgroesse;
    job.anzahl = anzahl;
    job.batch = batchgroesse;
    // The checksum file: a line for the whole file, one for each piece but
    // one named like the source (see the cut).
    if (mitSumme) {
        job.summe = static_cast<std::int64_t>(64 + 2 + job.quellname.size() + 1);
        for (std::int64_t nr = 1; nr <= anzahl; ++nr) {
            const std::string stueck = stamm + Stuecknummer(nr);
            if (stueck != job.quellname)
                job.summe += static_cast<std::int64_t>(64 + 2 + stueck.size() + 1);
        }
    }
    job.lueckenhaft = belegtQuelle >= 0 && belegtQuelle < quellgroesse;
    job.wechselbar = wechselbar;
    return job;
}

namespace {

std::int64_t bedarf(const Zieljob& job, std::int64_t nr, std::int64_t block) {
    if (nr == 0)
        return (job.anzahl - 1) * belegung(job.teilgroesse, block) + bedarf(job, job.anzahl, block);
    if (nr < job.anzahl)
        return belegung(job.teilgroesse, block);
    return belegung(job.quellgroesse - (job.anzahl - 1) * job.teilgroesse, block) +
           belegung(job.batch, block) + (job.summe > 0 ? belegung(job.summe, block) : 0);
}

Zielplatz platzFuer(Dateisystem& fs, const std::string& ordner, const Zieljob& job,
                    std::int64_t nr) {
    Zielplatz p = fs.zielplatz(ordner);
    if (p.frei < 0 || job.lueckenhaft || (nr == 0 && job.wechselbar) ||
        bedarf(job, nr, p.block) <= p.frei)
        return p;
    // The old files the run replaces: on a fixed target all, removed before
    // the first piece; on a stick the piece removed just before it is
    // written, and on the first medium the old batch and checksum files.
    const std::string stamm = Ordnerpraefix(ordner) + job.stamm;
    std::vector<std::string> alte;
    if (nr <= 1) {
        alte.push_back(stamm + "bat");
        if (job.summe > 0)
            alte.push_back(stamm + "sha256");
    }
    const auto bis = std::min<std::int64_t>(nr == 0 ? job.anzahl : nr, kTeileHoechstens);
    for (std::int64_t k = std::max<std::int64_t>(nr, 1); k <= bis; ++k)
        alte.push_back(stamm + Stuecknummer(k));
    for (const auto& pfad : alte) p.frei += std::max<std::int64_t>(fs.belegt(pfad), 0);
    return p;
}

}  // namespace

std::string zielAblehnung(Dateisystem& fs, const std::string& ordner, const Zieljob& job) {
    const Zielplatz platz = platzFuer(fs, ordner, job, 0);
    if (istFat(platz.art)) {
        if (std::min(job.teilgroesse, job.quellgroesse) > kFatDateiHoechstens) {
            return "Das Zielverzeichnis liegt auf einem FAT-Datenträger, der keine Datei über "
                   "4.294.967.295 Bytes aufnimmt. Geben Sie bitte eine Teilgröße von höchstens " +
                   std::to_string(kFatDateiHoechstens / 1024) +
                   " KByte ein und wählen Sie die Quelldatei erneut aus !";
        }
        for (const auto& name : {job.quellname, job.stamm + Stuecknummer(job.anzahl)}) {
            if (!fatTauglich(name)) {
                return "Der Name „" + name +
                       "“ kann auf dem FAT-Datenträger des Zielverzeichnisses nicht stehen "
                       "(nicht erlaubt sind \" * / : < > ? \\ |, Steuerzeichen, ein Punkt oder "
                       "Leerzeichen am Ende und mehr als 255 Zeichen). Benennen Sie die Datei "
                       "bitte um oder wählen Sie ein anderes Zielverzeichnis !";
            }
        }
    }
    // Holes in the source stay holes in the pieces, so what they take is not
    // known before they are written.
    if (job.wechselbar || job.lueckenhaft || platz.frei < 0)
        return "";
    const std::int64_t gebraucht = bedarf(job, 0, platz.block);
    if (gebraucht <= platz.frei)
        return "";
    return "Im Zielverzeichnis ist nicht genug Platz für die Teile, die Batchdatei und die "
           "Prüfsummendatei (" +
           platzangabe(gebraucht, platz.frei) +
           "). Schaffen Sie bitte Platz oder wählen Sie ein anderes Zielverzeichnis !";
}

std::string platzMangel(Dateisystem& fs, const std::string& ordner, const Zieljob& job,
                        std::int64_t nr) {
    const Zielplatz platz = platzFuer(fs, ordner, job, nr);
    if (job.lueckenhaft || platz.frei < 0)
        return "";
    const std::int64_t gebraucht = bedarf(job, nr, platz.block);
    if (gebraucht <= platz.frei)
        return "";
    const std::string stueck = job.stamm + Stuecknummer(nr);
    return "Auf diesem Datenträger ist nicht genug Platz für " +
           (nr < job.anzahl ? stueck
            : job.summe > 0 ? stueck + ", die Batchdatei und die Prüfsummendatei"
                            : stueck + " und die Batchdatei") +
           " (" + platzangabe(gebraucht, platz.frei) + ").";
}

Fehler nameAbgelehnt(const Fehler& f, const std::string& pfad) {
    if (f.nummer() != 52)
        return f;
    return Fehler(52,
                  "Das Dateisystem des Ziels nimmt den Namen „" + Dateiname(pfad) + "“ nicht an");
}

}  // namespace zorta
