#include "state/points_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>

#include "state/cp1251.h"
#include "state/errors.h"
#include "state/file_io.h"
#include "state/memory_bound.h"
#include "state/point_line_parser.h"
#include "state/spectrum.h"

namespace ostrel {

namespace {

constexpr size_t kSampleBytes = 1 << 16;  // the first bytes that tell the length of a line

constexpr char kCtrlZ = 26;

bool IsBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Reads lines the way the spectrum files are written: CR, CR LF or LF alone ends a line, only the
// first 100 characters of a line count.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    int LineNumber() const { return lineNumber_; }

    std::string_view Next() {
        ++lineNumber_;
        size_t start = pos_;
        size_t end = start;
        while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
        pos_ = end;
        if (pos_ < text_.size()) {
            if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
            ++pos_;
        }
        size_t length = std::min<size_t>(end - start, kLineLength);
        return text_.substr(start, length);
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
    int lineNumber_ = 0;
};

// The part of the file that holds lines: up to Ctrl+Z, without blank lines and blanks at the end.
std::string_view ContentOf(std::string_view bytes) {
    size_t end = bytes.find(kCtrlZ);
    if (end == std::string_view::npos) end = bytes.size();
    size_t last = end;
    while (last > 0 && IsBlankByte(bytes[last - 1])) --last;
    if (last == 0) return {};
    // Keep the last non-blank line whole; drop what follows its line end.
    size_t lineEnd = last;
    while (lineEnd < end && bytes[lineEnd] != '\r' && bytes[lineEnd] != '\n') ++lineEnd;
    return bytes.substr(0, lineEnd);
}

// The line as a message quotes it: valid UTF-8 on one line, cut to a readable length.
std::string QuotedLine(std::string_view line) {
    constexpr size_t kShown = 40;
    std::string shown(line.substr(0, kShown));
    for (char& c : shown) {
        if (c == '\t') c = ' ';
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    std::string quoted = "\"";
    quoted += Cp1251ToUtf8(shown);
    quoted += line.size() > kShown ? "…\"" : "\"";
    return quoted;
}

bool HasDigit(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Why the line is no point line, in its own words. A field without a digit (empty, or a lone "."
// or "-") is a number missing rather than a number written wrong.
std::string LineError(int lineNumber, std::string_view line, const PointLineError& error) {
    const std::string where = "Строка " + std::to_string(lineNumber);
    const std::string fields = "нужны два числа — масса и интенсивность.";
    if (error.kind == PointLineError::Kind::FieldTooLong)
        return where + ": поле \"" + Cp1251ToUtf8(error.field) + "...\" длиннее " +
               std::to_string(kPointFieldLength) + " символа.";
    if (std::all_of(line.begin(), line.end(), IsBlankByte)) return where + " пуста, а " + fields;
    const std::string quoted = where + " (" + QuotedLine(line) + "): ";
    if (!HasDigit(error.field)) {
        if (error.inY) return quoted + "только одно число, а " + fields;
        if (!HasDigit(line)) return quoted + "ни одного числа, а " + fields;
    }
    return quoted + "\"" + Cp1251ToUtf8(error.field) + "\" не является допустимым числом.";
}

// Bytes that no text holds: a zero byte (UTF-16 without its mark holds one in every other byte),
// or control characters in a tenth of the first bytes or more. The message when the file is such,
// else nothing.
std::optional<std::string> NotTextMessage(std::string_view bytes, const std::string& fileName) {
    const std::string_view sample = bytes.substr(0, kSampleBytes);
    const std::string file = "Файл \"" + fileName + "\" не является текстовым: ";
    if (sample.find('\0') != std::string_view::npos)
        return file +
               "в нём есть нулевые байты. Текст в кодировке UTF-16 сохраните как обычный текст "
               "(ANSI или UTF-8).";
    const auto controls = std::count_if(sample.begin(), sample.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && !IsBlankByte(c)) || b == 0x7F;
    });
    if (controls > 0 && static_cast<size_t>(controls) * 10 >= sample.size())
        return file + "в нём много управляющих символов.";
    return std::nullopt;
}

// A refusal of the file: the file's own kind when it is no text at all, else the reason given.
[[noreturn]] void Refuse(std::string_view bytes, const std::string& fileName,
                         const std::string& reason) {
    throw CommandError(NotTextMessage(bytes, fileName).value_or(reason));
}

void AppendPointLine(std::string& out, double x, double y, const NumberFormat& format,
                     std::string_view lineEnd) {
    AppendFixed(out, x, 5, format.Separator());
    out += "     ";
    AppendShortest(out, y, format.Separator());
    out += lineEnd;
}

void AppendHeader(std::string& out, const std::string& title, std::string_view lineEnd) {
    out += '"';
    out += title;
    out += '"';
    out += lineEnd;
    for (int i = 0; i < 2; ++i) {
        out += "\"\"";
        out += lineEnd;
    }
}

// The point lines of one part of a file, read until its end or the first line that is none.
struct PointLines {
    std::vector<double> x, y;
    int32_t maxYDecimals = 0;
    enum class End { Whole, BadLine, TooMany } end = End::Whole;
    int lineNumber = 0;  // of the bad line, counted in the part
    std::string_view line;
    PointLineError error;
};

// `pending`: the reader's current line was read already and is `line`.
void ReadPointLines(LineReader& reader, bool pending, std::string_view line, PointLines& out) {
    PointLine point;
    while (!reader.AtEnd()) {
        if (!pending) line = reader.Next();
        pending = false;
        if (!ParsePointLine(line, out.maxYDecimals, point, out.error)) {
            out.end = PointLines::End::BadLine;
            out.lineNumber = reader.LineNumber();
            out.line = line;
            return;
        }
        if (out.x.size() == static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
            out.end = PointLines::End::TooMany;
            return;
        }
        out.x.push_back(point.x);
        out.y.push_back(point.y);
    }
}

// A long file is read in two parts at once, the second from the first line that starts after
// the middle of the text: every LF ends a line (alone or after a CR), so the byte after it starts
// one, in the order the lines would be read one after the other. Below 2^30 bytes, where no part
// can hold too many points for a spectrum, and from 4 MB, where a thread pays for itself.
constexpr size_t kTwoPartBytes = size_t{4} << 20;
constexpr size_t kTwoPartLimit = size_t{1} << 30;

size_t SecondPartStart(std::string_view content, bool oneThread) {
    if (oneThread || content.size() < kTwoPartBytes || content.size() >= kTwoPartLimit) return 0;
    const size_t lf = content.find('\n', content.size() / 2);
    return lf == std::string_view::npos || lf + 1 >= content.size() ? 0 : lf + 1;
}

}  // namespace

LoadedSpectrum ParseSpectrumText(std::string_view bytes, const std::string& fileName,
                                 bool oneThread) {
    // A byte-order mark tells UTF-8 (what Windows Notepad writes) or UTF-16: such a file is read as
    // the same characters in Windows-1251, so its title is the text the editor showed and its
    // lines count characters as every other file's do.
    const std::optional<std::string> decoded = MarkedTextToCp1251(bytes);
    if (decoded) bytes = *decoded;
    std::string_view content = ContentOf(bytes);
    const size_t second = SecondPartStart(content, oneThread);
    const std::string_view firstPart = second > 0 ? content.substr(0, second) : content;
    const std::string_view secondPart = content.substr(second);
    // Lines ending in LF or CR LF, as files hold them; a line's CR alone is counted as it comes.
    const auto linesIn = [](std::string_view text) {
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    };
    const size_t firstLines = linesIn(firstPart) + (second > 0 ? 0 : 1);
    const size_t secondLines = second > 0 ? linesIn(secondPart) + 1 : 0;
    LineReader reader(firstPart);
    std::string_view line = reader.Next();
    bool pending = true;  // a header-less file's first line is already read
    LoadedSpectrum loaded;
    if (!line.empty() && line[0] == '"') {
        // The opening quote becomes a blank and the last character (the closing quote) goes.
        std::string title(line);
        title[0] = ' ';
        title.pop_back();
        // The title is text: a zero byte ends it, as it ends a text buffer.
        if (const size_t zero = title.find('\0'); zero != std::string::npos) title.erase(zero);
        loaded.title = Cp1251ToUtf8(title);
        reader.Next();
        reader.Next();
        pending = false;
    } else if (!HasDigit(line)) {
        // The column names of a CSV or TSV export ("mz,intensity"): skipped, and no title.
        pending = false;
    }

    // Room for every point once the header lines are read, so that no vector grows or shrinks.
    const auto headerLines = static_cast<size_t>(reader.LineNumber() - (pending ? 1 : 0));
    PointLines first;
    first.x.reserve(firstLines - std::min(headerLines, firstLines) + secondLines);
    first.y.reserve(first.x.capacity());
    PointLines rest;
    std::exception_ptr restFailure;
    std::thread helper;
    if (second > 0) {
        // The helper reads and fills on its own stack, the list moved out at its end: a reader
        // and a vector's end that change side by side in one cache line would pass it between
        // the cores at every point.
        auto readRest = [&] {
            try {
                LineReader restReader(secondPart);
                PointLines own;
                own.x.reserve(secondLines);
                own.y.reserve(secondLines);
                ReadPointLines(restReader, false, {}, own);
                rest = std::move(own);
            } catch (...) {
                restFailure = std::current_exception();
            }
        };
        try {
            helper = std::thread(readRest);
        } catch (const std::system_error&) {
            readRest();  // no second thread to be had: the parts one after the other
        }
    }
    ReadPointLines(reader, pending, line, first);
    if (helper.joinable()) helper.join();
    if (restFailure) std::rethrow_exception(restFailure);

    const auto tooMany = [&] {
        return CommandError("Файл \"" + fileName + "\" содержит слишком много точек.");
    };
    if (first.end == PointLines::End::BadLine)
        Refuse(bytes, fileName, LineError(first.lineNumber, first.line, first.error));
    if (first.end == PointLines::End::TooMany) throw tooMany();
    if (second > 0) {
        if (rest.end == PointLines::End::BadLine)
            Refuse(bytes, fileName,
                   LineError(reader.LineNumber() + rest.lineNumber, rest.line, rest.error));
        const auto limit = static_cast<size_t>(std::numeric_limits<int32_t>::max());
        if (rest.end == PointLines::End::TooMany || first.x.size() + rest.x.size() > limit)
            throw tooMany();
        first.x.insert(first.x.end(), rest.x.begin(), rest.x.end());
        first.y.insert(first.y.end(), rest.y.begin(), rest.y.end());
        first.maxYDecimals = std::max(first.maxYDecimals, rest.maxYDecimals);
        rest = {};
    }
    loaded.x = std::move(first.x);
    loaded.y = std::move(first.y);
    loaded.maxYDecimals = first.maxYDecimals;
    if (loaded.x.size() < 2)
        Refuse(bytes, fileName, "Файл \"" + fileName + "\" содержит меньше двух точек спектра.");

    if (loaded.maxYDecimals >= 1) {
        for (double& y : loaded.y) y = static_cast<double>(static_cast<long double>(y) * 1000.0L);
    }
    loaded.x.shrink_to_fit();
    loaded.y.shrink_to_fit();
    if (loaded.x[0] > loaded.x[1]) {
        std::reverse(loaded.x.begin(), loaded.x.end());
        std::reverse(loaded.y.begin(), loaded.y.end());
    }
    return loaded;
}

LoadedSpectrum ReadSpectrumFile(const std::string& path) {
    // A file too large for this computer is refused before it is read whole.
    std::error_code sizeError;
    const uint64_t size = std::filesystem::file_size(path, sizeError);
    if (!sizeError && size > kSampleBytes) {
        const std::string head = ReadFileHead(path, kSampleBytes);
        CheckPointsFitInMemory(path, PointsImplied(size, head), size, AvailableMemory());
    }
    return ParseSpectrumText(ReadWholeFile(path), path);
}

std::string SpectrumFileText(const std::string& title, const std::vector<double>& x,
                             const std::vector<double>& y, const NumberFormat& format,
                             std::string_view lineEnd) {
    std::string out;
    out.reserve(title.size() + 16 + x.size() * 32);
    // The reader turned the opening quote into a blank: the title goes back without it, so that a
    // save and a reopening give the title that was open.
    AppendHeader(out, title.starts_with(' ') ? title.substr(1) : title, lineEnd);
    for (size_t i = 0; i < x.size(); ++i) AppendPointLine(out, x[i], y[i], format, lineEnd);
    return out;
}

std::string PeakFileText(int32_t peakNumber, const std::vector<double>& x,
                         const std::vector<double>& y, int32_t firstIndex, int32_t lastIndex,
                         const NumberFormat& format, std::string_view lineEnd) {
    if (lastIndex >= firstIndex &&
        (firstIndex < 0 || static_cast<size_t>(lastIndex) >= x.size() || x.size() != y.size()))
        throw CommandError("Точки пика " + std::to_string(firstIndex) + ".." +
                           std::to_string(lastIndex) + " лежат вне спектра.");
    std::string out;
    AppendHeader(out, std::to_string(peakNumber) + " пик", lineEnd);
    for (int32_t i = firstIndex; i <= lastIndex; ++i)
        AppendPointLine(out, x[i], y[i], format, lineEnd);
    return out;
}

std::string PeakFileName(int32_t peakNumber) {
    return std::to_string(peakNumber) + "peak.txt";
}

void WriteToFile(const std::string& path, const std::string& curveTitle, const Spectrum& spectrum,
                 const NumberFormat& format) {
    WriteFileReplacing(path, Utf8ToCp1251(SpectrumFileText(curveTitle, spectrum.PointX,
                                                           spectrum.PointY, format, "\r\n")));
}

void WriteOtdelPik(const std::string& path, int32_t peakNumber, int32_t firstIndex,
                   int32_t lastIndex, const Spectrum& spectrum, const NumberFormat& format) {
    WriteFileReplacing(path, Utf8ToCp1251(PeakFileText(peakNumber, spectrum.PointX, spectrum.PointY,
                                                       firstIndex, lastIndex, format, "\r\n")));
}

}  // namespace ostrel
