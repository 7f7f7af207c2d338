// Diagnostic code texts (GBK) and the signal-aspect decoders.
#pragma once

#include <cstdint>
#include <string>

namespace railfmt::texts {

std::string AxleText(int32_t code);
std::string MachineName(int32_t code);
std::string CanErrorText(int32_t code);
std::string ChipText(int32_t code);
std::string BoardText(int32_t code);
std::string FaultBitsText(int32_t mask);
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
