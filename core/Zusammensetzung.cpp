#include "Zusammensetzung.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "Pfade.h"
#include "Stapel.h"

namespace zorta {

namespace {

constexpr std::size_t kPuffer = 1024 * 1024;
constexpr std::size_t kUebertragung = 16 * 1024 * 1024;

// The draft of the running join, for the signal handler.
char gEntwurf[4096];
volatile sig_atomic_t gEntwurfDa = 0;

void entwurfMerken(const std::string& pfad) {
    gEntwurfDa = 0;
    if (pfad.size() < sizeof gEntwurf) {
        std::memcpy(gEntwurf, pfad.c_str(), pfad.size() + 1);
        gEntwurfDa = 1;
    }
}

extern "C" void beiSignal(int sig) {
    if (gEntwurfDa)
        (void)::unlink(gEntwurf);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

}  // namespace

bool pruefsummeStimmt(const std::string& erwartet, const std::string& berechnet) {
    return berechnet == erwartet;
}

Zusammensetzung::Zusammensetzung(Dateisystem& fs, std::string ziel, std::string ordner,
                                 std::string erwartet)
    : fs_(fs),
      ziel_(std::move(ziel)),
      ordner_(std::move(ordner)),
      erwartet_(std::move(erwartet)),
      aus_(fs) {
    if (!erwartet_.empty())
        hash_ = std::make_unique<Pruefsumme>();
}

Fehler Zusammensetzung::anlegen() {
    if (Fehler f = entwurfAnlegen(fs_, ziel_, aus_, &entwurf_); !f.ok())
        return f;
    entwurfMerken(entwurf_);
    return {};
}

void Zusammensetzung::verwerfen() {
    aus_.zu();
    if (!entwurf_.empty())
        (void)fs_.loeschen(entwurf_);
    entwurf_.clear();
    gEntwurfDa = 0;
}

Fehler Zusammensetzung::anhaengen(const std::vector<std::string>& pfade, std::string* keineDatei) {
    for (const auto& q : pfade) {
        OffeneDatei ein(fs_);
        bool datei = true;
        if (Fehler f = fs_.oeffneTeil(q, ein.ziel(), &datei); !f.ok())
            return f;
        if (!datei) {
            *keineDatei = Dateiname(q);
            return {};
        }
        if (Fehler f = quelleAnhaengen(ein.handle()); !f.ok())
            return f;
        if (Fehler f = ein.schliessen(); !f.ok())
            return f;
    }
    return {};
}

Fehler Zusammensetzung::quelleAnhaengen(Dateisystem::Handle ein) {
    // In the kernel where no hash is needed (no copy through user space); a
    // source with holes goes through the buffer so they stay holes.
    bool imKern = hash_ == nullptr;
    if (!hash_ && !puffer_)
        puffer_ = std::make_unique<char[]>(kPuffer);
    for (;;) {
        std::size_t menge = 0;
        if (imKern) {
            Fehler f = fs_.uebertragen(ein, aus_.handle(), kUebertragung, &menge);
            if (f.nummer() == fehlernr::UnzulaessigerAufruf) {
                imKern = false;
                continue;
            }
            if (!f.ok() || menge == 0)
                return f;
            luecke_ = false;
            continue;
        }
        // Through the hasher's buffers: one is hashed while the next is filled.
        char* puffer = hash_ ? hash_->puffer() : puffer_.get();
        const std::size_t groesse = hash_ ? hash_->blockgroesse() : kPuffer;
        if (Fehler f = fs_.lesen(ein, puffer, groesse, &menge); !f.ok())
            return f;
        if (hash_)
            hash_->einspeisen(menge);  // one per buffer taken, the empty last one too
        if (menge == 0)
            return {};
        if (Fehler f = blockAusgeben(fs_, aus_.handle(), puffer, menge, &luecke_); !f.ok())
            return f;
    }
}

Zusammensetzung::Ende Zusammensetzung::abschliessen(Fehler* fehler) {
    Fehler f = luecke_ ? fs_.laengeAnPosition(aus_.handle()) : Fehler{};
    std::string summe;
    if (f.ok() && hash_)
        f = hash_->ergebnis(&summe);
    if (f.ok() && hash_ && !pruefsummeStimmt(erwartet_, summe)) {
        verwerfen();
        return Ende::SummeFalsch;
    }
    // Flushed before the rename: a crash or a pulled stick right after it
    // must not leave an empty or short file where a good one stood.
    if (f.ok())
        f = fs_.sichern(aus_.handle());
    if (f.ok())
        f = aus_.schliessen();
    if (f.ok())
        f = fs_.umbenennen(entwurf_, ziel_);
    if (!f.ok()) {
        verwerfen();
        *fehler = f;
        return Ende::Fehlgeschlagen;
    }
    entwurf_.clear();
    gEntwurfDa = 0;
    *fehler = fs_.ordnerSichern(ordner_);
    return fehler->ok() ? Ende::Fertig : Ende::OrdnerUngesichert;
}

void stapelSignaleAbfangen() {
    struct sigaction sa {};
    sa.sa_handler = beiSignal;
    sigemptyset(&sa.sa_mask);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

}  // namespace zorta
