#pragma once

#include <cstdint>
#include <initializer_list>

// Settings values of a serial port. The order of every enumeration is fixed: the settings
// combo boxes list their display texts in this order.

enum TBaudRate {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
    br56000, br57600, br115200, br128000, br256000
};
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TComEvent {
    evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full
};
enum TComError { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
enum TSyncMethod { smThreadSync, smWindowSync, smNone };
enum TComProperty { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

// A set of enumeration values, one bit each.
template <class E> class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> values) {
        for (E v : values)
            Include(v);
    }
    static constexpr TEnumSet FromBits(std::uint32_t bits) {
        TEnumSet s;
        s.m_bits = bits;
        return s;
    }
    constexpr bool Contains(E v) const { return (m_bits >> static_cast<int>(v)) & 1u; }
    constexpr void Include(E v) { m_bits |= 1u << static_cast<int>(v); }
    constexpr void Exclude(E v) { m_bits &= ~(1u << static_cast<int>(v)); }
    constexpr bool Empty() const { return m_bits == 0; }
    constexpr std::uint32_t Bits() const { return m_bits; }
    constexpr bool operator==(const TEnumSet&) const = default;

private:
    std::uint32_t m_bits = 0;
};

using TComEvents = TEnumSet<TComEvent>;
using TComErrors = TEnumSet<TComError>;

inline constexpr TComEvents kAllComEvents = TComEvents::FromBits((1u << 10) - 1);

// Display texts of the enumerations, in value order, and their parsing (letter case ignored;
// an unknown text gives the type's fallback value).
// The words among them are shown through the port's message catalog (PortText); the values
// stay these texts.
namespace ComText {
// Marks a text of the port's for its message catalog; it is looked up where it is shown.
constexpr const char* PortTextN(const char* msgid) { return msgid; }

inline constexpr const char* kBaudRates[] = {PortTextN("Custom"), "110", "300", "600", "1200", "2400",
                                             "4800", "9600", "14400", "19200", "38400", "56000",
                                             "57600", "115200", "128000", "256000"};
inline constexpr const char* kDataBits[] = {"5", "6", "7", "8"};
inline constexpr const char* kStopBits[] = {"1", "1.5", "2"};
inline constexpr const char* kParity[] = {PortTextN("None"), PortTextN("Odd"), PortTextN("Even"),
                                          PortTextN("Mark"), PortTextN("Space")};
inline constexpr const char* kFlowControl[] = {PortTextN("Hardware"), PortTextN("Software"), PortTextN("None"),
                                               PortTextN("Custom")};

// Bit rate of a TBaudRate other than brCustom.
int BaudRateValue(TBaudRate rate);

TBaudRate StrToBaudRate(const char* text);
TDataBits StrToDataBits(const char* text);
TStopBits StrToStopBits(const char* text);
TParityBits StrToParity(const char* text);
TFlowControl StrToFlowControl(const char* text);
} // namespace ComText
