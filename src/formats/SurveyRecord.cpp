#include "formats/SurveyRecord.h"

void TSurveyRecord::Reset(TRecordKind kind, int line) {
    Kind = kind;
    Line = line;
    Id.clear();
    Code.clear();
    HasCoordinates = false;
    E = N = 0.0;
    H.reset();
    InstrumentHeight.reset();
    TargetHeight.reset();
    BacksightId.clear();
    BacksightAzimuth.reset();
    BacksightCircle.reset();
    HorizontalKind = THorizontalKind::Circle;
    Horizontal.reset();
    Zenith.reset();
    DistanceKind = TDistanceKind::None;
    Distance = 0.0;
    HeightDifference.reset();
    InAngleSet = false;
    MeasuresBacksight = false;
}

bool SetupAtBareOrigin(const TSurveyRecord& r) {
    return r.Kind == TRecordKind::Station && r.HasCoordinates && r.E == 0.0 && r.N == 0.0;
}
