// The program's own reading of mzML arrays held to the library's: on every file the library
// writes, and on plain files altered into forms it must leave to the library.
#include "formats/mzml_binary_arrays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "formats/mz_file.h"
#include "mz_test_files.h"
#include "state/errors.h"
#include "state/file_io.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::MzTestEncoding;
using ::ostrel::testing::MzTestFormat;
using ::ostrel::testing::MzTestSpectrum;
using ::ostrel::testing::TempDir;
using ::ostrel::testing::WriteMzTestFile;

// Bit for bit: the masses and intensities compared as their bytes (a NaN would never equal).
void ExpectSameSpectrum(const LoadedSpectrum& quick, const LoadedSpectrum& library) {
    ASSERT_EQ(quick.x.size(), library.x.size());
    ASSERT_EQ(quick.y.size(), library.y.size());
    EXPECT_EQ(std::memcmp(quick.x.data(), library.x.data(), quick.x.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(quick.y.data(), library.y.data(), quick.y.size() * sizeof(double)), 0);
    EXPECT_EQ(quick.title, library.title);
    EXPECT_EQ(quick.maxYDecimals, library.maxYDecimals);
}

std::string OutcomeOf(const std::string& path, std::optional<int32_t> index,
                      LoadedSpectrum (*read)(const std::string&, std::optional<int32_t>),
                      LoadedSpectrum& loaded) {
    try {
        loaded = read(path, index);
        return "";
    } catch (const CommandError& e) {
        return e.what();
    }
}

// A spectrum of n points with masses and intensities that use every bit of a double.
MzTestSpectrum Noisy(const std::string& id, size_t n, uint32_t seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> step(0.0001, 0.01), height(0, 1e6);
    MzTestSpectrum s{id, {}, {}, 1, false, 2.5};
    double mass = 20 + step(random);
    for (size_t i = 0; i < n; ++i) {
        s.mz.push_back(mass);
        s.intensity.push_back(i % 7 == 0 ? 0.0 : height(random));
        mass += step(random);
    }
    return s;
}

TEST(MzmlArraysTest, TheQuickReadingGivesTheLibrarysSpectrumInEveryEncoding) {
    TempDir dir;
    const struct {
        const char* name;
        MzTestEncoding encoding;
        bool quick;  // the program reads the arrays itself
    } encodings[] = {
        {"indexed.mzML", {MzTestFormat::IndexedMzML, false, false}, true},
        {"indexed32.mzML", {MzTestFormat::IndexedMzML, false, true}, true},
        {"zlib.mzML", {MzTestFormat::IndexedMzML, true, false}, true},
        {"zlib32.mzML", {MzTestFormat::IndexedMzML, true, true}, true},
        {"plain.mzML", {MzTestFormat::PlainMzML, false, false}, true},
        {"plainzlib32.mzML", {MzTestFormat::PlainMzML, true, true}, true},
        {"a.mzXML", {MzTestFormat::MzXML, false, false}, false},
    };
    // One spectrum (small, and long enough for two threads), and a run whose default spectrum is
    // not its first, read by default and by number.
    const std::vector<MzTestSpectrum> one = {Noisy("scan=1", 5, 1)};
    const std::vector<MzTestSpectrum> large = {Noisy("scan=7", 150001, 2)};
    std::vector<MzTestSpectrum> run = {Noisy("scan=1", 40, 3), Noisy("scan=2", 3, 4),
                                       Noisy("scan=3", 17, 5)};
    run[0].centroid = true;
    run[1].msLevel = 2;
    const struct {
        const char* name;
        const std::vector<MzTestSpectrum>* spectra;
        std::optional<int32_t> index;
    } files[] = {{"one", &one, std::nullopt},
                 {"large", &large, std::nullopt},
                 {"run", &run, std::nullopt},
                 {"run", &run, 1},
                 {"run", &run, 2},
                 {"run", &run, 0}};
    for (const auto& e : encodings) {
        for (const auto& f : files) {
            SCOPED_TRACE(std::string(e.name) + " " + f.name + " " +
                         (f.index ? std::to_string(*f.index) : "default"));
            const std::string path = dir.File(std::string(f.name) + "-" + e.name);
            WriteMzTestFile(path, *f.spectra, e.encoding);
            LoadedSpectrum library;
            const std::string refusal =
                OutcomeOf(path, f.index, ReadMzSpectrumThroughLibrary, library);
            const std::optional<LoadedSpectrum> quick = ReadMzSpectrumQuickly(path, f.index);
            LoadedSpectrum read;
            EXPECT_EQ(OutcomeOf(path, f.index, ReadMzSpectrum, read), refusal);
            if (!refusal.empty()) {  // the centroided spectrum 0
                EXPECT_FALSE(quick.has_value());
                continue;
            }
            EXPECT_EQ(quick.has_value(), e.quick);
            if (quick) ExpectSameSpectrum(*quick, library);
            ExpectSameSpectrum(read, library);
        }
    }
}

// Replaces the first occurrence of `from` in the file's text by `to`.
void Alter(const std::string& path, const std::string& from, const std::string& to) {
    std::string text = ReadWholeFile(path);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    WriteFileReplacing(path, text);
}

TEST(MzmlArraysTest, AnythingButThePlainFormIsLeftToTheLibrary) {
    TempDir dir;
    const std::string written = dir.File("written.mzML");
    WriteMzTestFile(written, {Noisy("scan=1", 6, 7)}, {MzTestFormat::PlainMzML, false, false});
    const std::string text = ReadWholeFile(written);
    const size_t binary = text.find("<binary>") + 8;
    const std::string firstBase64 = text.substr(binary, 8);
    const struct {
        const char* what;
        std::string from, to;
    } cases[] = {
        {"a comment in the list", "<binaryDataArray ", "<!-- x --><binaryDataArray "},
        {"a user parameter in an array", "<binary>", "<userParam name=\"u\" value=\"1\"/><binary>"},
        {"a parameter group in an array", "<binary>",
         "<referenceableParamGroupRef ref=\"g\"/><binary>"},
        {"a term it does not know", "<binary>",
         "<cvParam cvRef=\"MS\" accession=\"MS:1000786\" name=\"non-standard data array\"/>"
         "<binary>"},
        {"numpress", "accession=\"MS:1000576\"", "accession=\"MS:1002312\""},
        {"a third array", "</binaryDataArrayList>",
         "<binaryDataArray encodedLength=\"0\"><cvParam cvRef=\"MS\" accession=\"MS:1000523\"/>"
         "<cvParam cvRef=\"MS\" accession=\"MS:1000595\"/><binary></binary></binaryDataArray>"
         "</binaryDataArrayList>"},
        {"an array length of its own", "<binaryDataArray ", "<binaryDataArray arrayLength=\"6\" "},
        {"a blank in the text", "<binary>" + firstBase64,
         "<binary>" + firstBase64.substr(0, 4) + " " + firstBase64.substr(5)},
        {"a character outside base64", "<binary>" + firstBase64,
         "<binary>" + firstBase64.substr(0, 4) + "*" + firstBase64.substr(5)},
        {"a wrong encoded length", "encodedLength=\"", "encodedLength=\"1"},
        {"an attribute without quotes", "<binaryDataArray encodedLength=\"",
         "<binaryDataArray x=1 encodedLength=\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("altered.mzML");
        WriteFileReplacing(path, text);
        Alter(path, c.from, c.to);
        EXPECT_FALSE(ReadMzSpectrumQuickly(path, std::nullopt).has_value());
        LoadedSpectrum library, read;
        const std::string refusal =
            OutcomeOf(path, std::nullopt, ReadMzSpectrumThroughLibrary, library);
        EXPECT_EQ(OutcomeOf(path, std::nullopt, ReadMzSpectrum, read), refusal);
        if (refusal.empty()) ExpectSameSpectrum(read, library);
    }
}

TEST(Base64Test, DecodesTheStandardAlphabetAndRefusesTheRest) {
    const struct {
        const char* text;
        bool last;
        bool valid;
        std::string bytes;
    } cases[] = {
        {"", true, true, ""},
        {"TWFu", true, true, "Man"},
        {"TWE=", true, true, "Ma"},
        {"TQ==", true, true, "M"},
        {"+/+/", true, true, "\xfb\xff\xbf"},
        {"AAAAAAAA", true, true, std::string(6, '\0')},
        {"TWE=", false, false, ""},     // padding only ends the whole text
        {"TQ==TWFu", true, false, ""},  // nor stands inside it
        {"TWF", true, false, ""},       // not whole groups
        {"TW-u", true, false, ""},      // the URL alphabet's '-'
        {"TW u", true, false, ""},
        {"TR==", true, false, ""},  // unused bits set: not the canonical text
        {"TWF=", true, false, ""},
        {"T===", true, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const size_t size = std::strlen(c.text);
        std::string out(size, '\0');
        const bool valid =
            DecodeBase64(c.text, size, c.last, reinterpret_cast<unsigned char*>(out.data()));
        EXPECT_EQ(valid, c.valid);
        if (valid) {
            EXPECT_EQ(Base64Bytes(c.text, size), c.bytes.size());
            EXPECT_EQ(out.substr(0, c.bytes.size()), c.bytes);
        }
    }
}

}  // namespace
}  // namespace ostrel
