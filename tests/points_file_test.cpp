#include "state/points_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "state/errors.h"
#include "state/point_line_parser.h"
#include "state/spectrum.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::TempDir;

struct LineCase {
    const char* line;
    double x;
    double y;
    int32_t decimals;
};

TEST(ParsePointLineTest, SplitsTwoFieldsAtNonNumberCharacters) {
    const LineCase cases[] = {
        {"  28.0; 1500", 28, 1500, 0},
        {"28.0 15 7", 28, 157, 0},  // a third column is glued to the second
        {"1.5e3 2", 1.5, 32, 0},    // "e" separates, so the exponent joins y
        {"12.5     3.25", 12.5, 3.25, 2},
        {"28.00615     1500", 28.00615, 1500, 0},
        {"-5.5\t-3", -5.5, -3, 0},
        {"7 3.", 7, 3, 0},
        {"7 3.0", 7, 3, 1},
        {"x=1, y=2", 1, 2, 0},
    };
    for (const auto& c : cases) {
        int32_t decimals = 0;
        PointLine p;
        PointLineError e;
        ASSERT_TRUE(ParsePointLine(c.line, decimals, p, e)) << c.line;
        EXPECT_DOUBLE_EQ(p.x, c.x) << c.line;
        EXPECT_DOUBLE_EQ(p.y, c.y) << c.line;
        EXPECT_EQ(decimals, c.decimals) << c.line;
    }
}

// Fields of digits, points and minus signs as the reader cuts them: the value read is the one
// std::from_chars reads, bit for bit, and a field it refuses is refused.
TEST(ParsePointLineTest, ReadsEveryFieldAsFromCharsDoes) {
    std::mt19937 rng(21);
    const char alphabet[] = "0123456789012345678901234567890123456789.-";
    auto field = [&] {
        std::string f;
        const int length = 1 + static_cast<int>(rng() % 21);
        for (int i = 0; i < length; ++i) f += alphabet[rng() % (sizeof alphabet - 1)];
        return f;
    };
    std::vector<std::string> fields = {"0",
                                       "-0",
                                       "9007199254740992",
                                       "9007199254740993",
                                       "0.1",
                                       ".5",
                                       "5.",
                                       "-.5",
                                       "1234567890123456789",
                                       "12345678901234567890",
                                       "0.0000000000000000001",
                                       "20.001000",
                                       "114.8"};
    for (int i = 0; i < 200000; ++i) fields.push_back(field());
    for (const std::string& f : fields) {
        double expected = 0;
        const auto res = std::from_chars(f.data(), f.data() + f.size(), expected);
        const bool valid = res.ec == std::errc() && res.ptr == f.data() + f.size();
        int32_t decimals = 0;
        PointLine p;
        PointLineError e;
        const bool read = ParsePointLine(f + " " + f, decimals, p, e);
        ASSERT_EQ(read, valid) << f;
        if (valid) {
            ASSERT_EQ(std::bit_cast<uint64_t>(p.x), std::bit_cast<uint64_t>(expected)) << f;
            ASSERT_EQ(std::bit_cast<uint64_t>(p.y), std::bit_cast<uint64_t>(expected)) << f;
        }
    }
}

TEST(ParsePointLineTest, RaisesButNeverLowersTheDecimalCount) {
    int32_t decimals = 3;
    PointLine p;
    PointLineError e;
    ASSERT_TRUE(ParsePointLine("1 2.5", decimals, p, e));
    EXPECT_EQ(decimals, 3);
}

struct BadLineCase {
    const char* line;
    PointLineError::Kind kind;
    const char* field;
};

