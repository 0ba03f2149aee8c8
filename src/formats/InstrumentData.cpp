#include "formats/InstrumentData.h"

#include "formats/AreReader.h"
#include "formats/DelimitedReader.h"
#include "formats/GsiReader.h"
#include "formats/Gts7Reader.h"
#include "formats/NikonRawReader.h"
#include "formats/Rw5Reader.h"
#include "formats/SdrReader.h"
#include "text/Cp949.h"

#include <algorithm>
#include <stdexcept>

void TTextDecoder::operator()(std::string& text) {
    if (Cp949::IsAscii(text))
        return;
    // The point files' rule: UTF-8 only when the bytes are UTF-8 and do not read better as
    // Hangul in CP949.
    if (m_cp949 < 0)
        m_cp949 = !Cp949::IsValidUtf8(m_bytes) || Cp949::ReadsAsCp949(m_bytes) ? 1 : 0;
    if (m_cp949)
        text = Cp949::ToUtf8(text);
}

void ReadInstrumentRecords(std::string_view bytes, const TFormatChoice& choice, TRecordSink& sink) {
    switch (choice.Format) {
    case TInstrumentFormat::Gsi:
        ReadGsi(bytes, sink);
        break;
    case TInstrumentFormat::Sdr:
        ReadSdr(bytes, sink);
        break;
    case TInstrumentFormat::NikonRaw:
        ReadNikonRaw(bytes, sink);
        break;
    case TInstrumentFormat::Rw5:
        ReadRw5(bytes, sink);
        break;
    case TInstrumentFormat::Are:
        ReadAre(bytes, sink);
        break;
    case TInstrumentFormat::Gts7:
        ReadGts7(bytes, sink);
        break;
    case TInstrumentFormat::Delimited:
        if (!IsColumnOrder(choice.Order))
            throw std::invalid_argument("'" + choice.Order + "' is not a column order");
        ReadDelimited(bytes, choice.Order, sink);
        break;
    case TInstrumentFormat::PointLines:
        throw std::invalid_argument("point lines are read by the point-line reader");
    }
}

namespace {
// Passes the records on to the reduction and tells the progress now and then by the line
// the records have reached.
class TProgressSink final : public TRecordSink {
public:
    TProgressSink(TRecordSink& next, const TReadProgress& progress, std::string_view bytes)
        : m_next(next), m_progress(progress) {
        // Files of lone CRs have no LF at all.
        m_lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
        if (m_lines == 0)
            m_lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\r'));
    }
    void Record(const TSurveyRecord& record) override {
        m_next.Record(record);
        if (--m_untilReport == 0) {
            m_untilReport = kRecordsBetweenReports;
            m_progress(static_cast<size_t>(std::max(record.Line, 0)), m_lines);
        }
    }
    void Problem(int line, TMessage reason) override { m_next.Problem(line, std::move(reason)); }
    void Note(int line, TMessage text) override { m_next.Note(line, std::move(text)); }
    void LengthsInFeet(int line) override { m_next.LengthsInFeet(line); }
    size_t Lines() const { return m_lines; }

private:
    static constexpr int kRecordsBetweenReports = 8192;
    TRecordSink& m_next;
    const TReadProgress& m_progress;
    size_t m_lines = 0;
    int m_untilReport = kRecordsBetweenReports;
};
} // namespace

TInstrumentResult ReadInstrumentData(std::string_view bytes, const TFormatChoice& choice,
                                     const TReadProgress& progress) {
    TReduction reduction;
    reduction.Reserve(bytes.size() / 64);
    if (progress) {
        TProgressSink told(reduction, progress, bytes);
        progress(0, told.Lines());
        ReadInstrumentRecords(bytes, choice, told);
        progress(told.Lines(), told.Lines());
    } else {
        ReadInstrumentRecords(bytes, choice, reduction);
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
            m.DecodeTexts(toUtf8);
    return result;
}

std::string LineMessageText(const TLineMessage& message) {
    if (message.Line <= 0)
        return message.Text;
    return "line " + std::to_string(message.Line) + ": " + message.Text;
}
