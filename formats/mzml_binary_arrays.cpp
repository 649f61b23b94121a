#include "formats/mzml_binary_arrays.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "state/memory_bound.h"

namespace ostrel {

static_assert(std::endian::native == std::endian::little,
              "mzML arrays are little-endian, and this reader copies their bytes as they are");

namespace {

constexpr std::array<int8_t, 256> kBase64Values = [] {
    std::array<int8_t, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 26; ++i) {
        values['A' + i] = static_cast<int8_t>(i);
        values['a' + i] = static_cast<int8_t>(26 + i);
    }
    for (int i = 0; i < 10; ++i) values['0' + i] = static_cast<int8_t>(52 + i);
    values['+'] = 62;
    values['/'] = 63;
    return values;
}();

int32_t Base64Value(char c) {
    return kBase64Values[static_cast<unsigned char>(c)];
}

// Whole groups of four characters to three bytes each; a character outside the alphabet (its
// value −1) sets the sign of `bad`.
bool DecodeGroups(const char* text, size_t groups, unsigned char* out) {
    int32_t bad = 0;
    for (size_t g = 0; g < groups; ++g, text += 4, out += 3) {
        const int32_t a = Base64Value(text[0]), b = Base64Value(text[1]);
        const int32_t c = Base64Value(text[2]), d = Base64Value(text[3]);
        bad |= a | b | c | d;
        const auto v = static_cast<uint32_t>(a) << 18 | static_cast<uint32_t>(b) << 12 |
                       static_cast<uint32_t>(c) << 6 | static_cast<uint32_t>(d);
        out[0] = static_cast<unsigned char>(v >> 16);
        out[1] = static_cast<unsigned char>(v >> 8);
        out[2] = static_cast<unsigned char>(v);
    }
    return bad >= 0;
}

// The file, read at given offsets (pread: the two decoding threads share it).
class FileReader {
  public:
    explicit FileReader(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileReader() {
        if (fd_ >= 0) close(fd_);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    // Up to `size` bytes at `offset`, fewer only at the file's end; -1 on an error.
    int64_t ReadSome(int64_t offset, char* out, size_t size) const {
        size_t done = 0;
        while (done < size) {
            const ssize_t got = pread(fd_, out + done, size - done, offset + done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return -1;
            if (got == 0) break;
            done += static_cast<size_t>(got);
        }
        return static_cast<int64_t>(done);
    }

    bool ReadExactly(int64_t offset, char* out, size_t size) const {
        return ReadSome(offset, out, size) == static_cast<int64_t>(size);
    }

  private:
    int fd_;
};

// The markup around the arrays, read a character at a time through a window of the file.
class Markup {
  public:
    Markup(const FileReader& file, int64_t offset) : file_(file), offset_(offset) {}

    // The character k places past the cursor; −1 past the file's end or on an error.
    int Peek(size_t k = 0) {
        const int64_t at = offset_ + static_cast<int64_t>(k);
        if (at < start_ || at >= start_ + static_cast<int64_t>(size_)) {
            start_ = at;
            const int64_t got = file_.ReadSome(at, buffer_.data(), buffer_.size());
            size_ = got < 0 ? 0 : static_cast<size_t>(got);
            if (size_ == 0) return -1;
        }
        return static_cast<unsigned char>(buffer_[static_cast<size_t>(at - start_)]);
    }
    void Skip(size_t k = 1) { offset_ += static_cast<int64_t>(k); }
    int64_t Offset() const { return offset_; }
    void MoveTo(int64_t offset) { offset_ = offset; }

  private:
    const FileReader& file_;
    int64_t offset_;
    int64_t start_ = 0;
    size_t size_ = 0;
    std::array<char, 64 * 1024> buffer_{};
};

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameCharacter(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
}

void SkipSpace(Markup& m) {
    while (IsSpace(m.Peek())) m.Skip();
}

// Skips text up to the next '<'; with `spaceOnly` only blanks may stand there.
bool SkipText(Markup& m, bool spaceOnly) {
    for (int c = m.Peek(); c != '<'; c = m.Peek()) {
        if (c < 0 || (spaceOnly && !IsSpace(c))) return false;
        m.Skip();
    }
    return true;
}

constexpr size_t kLongestName = 64;
constexpr size_t kLongestValue = 1 << 20;
constexpr size_t kMostAttributes = 64;

bool ReadName(Markup& m, std::string& name) {
    name.clear();
    while (IsNameCharacter(m.Peek())) {
        if (name.size() == kLongestName) return false;
        name.push_back(static_cast<char>(m.Peek()));
        m.Skip();
    }
    return !name.empty();
}

struct Tag {
    bool end = false;          // </name>
    bool selfClosing = false;  // <name .../>
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;

    const std::string* Attribute(std::string_view key) const {
        for (const auto& [k, v] : attributes)
            if (k == key) return &v;
        return nullptr;
    }
};

// The tag at the cursor, read strictly: comments, processing instructions, CDATA, a '<' in an
// attribute value, an attribute twice or one without quotes all leave the spectrum to the library.
bool ReadTag(Markup& m, Tag& tag) {
    tag = Tag{};
    if (m.Peek() != '<') return false;
    m.Skip();
    if (m.Peek() == '/') {
        m.Skip();
        tag.end = true;
        if (!ReadName(m, tag.name)) return false;
        SkipSpace(m);
        if (m.Peek() != '>') return false;
        m.Skip();
        return true;
    }
    if (!ReadName(m, tag.name)) return false;
    while (true) {
        const bool spaced = IsSpace(m.Peek());
        SkipSpace(m);
        const int c = m.Peek();
        if (c == '>') {
            m.Skip();
            return true;
        }
        if (c == '/') {
            m.Skip();
            if (m.Peek() != '>') return false;
            m.Skip();
            tag.selfClosing = true;
            return true;
        }
        if (!spaced || tag.attributes.size() == kMostAttributes) return false;
        std::string key;
        if (!ReadName(m, key) || tag.Attribute(key)) return false;
        SkipSpace(m);
        if (m.Peek() != '=') return false;
        m.Skip();
        SkipSpace(m);
        const int quote = m.Peek();
        if (quote != '"' && quote != '\'') return false;
        m.Skip();
        std::string value;
        for (int v = m.Peek(); v != quote; v = m.Peek()) {
            if (v < 0 || v == '<' || value.size() == kLongestValue) return false;
            value.push_back(static_cast<char>(v));
            m.Skip();
        }
        m.Skip();
        tag.attributes.emplace_back(std::move(key), std::move(value));
    }
}

bool ReadWholeNumber(const std::string& text, int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

enum class ArrayKind { Unknown, Mz, Intensity };

// One array as the markup declares it: where its base64 text lies and how to decode it.
struct ArrayText {
    ArrayKind kind = ArrayKind::Unknown;
    int width = 0;  // bytes a value: 4 or 8
    bool zlib = false;
    bool compressionNamed = false;
    int64_t offset = 0;  // of the text in the file
    int64_t length = 0;  // characters: the declared encodedLength
};

// The terms a plain array carries; any other term leaves the spectrum to the library.
bool TakeTerm(const std::string& accession, ArrayText& array) {
    if (accession == "MS:1000514" || accession == "MS:1000515") {
        if (array.kind != ArrayKind::Unknown) return false;
        array.kind = accession == "MS:1000514" ? ArrayKind::Mz : ArrayKind::Intensity;
        return true;
    }
    if (accession == "MS:1000521" || accession == "MS:1000523") {
        if (array.width != 0) return false;
        array.width = accession == "MS:1000521" ? 4 : 8;
        return true;
    }
    if (accession == "MS:1000574" || accession == "MS:1000576") {
        if (array.compressionNamed) return false;
        array.compressionNamed = true;
        array.zlib = accession == "MS:1000574";
        return true;
    }
    return false;
}

// One <binaryDataArray> element from its start tag (read) to its end tag: its terms as
// self-closing cvParams, then <binary> with the text of exactly its encodedLength.
bool ReadArray(Markup& m, const Tag& start, ArrayText& array) {
    if (start.selfClosing) return false;
    for (const auto& [key, value] : start.attributes)
        if (key != "encodedLength" && key != "dataProcessingRef") return false;
    const std::string* encoded = start.Attribute("encodedLength");
    if (!encoded || !ReadWholeNumber(*encoded, array.length)) return false;
    Tag tag;
    while (true) {
        if (!SkipText(m, true) || !ReadTag(m, tag) || tag.end) return false;
        if (tag.name == "binary") break;
        if (tag.name != "cvParam" || !tag.selfClosing) return false;
        const std::string* accession = tag.Attribute("accession");
        if (!accession || !TakeTerm(*accession, array)) return false;
    }
    if (tag.selfClosing || !tag.attributes.empty()) return false;
    if (array.kind == ArrayKind::Unknown || array.width == 0) return false;
    array.offset = m.Offset();
    m.MoveTo(array.offset + array.length);
    if (!ReadTag(m, tag) || !tag.end || tag.name != "binary") return false;
    return SkipText(m, true) && ReadTag(m, tag) && tag.end && tag.name == "binaryDataArray";
}

// From the spectrum's start tag to its <binaryDataArrayList>: the elements between are read as
// tags, nested properly, so that the list found is the spectrum's own.
bool FindArrayList(Markup& m) {
    Tag tag;
    if (!ReadTag(m, tag) || tag.end || tag.selfClosing || tag.name != "spectrum") return false;
    std::vector<std::string> open;
    while (true) {
        if (!SkipText(m, false) || !ReadTag(m, tag)) return false;
        if (tag.end) {
            if (open.empty() || open.back() != tag.name) return false;
            open.pop_back();
        } else if (tag.name == "binaryDataArrayList") {
            return open.empty() && !tag.selfClosing;
        } else if (!tag.selfClosing) {
            if (open.size() == 64) return false;
            open.push_back(tag.name);
        }
    }
}

// The m/z and intensity arrays' texts, when the list holds just those two, and nothing but
// blanks follows it before the spectrum's end tag.
bool FindArrays(Markup& m, ArrayText& mz, ArrayText& intensity) {
    if (!FindArrayList(m)) return false;
    std::vector<ArrayText> arrays;
    Tag tag;
    while (true) {
        if (!SkipText(m, true) || !ReadTag(m, tag)) return false;
        if (tag.end) {
            if (tag.name != "binaryDataArrayList") return false;
            break;
        }
        if (tag.name != "binaryDataArray" || arrays.size() == 2) return false;
        ArrayText array;
        if (!ReadArray(m, tag, array)) return false;
        arrays.push_back(array);
    }
    if (!SkipText(m, true) || !ReadTag(m, tag) || !tag.end || tag.name != "spectrum") return false;
    if (arrays.size() != 2 || arrays[0].kind == arrays[1].kind) return false;
    const bool mzFirst = arrays[0].kind == ArrayKind::Mz;
    mz = arrays[mzFirst ? 0 : 1];
    intensity = arrays[mzFirst ? 1 : 0];
    return true;
}

// Text is decoded a piece at a time, so that no copy of the whole text is held.
constexpr size_t kPieceCharacters = 1 << 20;  // a multiple of 4, and its bytes of 8

// The bytes of an array's text into `out` (Base64Bytes of them, which the caller has checked).
bool DecodeText(const FileReader& file, const ArrayText& array, unsigned char* out) {
    std::unique_ptr<char[]> piece(new char[kPieceCharacters]);
    for (int64_t done = 0; done < array.length;) {
        const auto size =
            static_cast<size_t>(std::min<int64_t>(kPieceCharacters, array.length - done));
        if (!file.ReadExactly(array.offset + done, piece.get(), size)) return false;
        done += static_cast<int64_t>(size);
        if (!DecodeBase64(piece.get(), size, done == array.length, out)) return false;
        out += size / 4 * 3;
    }
    return true;
}

// The whole inflation of a zlib stream into exactly `size` bytes, with no input left over.
bool Inflate(const unsigned char* in, size_t inSize, unsigned char* out, size_t size) {
    if (inSize > UINT_MAX || size > UINT_MAX) return false;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<unsigned char*>(in);
    z.avail_in = static_cast<uInt>(inSize);
    z.next_out = out;
    z.avail_out = static_cast<uInt>(size);
    const int result = inflate(&z, Z_FINISH);
    const bool whole = result == Z_STREAM_END && z.avail_in == 0 && z.avail_out == 0;
    inflateEnd(&z);
    return whole;
}

// zlib does not expand data by more than about 1032 times: a longer declared array than that
// cannot be what the text holds.
constexpr uint64_t kMostInflation = 1032;

bool DecodeArrayOrThrow(const FileReader& file, const ArrayText& array, int64_t count,
                        std::vector<double>& values) {
    if (array.length % 4 != 0 || array.length == 0) return false;
    char tail[2];
    if (!file.ReadExactly(array.offset + array.length - 2, tail, 2)) return false;
    const auto textBytes = static_cast<uint64_t>(array.length) / 4 * 3 - (tail[1] == '=') -
                           (tail[0] == '=' && tail[1] == '=');
    const uint64_t bytes = static_cast<uint64_t>(count) * static_cast<uint64_t>(array.width);
    if (array.zlib ? bytes > textBytes * kMostInflation + 64 : bytes != textBytes) return false;
    values.resize(static_cast<size_t>(count));
    // 64-bit values land in place; 32-bit ones go through a buffer and are widened.
    std::unique_ptr<float[]> narrow;
    unsigned char* target = reinterpret_cast<unsigned char*>(values.data());
    if (array.width == 4) {
        narrow.reset(new float[static_cast<size_t>(count)]);
        target = reinterpret_cast<unsigned char*>(narrow.get());
    }
    if (array.zlib) {
        std::unique_ptr<unsigned char[]> compressed(new unsigned char[textBytes]);
        if (!DecodeText(file, array, compressed.get()) ||
            !Inflate(compressed.get(), textBytes, target, bytes))
            return false;
    } else if (!DecodeText(file, array, target)) {
        return false;
    }
    if (narrow)
        for (int64_t i = 0; i < count; ++i) values[static_cast<size_t>(i)] = narrow[i];
    return true;
}

// Memory refused leaves the spectrum to the library's child, as any other doubt does.
bool DecodeArray(const FileReader& file, const ArrayText& array, int64_t count,
                 std::vector<double>& values) {
    try {
        return DecodeArrayOrThrow(file, array, count, values);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

constexpr int64_t kTwoThreadValues = 100000;

}  // namespace

size_t Base64Bytes(const char* text, size_t size) {
    if (size < 4) return size / 4 * 3;
    return size / 4 * 3 - (text[size - 1] == '=') -
           (text[size - 1] == '=' && text[size - 2] == '=');
}

bool DecodeBase64(const char* text, size_t size, bool last, unsigned char* out) {
    if (size % 4 != 0) return false;
    size_t groups = size / 4;
    if (!last || groups == 0 || text[size - 1] != '=') return DecodeGroups(text, groups, out);
    --groups;
    if (!DecodeGroups(text, groups, out)) return false;
    const char* g = text + 4 * groups;
    unsigned char* o = out + 3 * groups;
    const int32_t a = Base64Value(g[0]), b = Base64Value(g[1]);
    if (a < 0 || b < 0) return false;
    if (g[2] == '=') {  // one byte; the last 4 bits of b unused
        if ((b & 0xf) != 0) return false;
        o[0] = static_cast<unsigned char>(a << 2 | b >> 4);
        return true;
    }
    const int32_t c = Base64Value(g[2]);
    if (c < 0 || (c & 0x3) != 0) return false;  // two bytes; the last 2 bits of c unused
    o[0] = static_cast<unsigned char>(a << 2 | b >> 4);
    o[1] = static_cast<unsigned char>((b & 0xf) << 4 | c >> 2);
    return true;
}

std::optional<MzmlSpectrumStart> FirstMzmlSpectrum(const std::string& path) {
    const FileReader file(path);
    if (!file.IsOpen()) return std::nullopt;
    std::string head(1 << 20, '\0');
    const int64_t got = file.ReadSome(0, head.data(), head.size());
    if (got <= 0) return std::nullopt;
    head.resize(static_cast<size_t>(got));
    const size_t list = head.find("<spectrumList");
    if (list == std::string::npos) return std::nullopt;
    for (size_t at = head.find("<spectrum", list + 1); at != std::string::npos;
         at = head.find("<spectrum", at + 1)) {
        if (at + 9 < head.size() && !IsSpace(head[at + 9])) continue;
        Markup markup(file, static_cast<int64_t>(at));
        Tag tag;
        MzmlSpectrumStart start;
        start.position = static_cast<int64_t>(at);
        const std::string* length = nullptr;
        if (!ReadTag(markup, tag) || !(length = tag.Attribute("defaultArrayLength")) ||
            !ReadWholeNumber(*length, start.arrayLength))
            return std::nullopt;
        return start;
    }
    return std::nullopt;
}

std::optional<MzmlArrays> ReadPlainMzmlArrays(const std::string& path, int64_t position,
                                              int64_t arrayLength) {
    if (position < 0 || arrayLength < 2 || arrayLength > (int64_t{1} << 40)) return std::nullopt;
    // Both arrays in doubles, and a narrow or compressed copy of one: past half the memory the
    // system has left, the library's reading in its child is the safer way.
    const uint64_t available = AvailableMemory();
    if (available != 0 && static_cast<uint64_t>(arrayLength) * 24 > available / 2)
        return std::nullopt;
    const FileReader file(path);
    if (!file.IsOpen()) return std::nullopt;
    ArrayText mzText, intensityText;
    {
        Markup markup(file, position);
        if (!FindArrays(markup, mzText, intensityText)) return std::nullopt;
    }
    MzmlArrays arrays;
    bool mzRead = false;
    std::thread helper;
    if (arrayLength >= kTwoThreadValues) {
        try {
            helper =
                std::thread([&] { mzRead = DecodeArray(file, mzText, arrayLength, arrays.mz); });
        } catch (const std::system_error&) {
        }
    }
    if (!helper.joinable()) mzRead = DecodeArray(file, mzText, arrayLength, arrays.mz);
    const bool intensityRead = DecodeArray(file, intensityText, arrayLength, arrays.intensity);
    if (helper.joinable()) helper.join();
    if (!mzRead || !intensityRead) return std::nullopt;
    return arrays;
}

}  // namespace ostrel
