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
    for (const auto& [line, inY] : {std::pair{"28.0", true}, {"- 4", false}, {"5 1-2", true}}) {
        int32_t decimals = 0;
        PointLine p;
        PointLineError e;
        ParsePointLine(line, decimals, p, e);
        EXPECT_EQ(e.inY, inY) << line;
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

// A long file, read in two parts on two threads, gives what reading it from start to end gives:
// the points, the title, the largest count of decimals, or the refusal with the same line number.
// The texts put line ends of every kind and bad lines on both sides of the middle.
TEST(ParseSpectrumTextTest, TwoPartsReadAsOnePart) {
    std::mt19937 rng(17);
    auto body = [&](size_t lines, const char* end, bool decimals) {
        std::string text;
        for (size_t i = 0; i < lines; ++i) {
            text += std::to_string(20 + i * 0.001) + "\t" + std::to_string(rng() % 100000);
            if (decimals && i == lines - 10) text += ".125";
            text += end;
        }
        return text;
    };
    const size_t lines = 300000;  // about 6 MB
    const std::string header = "\"long\"\r\n\"\"\r\n\"\"\r\n";
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"CR LF with header", header + body(lines, "\r\n", false)},
        {"LF, decimals only near the end", body(lines, "\n", true)},
        {"column names", "mz,intensity\n" + body(lines, "\n", false)},
        {"LF then CR alone: an empty line after the middle",
         body(lines / 2, "\n", false) + "\r" + body(lines / 2, "\n", false)},
        {"CR alone: one part", header + body(lines, "\r", false)},
        {"a bad line before the middle",
         body(lines / 4, "\n", false) + "1.2.3 4\n" + body(lines, "\n", false)},
        {"a bad line after the middle",
         body(lines, "\r\n", false) + "5 x\r\n" + body(lines / 4, "\r\n", false)},
        {"bad lines on both sides", body(lines / 4, "\n", false) + "\n" + body(lines, "\n", false) +
                                        "7\n" + body(9, "\n", false)},
        {"descending",
         [&] {
             std::string text = header;
             for (size_t i = lines; i > 0; --i) text += std::to_string(i) + " 5\r\n";
             return text;
         }()},
    };
    for (const Case& c : cases) {
        std::string one, two;
        LoadedSpectrum a, b;
        try {
            a = ParseSpectrumText(c.bytes, "f.txt", true);
        } catch (const CommandError& e) {
            one = e.what();
        }
        try {
            b = ParseSpectrumText(c.bytes, "f.txt");
        } catch (const CommandError& e) {
            two = e.what();
        }
        EXPECT_EQ(two, one) << c.name;
        EXPECT_EQ(b.x, a.x) << c.name;
        EXPECT_EQ(b.y, a.y) << c.name;
        EXPECT_EQ(b.title, a.title) << c.name;
        EXPECT_EQ(b.maxYDecimals, a.maxYDecimals) << c.name;
        EXPECT_EQ(b.x.capacity(), b.x.size()) << c.name;
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

// UTF-16 text of the characters of `text` (UTF-8 of the Basic Multilingual Plane), the mark first.
std::string Utf16(std::string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t cp = b;
        int extra = b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        if (extra) cp = b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += 1 + extra;
        const char high = static_cast<char>(cp >> 8), low = static_cast<char>(cp & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

// What other programs write: a byte-order mark (Windows Notepad's UTF-8, UTF-16 in both byte
// orders), a CSV or TSV export with a line of column names, fields separated by commas or tabs.
TEST(ParseSpectrumTextTest, ReadsTheFilesOfOtherEditorsAndTools) {
    const std::string text = "\"Спектр №1\"\r\n\"\"\r\n\"\"\r\n28.5 1500\r\n29 1600\r\n";
    const FileCase cases[] = {
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + text, {28.5, 29}, {1500, 1600}, " Спектр №1"},
        {"UTF-8 mark without a header",
         "\xEF\xBB\xBF"
         "28.5 1500\n29 1600",
         {28.5, 29},
         {1500, 1600},
         std::nullopt},
        {"UTF-16 little-endian", Utf16(text, false), {28.5, 29}, {1500, 1600}, " Спектр №1"},
        {"UTF-16 big-endian", Utf16(text, true), {28.5, 29}, {1500, 1600}, " Спектр №1"},
        {"UTF-16 of a character Windows-1251 lacks",
         Utf16("\"a\xE4\xB8\xAD\"\n\n\n1 2\n3 4\n", false),
         {1, 3},
         {2, 4},
         " a?"},
        {"CSV with column names",
         "mz,intensity\r\n100.5,2000\r\n101,3000\r\n",
         {100.5, 101},
         {2000, 3000},
         std::nullopt},
        {"TSV with column names",
         "m/z\tIntensity (counts)\n100.5\t2000\n101\t3000\n",
         {100.5, 101},
         {2000, 3000},
         std::nullopt},
        {"CSV without column names",
         "100.5,2000\n101,3000\n",
         {100.5, 101},
         {2000, 3000},
         std::nullopt},
        {"semicolons and blanks",
         "100.5; 2000\n101 ;3000\n",
         {100.5, 101},
         {2000, 3000},
         std::nullopt},
    };
    for (const auto& c : cases) {
        LoadedSpectrum s;
        ASSERT_NO_THROW(s = ParseSpectrumText(c.bytes, "f.txt")) << c.name;
        EXPECT_EQ(s.x, c.x) << c.name;
        EXPECT_EQ(s.y, c.y) << c.name;
        EXPECT_EQ(s.title, c.title) << c.name;
    }
    // Column names alone are no spectrum.
    EXPECT_THROW(ParseSpectrumText("mz,intensity\n", "f.txt"), CommandError);
}

TEST(ParseSpectrumTextTest, RefusalsQuoteTheLineOrSayTheFileIsNoText) {
    std::string binary = "\x89PNG\r\n\x1A\n";
    binary += std::string("\0\0\0\rIHDR\0\0\x01\0", 13);
    std::string controls;
    for (int i = 0; i < 200; ++i) controls += static_cast<char>(i % 3 == 0 ? 0x01 : '7' + i % 2);
    const struct {
        const char* name;
        std::string bytes;
        std::string message;  // the whole message
    } cases[] = {
        {"zero bytes", binary,
         "Файл \"f.txt\" не является текстовым: в нём есть нулевые байты. Текст в кодировке UTF-16 "
         "сохраните как обычный текст (ANSI или UTF-8)."},
        {"UTF-16 without its mark",
         std::string("1\0 \0"
                     "2\0\n\0"
                     "3\0 \0"
                     "4\0\n\0",
                     16),
         "Файл \"f.txt\" не является текстовым: в нём есть нулевые байты. Текст в кодировке UTF-16 "
         "сохраните как обычный текст (ANSI или UTF-8)."},
        {"control bytes", controls,
         "Файл \"f.txt\" не является текстовым: в нём много управляющих символов."},
        {"prose after a line of words", "Dear colleague,\nthe spectrum of 12 May follows\n",
         "Строка 2 (\"the spectrum of 12 May follows\"): только одно число, а нужны два числа — "
         "масса и интенсивность."},
        {"a word for the intensity", "1 10\n2 20\n3 30\n4 40\n45.1 abc\n",
         "Строка 5 (\"45.1 abc\"): только одно число, а нужны два числа — масса и интенсивность."},
        {"no number on a point line", "1 10\r\nmz;intensity\r\n",
         "Строка 2 (\"mz;intensity\"): ни одного числа, а нужны два числа — масса и "
         "интенсивность."},
        {"a sentence ending in a point", "1 10\r\nthe end.\r\n",
         "Строка 2 (\"the end.\"): ни одного числа, а нужны два числа — масса и интенсивность."},
        {"a point for the intensity", "1 10\r\n2 .\r\n",
         "Строка 2 (\"2 .\"): только одно число, а нужны два числа — масса и интенсивность."},
        {"a lone minus for the mass", "1 10\r\n- 45\r\n",
         "Строка 2 (\"- 45\"): \"-\" не является допустимым числом."},
        {"an empty line", "1 10\r\n  \r\n2 20\r\n",
         "Строка 2 пуста, а нужны два числа — масса и интенсивность."},
        {"an invalid field", "1 10\r\n1.2.3 4\r\n3 30\r\n",
         "Строка 2 (\"1.2.3 4\"): \"1.2.3\" не является допустимым числом."},
        {"a long Windows-1251 line cut to 40 characters",
         "1 10\r\n\xCC\xE0\xF1\xF1\xE0\t" + std::string(50, 'x') + "\r\n",
         "Строка 2 (\"Масса " + std::string(34, 'x') +
             "…\"): ни одного числа, а нужны два числа — масса и интенсивность."},
    };
    for (const auto& c : cases) {
        try {
            ParseSpectrumText(c.bytes, "f.txt");
            ADD_FAILURE() << c.name << ": no error";
        } catch (const CommandError& e) {
            EXPECT_EQ(e.what(), c.message) << c.name;
        }
    }
}

TEST(SpectrumWriterTest, WritesTitleHeaderAndPointLines) {
    NumberFormat f('.');
    // The one blank the reader put for the opening quote goes; a title without it stays whole.
    EXPECT_EQ(SpectrumFileText(" T", {28.00615, 30.123456789}, {1500, 2.25}, f, "\r\n"),
              "\"T\"\r\n\"\"\r\n\"\"\r\n28.00615     1500\r\n30.12346     2.25\r\n");
    EXPECT_EQ(SpectrumFileText("  T", {}, {}, f, "\n"), "\" T\"\n\"\"\n\"\"\n");
    EXPECT_EQ(SpectrumFileText("run.mzML scan=1", {}, {}, f, "\n"),
              "\"run.mzML scan=1\"\n\"\"\n\"\"\n");
    EXPECT_EQ(SpectrumFileText("", {}, {}, f, "\n"), "\"\"\n\"\"\n\"\"\n");
    EXPECT_EQ(PeakFileText(28, {1, 2, 3, 4}, {10, 20, 30, 40}, 1, 2, f, "\r\n"),
              "\"28 пик\"\r\n\"\"\r\n\"\"\r\n2.00000     20\r\n3.00000     30\r\n");
    EXPECT_EQ(PeakFileText(28, {1, 2}, {10, 20}, 1, 0, f, "\r\n"),
              "\"28 пик\"\r\n\"\"\r\n\"\"\r\n");
    EXPECT_THROW(PeakFileText(28, {1, 2}, {10, 20}, 1, 2, f, "\r\n"), CommandError);
    EXPECT_EQ(PeakFileName(28), "28peak.txt");
}

TEST(SpectrumWriterTest, SavesAndReopeningsKeepTheTitle) {
    TempDir dir;
    NumberFormat f('.');
    Spectrum s{{26.0, 26.001, 26.002}, {81.1e3, 103400, 92400}};
    const std::string path = dir.File("out.txt");
    for (const std::string title : {" Спектр", "  два пробела", " "}) {
        std::string open = title;
        for (int round = 0; round < 2; ++round) {
            WriteToFile(path, open, s, f);
            LoadedSpectrum back = ReadSpectrumFile(path);
            ASSERT_TRUE(back.title) << title;
            EXPECT_EQ(*back.title, title) << round;
            EXPECT_EQ(back.x, s.PointX);
            EXPECT_EQ(back.y, s.PointY);
            open = *back.title;
        }
    }
    WriteToFile(path, " Спектр", s, f);
    EXPECT_EQ(TempDir::Read(path).substr(0, 10), "\"\xD1\xEF\xE5\xEA\xF2\xF0\"\r\n");

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
