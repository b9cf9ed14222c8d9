#include <gtest/gtest.h>

#include "WartendeQuelle.h"

using Groesse = std::optional<std::int64_t>;
// A source offered (during a run or not), a size typed, then a size set.
struct Fall {
    const char* name;
    bool laeuft;
    Groesse getippt, teil;
    bool tipppause, genommen;
};
class WartendeQuelleTest : public testing::TestWithParam<Fall> {};

TEST_P(WartendeQuelleTest, WartetAufEineGueltigeGroesse) {
    const Fall& f = GetParam();
    zorta::WartendeQuelle q;
    EXPECT_EQ(q.anbieten("/a/BILD.ZIP", f.laeuft), !f.laeuft);
    EXPECT_EQ(q.tipppauseAbwarten(f.getippt), f.tipppause);
    EXPECT_EQ(q.nehmen(f.teil),
              f.genommen ? std::optional<std::string>("/a/BILD.ZIP") : std::nullopt);
    // A source kept waiting is taken later; a source is taken once at most.
    EXPECT_EQ(q.nehmen(1024).has_value(), !f.laeuft && !f.genommen);
}

INSTANTIATE_TEST_SUITE_P(
    Regeln, WartendeQuelleTest,
    testing::Values(Fall{"Gueltig", false, 1024, 1024, true, true},
                    Fall{"WaehrendLauf", true, 1024, 1024, false, false},
                    Fall{"Null", false, 0, 0, false, false},
                    Fall{"KeineZahl", false, {}, {}, false, false},
                    Fall{"VorgabeNachUngueltigem", false, {}, 1433600, false, true}),
    [](const auto& i) { return std::string(i.param.name); });