TEST(ParsePointLineTest, RefusesEmptyInvalidAndOverlongFields) {
    using K = PointLineError::Kind;
    const BadLineCase cases[] = {
        {"", K::InvalidNumber, ""},
        {"text only", K::InvalidNumber, ""},
        {"28.0", K::InvalidNumber, ""},
        {"1.2.3 4", K::InvalidNumber, "1.2.3"},
        {"- 4", K::InvalidNumber, "-"},
        {"5 1-2", K::InvalidNumber, "1-2"},
        {"1234567890123456789012 5", K::FieldTooLong, "1234567890123456789012"},
        {"5 12345678901 1234567890 1", K::FieldTooLong, "1234567890112345678901"},
    };
    for (const auto& c : cases) {
        int32_t decimals = 0;
        PointLine p;
        PointLineError e;
        EXPECT_FALSE(ParsePointLine(c.line, decimals, p, e)) << c.line;
        EXPECT_EQ(e.kind, c.kind) << c.line;
        EXPECT_EQ(e.field, c.field) << c.line;
    }
    int32_t decimals = 0;
    PointLine p;
    PointLineError e;
    EXPECT_TRUE(ParsePointLine("123456789012345678901 5", decimals, p, e));  // 21 fit
}

struct FileCase {
    const char* name;
    std::string bytes;
    std::vector<double> x;
    std::vector<double> y;
    std::optional<std::string> title;
};

TEST(ParseSpectrumTextTest, ReadsLineEndsHeadersOrderAndScaling) {
    const std::string hdr = "\"T\"\r\n\"\"\r\n\"\"\r\n";
    const FileCase cases[] = {
        {"CR LF with header", hdr + "1 10\r\n2 20\r\n", {1, 2}, {10, 20}, " T"},
        {"CR alone", "\"T\"\r\"\"\r\"\"\r1 10\r2 20\r", {1, 2}, {10, 20}, " T"},
        {"LF alone", "\"T\"\n\"\"\n\"\"\n1 10\n2 20\n", {1, 2}, {10, 20}, " T"},
        {"no header, first line used", "1 10\r\n2 20", {1, 2}, {10, 20}, std::nullopt},
        {"Ctrl+Z ends the file",
         "1 10\r\n2 20\r\n\x1A"
         "3 30\r\n",
         {1, 2},
         {10, 20},
         std::nullopt},
        {"blank lines at the end", hdr + "1 10\r\n2 20\r\n\r\n  \r\n\t", {1, 2}, {10, 20}, " T"},
        {"lines 2 and 3 ignored",
         "\"T\"\r\n5 50\r\n6 60\r\n1 10\r\n2 20\r\n",
         {1, 2},
         {10, 20},
         " T"},
        {"descending is reversed", hdr + "3 30\r\n2 20\r\n1 10\r\n", {1, 2, 3}, {10, 20, 30}, " T"},
        {"only the first two points decide",
         hdr + "1 10\r\n3 30\r\n2 20\r\n",
         {1, 3, 2},
         {10, 30, 20},
         " T"},
        {"one fractional y scales all",
         hdr + "12.5     3.25\r\n13 4\r\n",
         {12.5, 13},
         {3250, 4000},
         " T"},
        {"title without closing quote",
         "\"Title\r\n\"\"\r\n\"\"\r\n1 1\r\n2 2\r\n",
         {1, 2},
         {1, 2},
         " Titl"},
        {"lone quote gives an empty title", "\"\r\n\r\n\r\n1 1\r\n2 2\r\n", {1, 2}, {1, 2}, ""},
        {"cyrillic title",
         "\"\xD1\xEF\xE5\xEA\xF2\xF0\"\r\n\"\"\r\n\"\"\r\n1 1\r\n2 2\r\n",
         {1, 2},
         {1, 2},
         " Спектр"},
        {"only 100 characters count",
         hdr + "1" + std::string(98, ' ') + "23\r\n2 20\r\n",
         {1, 2},
         {2, 20},
         " T"},
    };
    for (const auto& c : cases) {
        LoadedSpectrum s = ParseSpectrumText(c.bytes, "f.txt");
        EXPECT_EQ(s.x, c.x) << c.name;
        EXPECT_EQ(s.y, c.y) << c.name;
        EXPECT_EQ(s.title, c.title) << c.name;
        EXPECT_EQ(s.x.capacity(), s.x.size()) << c.name;
    }
}

struct FailCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> inMessage;
};

