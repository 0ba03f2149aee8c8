#include "formats/InstrumentData.h"

#include "formats/AreReader.h"
#include "formats/DelimitedReader.h"
#include "formats/Gts7Reader.h"
#include "formats/GsiReader.h"
#include "formats/NikonRawReader.h"
#include "formats/Rw5Reader.h"
#include "formats/SdrReader.h"
#include "toolkit/Cp949.h"

#include <stdexcept>

namespace {

// Texts as UTF-8. Whether the file is UTF-8 is only asked once a text is not ASCII, so a
// file of ASCII ids and codes is never scanned as a whole.
class TTextDecoder {
public:
    explicit TTextDecoder(std::string_view bytes) : m_bytes(bytes) {}
    void operator()(std::string& text) {
        if (Cp949::IsAscii(text))
            return;
        // The point files' rule: UTF-8 only when the bytes are UTF-8 and do not read
        // better as Hangul in CP949.
        if (m_cp949 < 0)
            m_cp949 = !Cp949::IsValidUtf8(m_bytes) || Cp949::ReadsAsCp949(m_bytes) ? 1 : 0;
        if (m_cp949)
            text = Cp949::ToUtf8(text);
    }

private:
    std::string_view m_bytes;
    int m_cp949 = -1;
};

} // namespace

TInstrumentResult ReadInstrumentData(std::string_view bytes, const TFormatChoice& choice) {
    TReduction reduction;
    reduction.Reserve(bytes.size() / 64);
    switch (choice.Format) {
    case TInstrumentFormat::Gsi:
        ReadGsi(bytes, reduction);
        break;
    case TInstrumentFormat::Sdr:
        ReadSdr(bytes, reduction);
        break;
    case TInstrumentFormat::NikonRaw:
        ReadNikonRaw(bytes, reduction);
        break;
    case TInstrumentFormat::Rw5:
        ReadRw5(bytes, reduction);
        break;
    case TInstrumentFormat::Are:
        ReadAre(bytes, reduction);
        break;
    case TInstrumentFormat::Gts7:
        ReadGts7(bytes, reduction);
        break;
    case TInstrumentFormat::Delimited:
        if (!IsColumnOrder(choice.Order))
            throw std::invalid_argument("'" + choice.Order + "' is not a column order");
        ReadDelimited(bytes, choice.Order, reduction);
        break;
    case TInstrumentFormat::PointLines:
        throw std::invalid_argument("point lines are read by the point-line reader");
    }
    reduction.Finish();
    TInstrumentResult result{std::move(reduction.Points()), std::move(reduction.Problems()),
                             std::move(reduction.Warnings()), std::move(reduction.Notes())};
    // Files written on Linux are UTF-8; everything else is the Korean code page.
    TTextDecoder toUtf8(bytes);
    for (TSurveyPoint& p : result.Points) {
        toUtf8(p.Id);
        toUtf8(p.Code);
    }
    for (auto* messages : {&result.Problems, &result.Warnings, &result.Notes})
        for (TLineMessage& m : *messages)
            toUtf8(m.Text);
    return result;
}

std::string LineMessageText(const TLineMessage& message) {
    if (message.Line <= 0)
        return message.Text;
    return "line " + std::to_string(message.Line) + ": " + message.Text;
}
