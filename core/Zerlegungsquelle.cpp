#include "Zerlegungsquelle.h"

#include <utility>

namespace zorta {

namespace {

bool gueltig(std::optional<std::int64_t> teil) {
    return teil && *teil > 0;
}

}  // namespace

bool WartendeQuelle::anbieten(std::string pfad, bool laeuft) {
    if (laeuft)
        return false;
    pfad_ = std::move(pfad);
    return true;
}

bool WartendeQuelle::tipppauseAbwarten(std::optional<std::int64_t> getippt) const {
    return wartet() && gueltig(getippt);
}

std::optional<std::string> WartendeQuelle::nehmen(std::optional<std::int64_t> teil) {
    if (!wartet() || !gueltig(teil))
        return std::nullopt;
    return std::exchange(pfad_, std::string());
}

std::int64_t quellLaenge(Dateisystem& fs, const std::string& pfad) {
    std::int64_t laenge = -1;
    bool gewoehnlich = false;
    Dateisystem::Handle h = -1;
    if (fs.existiert(pfad, &gewoehnlich).ok() && gewoehnlich && fs.oeffneLesen(pfad, &h).ok()) {
        if (!fs.laenge(h, &laenge).ok())
            laenge = -1;
        (void)fs.schliessen(h);
    }
    return laenge;
}

}  // namespace zorta
