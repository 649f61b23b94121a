#include "state/points_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>

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

std::string LineError(int lineNumber, const PointLineError& error) {
    std::string text = Cp1251ToUtf8(error.field);
    std::string where = "Строка " + std::to_string(lineNumber) + ": ";
    if (error.kind == PointLineError::Kind::FieldTooLong)
        return where + "поле \"" + text + "...\" длиннее " + std::to_string(kPointFieldLength) +
               " символа.";
    return where + "\"" + text + "\" не является допустимым числом.";
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

}  // namespace

LoadedSpectrum ParseSpectrumText(std::string_view bytes, const std::string& fileName) {
    std::string_view content = ContentOf(bytes);
    LoadedSpectrum loaded;
    size_t expected = static_cast<size_t>(std::count(content.begin(), content.end(), '\n')) + 1;
    loaded.x.reserve(expected);
    loaded.y.reserve(expected);

    LineReader reader(content);
    std::string_view line = reader.Next();
    bool pending = true;  // a header-less file's first line is already read
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
    }
    PointLine point;
    PointLineError error;
    while (!reader.AtEnd()) {
        if (!pending) line = reader.Next();
        pending = false;
        if (!ParsePointLine(line, loaded.maxYDecimals, point, error))
            throw CommandError(LineError(reader.LineNumber(), error));
        if (loaded.x.size() == static_cast<size_t>(std::numeric_limits<int32_t>::max()))
            throw CommandError("Файл \"" + fileName + "\" содержит слишком много точек.");
        loaded.x.push_back(point.x);
        loaded.y.push_back(point.y);
    }
    if (loaded.x.size() < 2)
        throw CommandError("Файл \"" + fileName + "\" содержит меньше двух точек спектра.");

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
    AppendHeader(out, title, lineEnd);
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
