#include "text/FieldText.h"

std::string_view TrimField(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsFieldSpace(text[b]))
        ++b;
    while (e > b && IsFieldSpace(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

bool IsBlankLine(std::string_view line) {
    for (char c : line)
        if (!IsFieldSpace(c))
            return false;
    return true;
}

void SplitFields(std::string_view line, char separator, std::vector<std::string_view>& fields) {
    fields.clear();
    size_t start = 0;
    for (;;) {
        const size_t at = line.find(separator, start);
        if (at == std::string_view::npos) {
            fields.push_back(TrimField(line.substr(start)));
            return;
        }
        fields.push_back(TrimField(line.substr(start, at - start)));
        start = at + 1;
    }
}

int SplitPointFields(std::string_view line, std::vector<std::string>& fields, int maxFields) {
    const size_t len = line.size();
    int n = 0;
    auto next = [&]() -> std::string& {
        if (static_cast<size_t>(n) == fields.size())
            fields.emplace_back();
        std::string& f = fields[static_cast<size_t>(n++)];
        f.clear();
        return f;
    };

    size_t i = 0;
    while (i < len && IsFieldSpace(line[i]))
        ++i;
    while (i < len && n < maxFields) {
        std::string& field = next();
        if (line[i] == '"') {
            // Quoted: runs to the next quote that is not doubled; "" stands for one quote.
            ++i;
            while (i < len) {
                const size_t q = line.find('"', i);
                if (q == std::string_view::npos) {
                    field.append(line.substr(i));
                    i = len;
                    break;
                }
                field.append(line.substr(i, q - i));
                if (q + 1 < len && line[q + 1] == '"') {
                    field += '"';
                    i = q + 2;
                } else {
                    i = q + 1;
                    break;
                }
            }
        } else {
            const size_t b = i;
            while (i < len && line[i] != ',' && !IsFieldSpace(line[i]))
                ++i;
            field.assign(line.substr(b, i - b));
        }
        while (i < len && IsFieldSpace(line[i]))
            ++i;
        if (i < len && line[i] == ',') {
            ++i;
            // A comma that ends the line still opens one more, empty, field.
            if (i == len && n < maxFields) {
                next();
                break;
            }
            while (i < len && IsFieldSpace(line[i]))
                ++i;
        }
    }
    return n;
}

std::string_view StripLeadingZeros(std::string_view text) {
    size_t i = 0;
    while (i + 1 < text.size() && text[i] == '0')
        ++i;
    return text.substr(i);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'a' && a <= 'z')
            a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = static_cast<char>(b - 'a' + 'A');
        if (a != b)
            return false;
    }
    return true;
}
