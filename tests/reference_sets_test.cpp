#include "reference/reference_sets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "reference/reference_list_file.h"
#include "state/cp1251.h"
#include "state/errors.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

const ReferenceIon* Find(const std::vector<ReferenceIon>& ions, const std::string& name) {
    const auto at = std::find_if(ions.begin(), ions.end(),
                                 [&](const ReferenceIon& i) { return i.name == name; });
    return at == ions.end() ? nullptr : &*at;
}

bool Ascending(const std::vector<ReferenceIon>& ions) {
    return std::is_sorted(
        ions.begin(), ions.end(),
        [](const ReferenceIon& a, const ReferenceIon& b) { return a.mass < b.mass; });
}

// Masses: the monoisotopic sums of the element table less 0.000548579909 u, worked by hand.
TEST(ReferenceSetsTest, ExactIonMassesOfEachSet) {
    const MassInterval wide{10, 700};
    const struct {
        const char* set;
        const char* ion;
        double mass;
        int32_t carbon;
    } cases[] = {
        {"pftba", "CF2+", 49.99625786, 1},       {"pftba", "CF3+", 68.99466108, 1},
        {"pftba", "C4F9+", 218.98508040, 4},     {"pftba", "C9F20N+", 501.97058982, 9},
        {"pftba", "C12F24N+", 613.96420270, 12}, {"cf", "C3F3+", 92.99466108, 3},
        {"cf", "C6F13+", 318.97869328, 6},       {"cf", "CF+", 30.99785464, 1},
        {"ch", "C2H3+", 27.02292652, 2},         {"ch", "C4H9+", 57.06987671, 4},
        {"ch", "CH5+", 17.03857658, 1},          {"ch", "C13+", 155.99945142, 13},
    };
    const std::vector<ReferenceIon> pftba = PftbaIons();
    const std::vector<ReferenceIon> cf = CFIonsIn({&wide, 1});
    const std::vector<ReferenceIon> ch = CHIonsIn({&wide, 1});
    for (const auto& c : cases) {
        const std::string set = c.set;
        const auto& ions = set == "pftba" ? pftba : set == "cf" ? cf : ch;
        const ReferenceIon* ion = Find(ions, c.ion);
        ASSERT_NE(ion, nullptr) << c.set << " " << c.ion;
        EXPECT_NEAR(ion->mass, c.mass, 5e-8) << c.ion;
        EXPECT_EQ(ion->carbon, c.carbon) << c.ion;
    }
    EXPECT_EQ(pftba.size(), 15u);
    for (const auto* ions : {&pftba, &cf, &ch}) EXPECT_TRUE(Ascending(*ions));
}

TEST(ReferenceSetsTest, FamiliesKeepTheirBoundsAndTheirIntervals) {
    const MassInterval wide{10, 700};
    const std::vector<ReferenceIon> cf = CFIonsIn({&wide, 1});
    const std::vector<ReferenceIon> ch = CHIonsIn({&wide, 1});
    // CF: ⌈c/2⌉ ≤ f ≤ 2c + 2; CH: 0 ≤ h ≤ 2c + 3.
    for (const char* in : {"C6F14+", "C2F+", "C4F2+"}) EXPECT_NE(Find(cf, in), nullptr) << in;
    for (const char* out : {"C6F15+", "C3F+", "C25F+", "C+"})
        EXPECT_EQ(Find(cf, out), nullptr) << out;
    for (const char* in : {"C6H15+", "C6+", "C10H8+"}) EXPECT_NE(Find(ch, in), nullptr) << in;
    EXPECT_EQ(Find(ch, "CH6+"), nullptr);
    EXPECT_EQ(Find(ch, "C6H16+"), nullptr);
    for (const auto* ions : {&cf, &ch})
        for (const ReferenceIon& i : *ions) {
            EXPECT_GE(i.mass, wide.lo);
            EXPECT_LE(i.mass, wide.hi);
        }

    // Overlapping intervals give each ion once; nothing between two intervals.
    const MassInterval two[] = {{55, 70}, {50, 60}, {100, 101}};
    const MassInterval joined[] = {{50, 70}, {100, 101}};
    std::vector<std::string> a, b;
    for (const ReferenceIon& i : CHIonsIn(two)) a.push_back(i.name);
    for (const ReferenceIon& i : CHIonsIn(joined)) b.push_back(i.name);
    EXPECT_EQ(a, b);
    for (const ReferenceIon& i : CHIonsIn(two)) EXPECT_FALSE(i.mass > 70 && i.mass < 100);

    // A stray mass does not make the family run for ever: nothing beyond 100000 u.
    const MassInterval stray{99999, 1e12};
    const std::vector<ReferenceIon> far = CHIonsIn({&stray, 1});
    EXPECT_FALSE(far.empty());
    EXPECT_LE(far.back().mass, 100000);
}

