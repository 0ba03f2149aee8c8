#include "formats/FieldValue.h"

#include "formats/SurveyRecord.h"
#include "text/FieldText.h"
#include "text/NumText.h"

TMessage NotANumberReason(std::string_view field) {
    return Say("'%1' is not a valid floating point value", TrimField(field));
}

bool OptionalNumber(std::string_view field, std::optional<double>& out, TRecordSink& sink, int line) {
    out.reset();
    field = TrimField(field);
    if (field.empty())
        return true;
    double v = 0.0;
    if (!ParseNumber(field, v)) {
        sink.Problem(line, NotANumberReason(field));
        return false;
    }
    out = v;
    return true;
}

bool OptionalAngle(std::string_view field, TAngleUnit unit, std::optional<double>& out, TRecordSink& sink,
                   int line) {
    out.reset();
    field = TrimField(field);
    if (field.empty())
        return true;
    double v = 0.0;
    if (!ParseAngle(field, unit, v)) {
        sink.Problem(line, NotAnAngle(field));
        return false;
    }
    out = v;
    return true;
}
