// Diagnostic code texts (GBK) and the signal-aspect decoders.
#pragma once

#include <cstdint>
#include <string>

namespace railfmt::texts {

// The low 8 bits as two upper-case hex digits ("0A").
std::string Hex2(int32_t code);

// One text table per family, looked up by the code's low byte; a code
// without a text gives the family's prefix, two hex digits and "H".
// Where a converter differs from the others, the variant is named here.
std::string AxleText(int32_t code);
std::string MachineName(int32_t code);
std::string CanErrorText(int32_t code);
std::string ChipText(int32_t code);
// Boards, one table. Variants: the event records' list (EventBoardText)
// also names the extended boards 8, 9 and the radio unit 16; the
// channel-test description's list (NumberedBoardText) numbers its texts and
// has the prefix "保留".
std::string BoardText(int32_t code);
std::string EventBoardText(int32_t code);
std::string NumberedBoardText(int32_t code);
// Fault bits of a 16-bit mask: the one bit's text, else "多重故障" (some of
// the low 11 bits set) or "未知", and four hex digits.
std::string FaultBitsText(int32_t mask);
// The event records' variant: the whole value (a BCD byte times 10000 can
// pass 16 bits) against the same bits, all of its hex digits (at least four).
std::string FaultValueText(int32_t value);
std::string AnalogChannelText(int32_t code);
std::string SpeedChannelText(int32_t code);
std::string SignalInputText(int32_t code);
std::string HandlePositionText(int32_t code);
std::string BrakeStateText(int32_t code);

// Aspect number of a signal code; passThrough returns the code unchanged.
int32_t SignalAspect(int32_t code, bool passThrough);
// The L2000 converter's decoder; its toggle flag is the pass-through.
int32_t LampAspect(int32_t code, bool toggle);
// JK2H signal code -> aspect part 0..8.
int32_t Jk2hAspect(uint8_t code);

}  // namespace railfmt::texts
