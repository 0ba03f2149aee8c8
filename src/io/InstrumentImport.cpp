#include "io/InstrumentImport.h"

#include "formats/FormatDetect.h"
#include "io/PointImport.h"
#include "model/CodeText.h"
#include "text/NumText.h"

TFormatChoice ChooseFormat(std::string_view bytes, const std::optional<TFormatChoice>& forced) {
    if (forced)
        return *forced;
    TFormatChoice choice;
    if (const auto detected = DetectFormat(bytes))
        choice.Format = *detected;
    return choice;
}

// For points reduced by other means too (an adjusted traverse).
int AppendSurveyPoints(std::vector<TSurveyPoint>& points, TNCADProject& project, TPointRowSink* sink,
                       TAxisOrder axes) {
    TPointImporter importer(project, sink);
    TPointRecord record;
    for (TSurveyPoint& p : points) {
        record.Cells[0] = std::move(p.Id);
        FromEastNorth({p.E, p.N}, axes, record.X, record.Y);
        record.Cells[1] = FormatFixed4(record.X);
        record.Cells[2] = FormatFixed4(record.Y);
        record.Cells[3] = FormatFixed4(p.H);
        record.Cells[4] = UpperAscii(p.Code);
        record.Z = p.H;
        importer.Append(record);
    }
    return importer.Count();
}

TInstrumentImport ImportInstrumentData(std::string_view bytes, const TFormatChoice& choice,
                                       TNCADProject& project, TPointRowSink* sink,
                                       TAxisOrder axes) {
    TInstrumentResult data = ReadInstrumentData(bytes, choice);
    const int added = AppendSurveyPoints(data.Points, project, sink, axes);
    return TInstrumentImport{added, std::move(data.Problems), std::move(data.Warnings), std::move(data.Notes)};
}

TMessage NoPointsMessage(const TFormatChoice& choice, std::size_t recordsLeftOut) {
    TMessage as = choice.Format == TInstrumentFormat::PointLines ? Say("point lines")
                                                                 : TMessage::Verbatim(UpperAscii(FormatName(choice)));
    if (recordsLeftOut > 0)
        return Say("none of the %1 records could be read as %2", recordsLeftOut, std::move(as));
    return Say("no records found as %1", std::move(as));
}