TEST(ParseSpectrumTextTest, RefusesBadFilesNamingTheLine) {
    const FailCase cases[] = {
        {"invalid field", "1 10\r\n1.2.3 4\r\n3 30\r\n", {"Строка 2", "\"1.2.3\""}},
        {"empty line among points", "\"T\"\r\n\r\n\r\n1 1\r\n\r\n2 2\r\n", {"Строка 5"}},
        {"over-long field",
         "1 10\r\n2 1234567890123456789012\r\n3 30\r\n",
         {"Строка 2", "длиннее 21"}},
        {"single point line without header", "1 10\r\n", {"меньше двух точек", "f.txt"}},
        {"header only", "\"T\"\r\n\"\"\r\n\"\"\r\n5 5\r\n", {"меньше двух точек"}},
        {"empty file", "", {"меньше двух точек"}},
    };
    for (const auto& c : cases) {
        try {
            ParseSpectrumText(c.bytes, "f.txt");
            ADD_FAILURE() << c.name << ": no error";
        } catch (const CommandError& e) {
            for (const auto& part : c.inMessage)
                EXPECT_NE(std::string(e.what()).find(part), std::string::npos)
                    << c.name << ": " << e.what();
        }
    }
}

TEST(SpectrumWriterTest, WritesTitleHeaderAndPointLines) {
    NumberFormat f('.');
    EXPECT_EQ(SpectrumFileText(" T", {28.00615, 30.123456789}, {1500, 2.25}, f, "\r\n"),
              "\" T\"\r\n\"\"\r\n\"\"\r\n28.00615     1500\r\n30.12346     2.25\r\n");
    EXPECT_EQ(SpectrumFileText("", {}, {}, f, "\n"), "\"\"\n\"\"\n\"\"\n");
    EXPECT_EQ(PeakFileText(28, {1, 2, 3, 4}, {10, 20, 30, 40}, 1, 2, f, "\r\n"),
              "\"28 пик\"\r\n\"\"\r\n\"\"\r\n2.00000     20\r\n3.00000     30\r\n");
    EXPECT_EQ(PeakFileText(28, {1, 2}, {10, 20}, 1, 0, f, "\r\n"),
              "\"28 пик\"\r\n\"\"\r\n\"\"\r\n");
    EXPECT_THROW(PeakFileText(28, {1, 2}, {10, 20}, 1, 2, f, "\r\n"), CommandError);
    EXPECT_EQ(PeakFileName(28), "28peak.txt");
}

TEST(SpectrumWriterTest, WriteAndReadBackAddsOneLeadingBlankToTheTitle) {
    TempDir dir;
    NumberFormat f('.');
    Spectrum s{{26.0, 26.001, 26.002}, {81.1e3, 103400, 92400}};
    const std::string path = dir.File("out.txt");
    WriteToFile(path, " Спектр", s, f);
    const std::string bytes = TempDir::Read(path);
    EXPECT_EQ(bytes.substr(0, 11), "\" \xD1\xEF\xE5\xEA\xF2\xF0\"\r\n");
    LoadedSpectrum back = ReadSpectrumFile(path);
    EXPECT_EQ(back.title, "  Спектр");
    EXPECT_EQ(back.x, s.PointX);
    EXPECT_EQ(back.y, s.PointY);

    WriteOtdelPik(dir.File("28peak.txt"), 28, 0, 1, s, f);
    LoadedSpectrum peak = ReadSpectrumFile(dir.File("28peak.txt"));
    EXPECT_EQ(peak.title, " 28 пик");
    EXPECT_EQ(peak.x, (std::vector<double>{26.0, 26.001}));
}

TEST(SpectrumWriterTest, AFailedWriteLeavesNoTemporaryFileBehind) {
    TempDir dir;
    std::filesystem::create_directories(dir.Path() / "taken" / "inside");
    Spectrum s{{1, 2}, {1, 2}};
    EXPECT_THROW(WriteToFile(dir.File("taken"), "", s, NumberFormat('.')), CommandError);
    EXPECT_THROW(WriteToFile(dir.File("missing/x.txt"), "", s, NumberFormat('.')), CommandError);
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) entries += e.exists();
    EXPECT_EQ(entries, 1);  // only "taken"
}

TEST(ReadSpectrumFileTest, UnreadableFileNamesThePath) {
    try {
        ReadSpectrumFile("/nonexistent/ostrel.txt");
        ADD_FAILURE();
    } catch (const CommandError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/ostrel.txt"), std::string::npos);
    }
}

}  // namespace
}  // namespace ostrel
