#include "io/dxf/DXFLayerNames.h"

#include "model/CodeText.h"
#include "text/Cp949.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace {

// CAD programs store up to 255 bytes; room is left for a "_NNN" that makes a name unique.
constexpr size_t kMaxNameBytes = 240;

size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    return 2;
}

bool refusedAscii(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || std::strchr("<>/\\\":;?*|,=`", c);
}

// The private characters that carry bytes which were not CP949 text (U+F780..U+F7FF).
bool isRawByte(std::string_view ch) {
    return ch.size() == 3 && static_cast<unsigned char>(ch[0]) == 0xEF &&
           (static_cast<unsigned char>(ch[1]) == 0x9E || static_cast<unsigned char>(ch[1]) == 0x9F);
}

std::string readableName(const std::string& code) {
    std::string name;
    size_t bytes = 0; // in CP949
    for (size_t i = 0; i < code.size();) {
        const size_t n = std::min(sequenceLength(static_cast<unsigned char>(code[i])), code.size() - i);
        std::string_view ch(code.data() + i, n);
        std::string kept = "_";
        if (n == 1) {
            if (!refusedAscii(ch[0]))
                kept = std::string(ch);
        } else if (Cp949::IsValidUtf8(ch) && !isRawByte(ch) && Cp949::CanEncode(ch)) {
            kept = std::string(ch);
        } else if (!Cp949::IsValidUtf8(ch)) {
            ch = ch.substr(0, 1);
        }
        const size_t size = kept.size() == 1 ? 1 : 2;
        if (bytes + size > kMaxNameBytes)
            break;
        name += kept;
        bytes += size;
        i += ch.size();
    }
    if (!name.empty() && name.front() == ' ')
        name.front() = '_';
    if (!name.empty() && name.back() == ' ')
        name.back() = '_';
    return name.empty() ? DxfLayerNames::kNoCodeLayer : name;
}

} // namespace

namespace DxfLayerNames {

std::vector<std::string> ForCodes(const std::vector<std::string>& codes) {
    std::unordered_set<std::string> taken{"0", "DEFPOINTS", kIdLayer, kCodeLayer, kHeightLayer};
    // Per base name (upper-cased), the next suffix to try: thousands of codes that share
    // their first 240 bytes must not each count up from _2 again.
    std::unordered_map<std::string, int> nextSuffix;
    std::vector<std::string> names;
    names.reserve(codes.size());
    for (const std::string& code : codes) {
        std::string name = readableName(code);
        std::string upper = UpperAscii(name);
        if (taken.count(upper)) {
            int& n = nextSuffix.try_emplace(upper, 2).first->second;
            std::string candidate;
            do {
                const std::string suffix = "_" + std::to_string(n++);
                candidate = name + suffix;
                upper = UpperAscii(candidate);
            } while (taken.count(upper));
            name = std::move(candidate);
        }
        taken.insert(std::move(upper));
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace DxfLayerNames
