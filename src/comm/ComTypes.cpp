#include "comm/ComTypes.h"

#include <strings.h>

#include <iterator>

namespace ComText {

namespace {
template <class E, std::size_t N>
E parse(const char* const (&texts)[N], const char* text, E fallback) {
    for (std::size_t i = 0; i < N; ++i)
        if (strcasecmp(texts[i], text ? text : "") == 0)
            return static_cast<E>(i);
    return fallback;
}
} // namespace

int BaudRateValue(TBaudRate rate) {
    static constexpr int kRates[] = {0,     110,   300,   600,   1200,   2400,   4800,   9600,
                                     14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    static_assert(std::size(kRates) == std::size(kBaudRates));
    return kRates[rate];
}

TBaudRate StrToBaudRate(const char* text) { return parse(kBaudRates, text, br9600); }
TDataBits StrToDataBits(const char* text) { return parse(kDataBits, text, dbEight); }
TStopBits StrToStopBits(const char* text) { return parse(kStopBits, text, sbOneStopBit); }
TParityBits StrToParity(const char* text) { return parse(kParity, text, prNone); }
TFlowControl StrToFlowControl(const char* text) { return parse(kFlowControl, text, fcCustom); }

} // namespace ComText