TEST(ReferenceListFileTest, FormulasMassesAndNamedMasses) {
    const std::vector<ReferenceIon> ions = ReadReferenceList(
        "# lock masses of the run\r\n"
        "C4F9+\r\n"
        "  68.99466\tCF3+   # the strongest\r\n"
        "\r\n"
        "130,99147\n"
        "501.97059  перфтор, главный\r"
        "C3F5");
    ASSERT_EQ(ions.size(), 5u);
    EXPECT_EQ(ions[0].name, "CF3+");
    EXPECT_EQ(ions[0].mass, 68.99466);
    EXPECT_EQ(ions[0].carbon, 1);  // the name reads as a formula
    EXPECT_EQ(ions[1].name, "C3F5+");
    EXPECT_NEAR(ions[1].mass, 130.99146752, 5e-8);
    EXPECT_EQ(ions[1].carbon, 3);
    EXPECT_EQ(ions[2].name, "130,99147");
    EXPECT_EQ(ions[2].mass, 130.99147);
    EXPECT_EQ(ions[2].carbon, -1);
    EXPECT_EQ(ions[3].name, "C4F9+");
    EXPECT_NEAR(ions[3].mass, 218.98508040, 5e-8);
    EXPECT_EQ(ions[3].carbon, 4);
    EXPECT_EQ(ions[4].name, "перфтор, главный");
    EXPECT_EQ(ions[4].carbon, -1);
}

TEST(ReferenceListFileTest, UnreadableLinesAreRefusedWithTheirNumberAndText) {
    const struct {
        const char* text;
        const char* line;  // the number and the text the message must name
    } cases[] = {
        {"CF3+\nC4X9+\n", "строка 2 «C4X9+»"},
        {"# none\n\n12.3.4 C4F9+\n", "строка 3 «12.3.4 C4F9+»"},
        {"0\n", "строка 1 «0»"},
        {"CF3+\r\n-5\r\n", "строка 2 «-5»"},
        {"1e999\n", "строка 1 «1e999»"},
        {"C4F9+ перфторбутил\n", "строка 1 «C4F9+ перфторбутил»"},
        {"c4f9\n", "строка 1 «c4f9»"},
    };
    for (const auto& c : cases) {
        try {
            ReadReferenceList(c.text);
            ADD_FAILURE() << c.text;
        } catch (const CommandError& e) {
            EXPECT_NE(std::string(e.what()).find(c.line), std::string::npos) << e.what();
        }
    }
    for (const char* empty : {"", "# only a comment\r\n\r\n   \t\n"}) {
        try {
            ReadReferenceList(empty);
            ADD_FAILURE() << empty;
        } catch (const CommandError& e) {
            EXPECT_NE(std::string(e.what()).find("нет ни одного иона"), std::string::npos);
        }
    }
}

TEST(ReferenceListFileTest, TheFileIsReadAsWindows1251) {
    testing::TempDir dir;
    const std::string path =
        dir.Write("ions.txt", Utf8ToCp1251("# эталоны\r\n263.98656 C5F10N+\r\n69 ион\r\n"));
    const std::vector<ReferenceIon> ions = ReadReferenceListFile(path);
    ASSERT_EQ(ions.size(), 2u);
    EXPECT_EQ(ions[0].name, "ион");
    EXPECT_EQ(ions[1].name, "C5F10N+");
    EXPECT_EQ(ions[1].carbon, 5);
    try {
        ReadReferenceListFile(dir.File("missing.txt"));
        ADD_FAILURE();
    } catch (const CommandError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos);
    }
}

}  // namespace
}  // namespace ostrel
