#include "results/html_report.h"

#include <algorithm>

#include "state/cp1251.h"
#include "state/file_io.h"

namespace ostrel {

const std::array<std::string, ResultsGrid::kColumnCount>& ColumnBoxCaptions() {
    static const std::array<std::string, ResultsGrid::kColumnCount> captions = {
        "M", "Масса", "Ошибка", "Me", "DMe", "R", "dR", "Высота", "Std Err", "Iter", "Sum", "Kol"};
    return captions;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::vector<std::string> HtmlReportLines(const ResultsGrid& grid, const std::string& title,
                                         HtmlLook look, const ColumnChoice& chosen,
                                         const ColumnWidths& widths) {
    return HtmlTableLines(TableOf(grid), title, look,
                          std::vector<bool>(chosen.begin(), chosen.end()),
                          std::vector<int>(widths.begin(), widths.end()));
}

std::vector<std::string> HtmlTableLines(const TextTable& table, const std::string& title,
                                        HtmlLook look, const std::vector<bool>& chosen,
                                        const std::vector<int>& widths) {
    const bool improved = look == HtmlLook::Improved;
    const std::string shownTitle = HtmlEscape(title);
    std::vector<std::string> lines = {
        "<HTML>", "  <HEAD>", "    <TITLE>" + shownTitle + "</TITLE>",
        // Without it browsers guess the encoding and garble the Russian headers.
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">",
        "  </HEAD>", " ", " ", " ", "<BODY TEXT=#000000 bgColor=#FFFFFF leftMargin=5 topMargin=5>",
        " ", "<BR>", "    <FONT SIZE=+3>" + shownTitle + "</FONT>", "<BR><BR>"};
    if (improved)
        lines.insert(lines.end(),
                     {"<table cellSpacing=0 cellPadding=0 border=0>", "<tr>", "<td bgcolor=000000>",
                      " ", " ", "<TABLE cellSpacing=1 cellPadding=3 border=0 WIDTH=\"100%\">"});
    else
        lines.push_back(
            "<TABLE BORDER=1 BORDERCOLOR=#000000 BORDERCOLORDARK=#000000 "
            "BORDERCOLORLIGHT=#000000>");
    lines.push_back(" ");

    // The part of each cell line before its text, per column; the header row uses TH.
    const auto columns = static_cast<size_t>(std::max(table.columns, 0));
    std::vector<std::string> openHeader(columns), openCell(columns);
    for (size_t c = 0; c < columns; ++c) {
        const int64_t width = c < widths.size() ? widths[c] : 0;
        const std::string rest = std::string(improved ? " bgcolor=ffffff" : "") +
                                 " WIDTH=" + std::to_string(width + 5) + ">";
        openHeader[c] = "    <TH" + rest;
        openCell[c] = "    <TD" + rest;
    }
    lines.reserve(lines.size() + static_cast<size_t>(std::max(table.rows, 0)) * (columns + 4) + 16);
    for (int32_t r = 0; r < table.rows; ++r) {
        lines.emplace_back("  <TR>");
        for (size_t c = 0; c < columns; ++c) {
            if (c >= chosen.size() || !chosen[c]) continue;
            const bool header = r == 0;
            lines.push_back((header ? openHeader[c] : openCell[c]) +
                            HtmlEscape(table.cell(static_cast<int32_t>(c), r)) +
                            (header ? "</TH> " : "</TD> "));
        }
        lines.emplace_back("  </TR>");
        lines.emplace_back(" ");
    }

    lines.insert(lines.end(), {"</TABLE>", " ", " "});
    if (improved) lines.insert(lines.end(), {"</td>", "</tr>", "</table>"});
    lines.insert(lines.end(), {" ", " ", " ", "</BODY>", "</HTML>"});
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, std::string_view lineEnd) {
    size_t size = 0;
    for (const std::string& line : lines) size += line.size() + lineEnd.size();
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += lineEnd;
    }
    return text;
}

void WriteToHTML(const std::string& path, const ResultsGrid& grid, const std::string& title,
                 HtmlLook look, const ColumnChoice& chosen, const ColumnWidths& widths) {
    WriteFileReplacing(
        path, Utf8ToCp1251(JoinLines(HtmlReportLines(grid, title, look, chosen, widths), "\r\n")));
}

void WriteTableToHTML(const std::string& path, const TextTable& table, const std::string& title,
                      HtmlLook look, const std::vector<bool>& chosen,
                      const std::vector<int>& widths) {
    WriteFileReplacing(
        path, Utf8ToCp1251(JoinLines(HtmlTableLines(table, title, look, chosen, widths), "\r\n")));
}

}  // namespace ostrel
