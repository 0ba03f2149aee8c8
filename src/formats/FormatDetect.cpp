#include "formats/FormatDetect.h"

#include "text/FieldText.h"
#include "text/LineCursor.h"
#include "text/NumText.h"

#include <vector>

namespace {

constexpr size_t kScanBytes = 64 * 1024;
constexpr size_t kScanLines = 64;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Split as the point-line reader splits (commas, blanks, control characters), quotes aside.
bool mayBePointLine(std::string_view line) {
    std::vector<std::string_view> tokens;
    size_t i = 0;
    while (i < line.size() && tokens.size() < 4) {
        while (i < line.size() && static_cast<unsigned char>(line[i]) <= 32)
            ++i;
        const size_t b = i;
        while (i < line.size() && line[i] != ',' && static_cast<unsigned char>(line[i]) > 32)
            ++i;
        tokens.push_back(line.substr(b, i - b));
        while (i < line.size() && static_cast<unsigned char>(line[i]) <= 32)
            ++i;
        if (i < line.size() && line[i] == ',')
            ++i;
    }
    double v = 0.0;
    return tokens.size() >= 4 && ParseNumber(tokens[1], v) && ParseNumber(tokens[2], v);
}

// Every blank-separated token a GSI word of one width: 2 digits, 4 of digits or dots, a
// sign, 8 or 16 characters of data.
bool isGsiLine(std::string_view line) {
    if (!line.empty() && line[0] == '*')
        line.remove_prefix(1);
    size_t width = 0, words = 0, i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '*') {
            ++i;
            continue;
        }
        const size_t end = std::min(line.find(' ', i), line.size());
        const std::string_view w = line.substr(i, end - i);
        i = end;
        if ((w.size() != 15 && w.size() != 23) || (width && w.size() != width))
            return false;
        width = w.size();
        if (!isDigit(w[0]) || !isDigit(w[1]) || (w[6] != '+' && w[6] != '-'))
            return false;
        for (size_t k = 2; k < 6; ++k)
            if (!isDigit(w[k]) && w[k] != '.')
                return false;
        ++words;
    }
    return words > 0;
}

// An RW5 record whose first field carries the header it must carry.
bool isRw5Record(std::string_view line) {
    static const char* const kRecords[][2] = {{"JB,", "NM"}, {"MO,", "AD"}, {"MO,", "UN"}, {"SP,", "PN"},
                                              {"OC,", "OP"}, {"BK,", "OP"}, {"LS,", "H"},  {"SS,", "OP"},
                                              {"TR,", "OP"}, {"BD,", "OP"}, {"BR,", "OP"}, {"FD,", "OP"},
                                              {"FR,", "OP"}};
    for (const auto& r : kRecords)
        if (StartsWith(line, r[0]) && StartsWith(line.substr(3), r[1]))
            return true;
    return false;
}

bool isAreLine(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && i < 4 && isDigit(line[i]))
        ++i;
    return i > 0 && i < line.size() && line[i] == '=';
}

// The keyword of a GTS-7 line, or "".
std::string_view gtsKeyword(std::string_view line) {
    static const std::string_view kKeywords[] = {"JOB", "DATE", "NAME", "INST", "UNITS", "SCALE", "ATMOS", "NOTE",
                                                 "STN", "STA",  "XYZ",  "NEZ",  "ENZ",   "BKB",   "BS",    "SS",
                                                 "SC",  "SD",   "SA",   "HD",   "HVD",   "HV",    "PT"};
    size_t k = 0;
    while (k < line.size() && line[k] >= 'A' && line[k] <= 'Z')
        ++k;
    if (k == line.size() || (line[k] != ' ' && line[k] != '\t' && line[k] != ','))
        return {};
    for (std::string_view w : kKeywords)
        if (line.substr(0, k) == w)
            return w;
    return {};
}

bool isGtsHeader(std::string_view keyword) {
    for (std::string_view w : {"JOB", "DATE", "NAME", "INST", "UNITS", "SCALE", "ATMOS", "NOTE"})
        if (keyword == w)
            return true;
    return false;
}

bool isGts7(const std::vector<std::string_view>& lines) {
    const std::string_view first = gtsKeyword(lines[0]);
    if (first.empty())
        return false;
    // A job header line can be no point line, and one header word proves little
    // ("NAME,X,Y,Z,CODE" heads many a point file): the first line after the header lines
    // must be one of the format's records.
    if ((first == "JOB" || first == "NAME" || first == "INST" || first == "UNITS") && !mayBePointLine(lines[0])) {
        for (size_t i = 1; i < lines.size(); ++i) {
            const std::string_view keyword = gtsKeyword(lines[i]);
            if (!isGtsHeader(keyword))
                return !keyword.empty();
        }
        return false;
    }
    if (first != "STN" && first != "STA")
        return false;
    return lines.size() > 1 && (gtsKeyword(lines[1]) == "XYZ" || gtsKeyword(lines[1]) == "BKB" ||
                                gtsKeyword(lines[1]) == "NEZ");
}

} // namespace

std::optional<TInstrumentFormat> DetectFormat(std::string_view bytes) {
    TLineCursor cursor(bytes.substr(0, kScanBytes));
    std::vector<std::string_view> lines;
    std::string_view line;
    while (lines.size() < kScanLines && cursor.Next(line)) {
        // Serial downloads may start with STX or other control characters.
        while (!line.empty() && static_cast<unsigned char>(line[0]) < 32)
            line.remove_prefix(1);
        if (!IsBlankLine(line))
            lines.push_back(line);
    }
    if (lines.empty())
        return std::nullopt;
    const std::string_view first = lines[0];
    if (isGts7(lines))
        return TInstrumentFormat::Gts7;
    if (mayBePointLine(first))
        return std::nullopt;
    if (isGsiLine(first))
        return TInstrumentFormat::Gsi;
    if (first.size() > 8 && StartsWith(first, "00") && first.substr(4, 3) == "SDR")
        return TInstrumentFormat::Sdr;
    if (StartsWithNoCase(first, "CO,Nikon RAW"))
        return TInstrumentFormat::NikonRaw;
    bool commentedJob = false;
    for (std::string_view l : lines) {
        if (StartsWith(l, "--")) {
            commentedJob = commentedJob || isRw5Record(l.substr(2));
            continue;
        }
        if (isRw5Record(l))
            return TInstrumentFormat::Rw5;
        commentedJob = false;
        break;
    }
    if (commentedJob)
        return TInstrumentFormat::Rw5;
    size_t are = 0;
    while (are < lines.size() && are < 3 && isAreLine(lines[are]))
        ++are;
    if (are == std::min<size_t>(lines.size(), 3))
        return TInstrumentFormat::Are;
    return std::nullopt;
}
