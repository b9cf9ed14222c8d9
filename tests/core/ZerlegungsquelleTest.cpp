#include <gtest/gtest.h>

#include "Zerlegungsquelle.h"

TEST(WartendeQuelleTest, WartetAufEineGueltigeGroesse) {
    using G = std::optional<std::int64_t>;
    // Offered during a run or not, a size typed, then a size set: whether
    // the typing pause is to take it, whether the size takes it.
    const std::tuple<const char*, bool, G, G, bool, bool> faelle[] = {
        {"gültig", false, 1024, 1024, true, true},
        {"während eines Laufs", true, 1024, 1024, false, false},
        {"null", false, 0, 0, false, false},
        {"keine Zahl", false, {}, {}, false, false},
        {"Vorgabe nach ungültiger Eingabe", false, {}, 1433600, false, true}};
    for (const auto& [name, laeuft, getippt, teil, tipppause, genommen] : faelle) {
        SCOPED_TRACE(name);
        zorta::WartendeQuelle q;
        EXPECT_EQ(q.anbieten("/a/BILD.ZIP", laeuft), !laeuft);
        EXPECT_EQ(q.tipppauseAbwarten(getippt), tipppause);
        EXPECT_EQ(q.nehmen(teil),
                  genommen ? std::optional<std::string>("/a/BILD.ZIP") : std::nullopt);
        // A source kept waiting is taken later; a source is taken once at most.
        EXPECT_EQ(q.nehmen(1024).has_value(), !laeuft && !genommen);
    }
}
