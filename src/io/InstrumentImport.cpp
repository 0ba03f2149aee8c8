#include "io/InstrumentImport.h"

#include "formats/FormatDetect.h"
#include "io/PointImport.h"
#include "model/CodeText.h"
#include "text/NumText.h"

#include <algorithm>

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
                       TAxisOrder axes, const TImportProgress* progress) {
    TPointImporter importer(project, sink);
    TPointRecord record;
    const bool told = progress && progress->Report;
    const size_t every = told ? std::max<size_t>(progress->LinesBetweenReports, 1) : 0;
    size_t untilReport = every;
    for (TSurveyPoint& p : points) {
        if (told && --untilReport == 0) {
            progress->Report(static_cast<size_t>(importer.Count()), points.size());
            untilReport = every;
        }
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
                                       TAxisOrder axes, const TImportProgress* progress) {
    if (!progress || !progress->Report) {
        TInstrumentResult data = ReadInstrumentData(bytes, choice);
        const int added = AppendSurveyPoints(data.Points, project, sink, axes);
        return TInstrumentImport{added, std::move(data.Problems), std::move(data.Warnings), std::move(data.Notes)};
    }
    // One bar for both: the read (with the reduction) takes about as long as the adding.
    constexpr size_t kWhole = 2000, kRead = 1000;
    TInstrumentResult data = ReadInstrumentData(bytes, choice, [&](size_t line, size_t lines) {
        progress->Report(lines > 0 ? std::min(line, lines) * kRead / lines : 0, kWhole);
    });
    TImportProgress adding = *progress;
    adding.Report = [&](size_t done, size_t total) {
        progress->Report(kRead + (total > 0 ? done * (kWhole - kRead) / total : 0), kWhole);
    };
    const int added = AppendSurveyPoints(data.Points, project, sink, axes, &adding);
    return TInstrumentImport{added, std::move(data.Problems), std::move(data.Warnings), std::move(data.Notes)};
}

TMessage NoPointsMessage(const TFormatChoice& choice, std::size_t recordsLeftOut) {
    TMessage as = choice.Format == TInstrumentFormat::PointLines ? Say("point lines")
                                                                 : TMessage::Verbatim(UpperAscii(FormatName(choice)));
    if (recordsLeftOut > 0)
        return Say("none of the %1 records could be read as %2", recordsLeftOut, std::move(as));
    return Say("no records found as %1", std::move(as));
}
