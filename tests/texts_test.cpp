// Diagnostic code texts (against hand-written GBK bytes) and the
// signal-aspect decoders.
#include <gtest/gtest.h>

#include <string>

#include "support/testkit.h"
#include "texts/texts.h"

namespace {

using namespace railfmt::texts;

// "B1 A3" -> the bytes as a string.
std::string G(const char* hex) {
  const railfmt::test::Bytes b = railfmt::test::HexBytes(hex);
  return std::string(b.begin(), b.end());
}

TEST(Texts, CodeTexts) {
  const std::string reserved = G("B1 A3 C1 F4"), channel = G("B1 A3 C1 F4 CD A8 B5 C0");  // 保留, 保留通道
  const std::string error = G("B4 ED CE F3 D7 B4 CC AC"), multiple = G("B6 E0 D6 D8 B9 CA D5 CF");  // 错误状态, 多重故障
  const struct {
    std::string (*fn)(int32_t);
    int32_t code;
    std::string expected;
  } cases[] = {
      {AxleText, 0, G("D4 AD D6 E1")},
      {AxleText, 1, G("B1 B8 D3 C3 D6 E1")},
      {AxleText, 0x0101, G("B1 B8 D3 C3 D6 E1")},  // low 8 bits only
      {AxleText, 2, error},
      {MachineName, 0, G("41 BB FA")},
      {MachineName, 0x0101, G("42 BB FA")},
      {MachineName, 0xFF, error},
      {CanErrorText, 0, G("43 41 4E 41 BD D3 CA D5 B3 AC CA B1")},
      {CanErrorText, 5, G("43 41 4E 42 D7 D4 BC EC B4 ED CE F3")},
      {CanErrorText, 6, reserved + "06H"},
      {CanErrorText, 0x1FA, reserved + "FAH"},
      {ChipText, 0, G("B3 CC D0 F2 52 4F 4D")},
      {ChipText, 2, "CPU-RAM"},
      {ChipText, 7, "U12"},
      {ChipText, 10, reserved + "0AH"},
      {ChipText, 11, reserved + "0BH"},
      {ChipText, 12, G("CB AB BD F4 BC B1 CD A8 B5 C0")},
      {ChipText, 13, reserved + "0DH"},
      {ChipText, 14, G("BC E0 BF D8 B0 E6 B1 BE B2 BB D2 BB")},
      {ChipText, 16, reserved + "10H"},
      {BoardText, 0, G("D0 C5 CF A2 B0 E5 41")},
      {BoardText, 5, G("49 49 CF D4")},
      {BoardText, 7, G("D0 C5 BA C5")},
      {BoardText, 8, "08H"},
      {BoardText, 0xAB, "ABH"},
      {EventBoardText, 7, G("D0 C5 BA C5")},
      {EventBoardText, 8, G("C0 A9 D5 B9 CD A8 D0 C5 B0 E5 41")},
      {EventBoardText, 9, G("C0 A9 D5 B9 CD A8 D0 C5 B0 E5 42")},
      {EventBoardText, 10, "0AH"},
      {EventBoardText, 16, G("CE DE CF DF CA FD B4 AB")},
      {EventBoardText, 17, "11H"},
      {NumberedBoardText, 0, G("30 2D D0 C5 CF A2 B4 A6 C0 ED B0 E5 41")},
      {NumberedBoardText, 10, G("31 30 2D CE DE CF DF CA FD B4 AB")},
      {NumberedBoardText, 11, reserved + "0BH"},
      {FaultBitsText, 0x0800, "CAN B"},
      {FaultBitsText, 0x0400, "CAN A"},
      {FaultBitsText, 0x0002, G("CA FD BE DD 45 50 52 4F 4D")},
      {FaultBitsText, 0x0001, G("B3 CC D0 F2 45 50 52 4F 4D")},
      {FaultBitsText, 0x0C00, multiple + "0C00"},
      {FaultBitsText, 0x0003, multiple + "0003"},
      {FaultBitsText, 0x1000, G("CE B4 D6 AA") + "1000"},
      {FaultBitsText, 0x1800, G("CE B4 D6 AA") + "1800"},
      {FaultBitsText, 0, G("CE B4 D6 AA") + "0000"},
      {FaultBitsText, 70000, multiple + "1170"},  // cut to 16 bits
      {FaultValueText, 2048, "CAN B"},
      {FaultValueText, 0, G("CE B4 D6 AA") + "0000"},
      {FaultValueText, 20000, multiple + "4E20"},
      {FaultValueText, 70000, multiple + "11170"},  // all the digits
      {FaultValueText, 1650000, multiple + "192D50"},
      {AnalogChannelText, 0, G("30 2D C1 D0 B3 B5 B9 DC D1 B9 C1 A6")},
      {AnalogChannelText, 7, G("37 2D BC D3 CB D9 B6 C8")},
      {AnalogChannelText, 8, channel + "08H"},
      {SpeedChannelText, 4, G("34 2D D4 AD B1 DF B9 A6 C2 CA")},
      {SpeedChannelText, 5, channel + "05H"},
      {SignalInputText, 0, G("30 2D C2 CC B5 C6")},
      {SignalInputText, 11, "11-UM71"},
      {SignalInputText, 12, G("31 32 2D B5 E7 C6 BD D0 C5 BA C5")},
      {SignalInputText, 15, G("31 35 2D B1 B8 D3 C3 33")},
      {SignalInputText, 16, reserved + "10H"},
      {HandlePositionText, 0, G("30 2D C1 E3 CE BB")},
      {HandlePositionText, 7, G("37 2D B1 B8 D3 C3 33")},
      {HandlePositionText, 8, reserved + "08H"},
      {BrakeStateText, 6, G("36 2D BD F4 BC B1")},
      {BrakeStateText, 7, reserved + "07H"},
      {BrakeStateText, 0x106, G("36 2D BD F4 BC B1")},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(cases[i].fn(cases[i].code), cases[i].expected) << "row " << i << " code " << cases[i].code;
}

// Group * 10 plus the lamp part (9 for two lamps or more), or the code as it
// is when passed through; the lamp form picks by priority; JK2H by table.
TEST(Texts, SignalAspects) {
  EXPECT_EQ(SignalAspect(0x0110, true), 0x0110);
  EXPECT_EQ(SignalAspect(-5, true), -5);
  const int signal[][2] = {{0x0110, 14}, {0x0111, 19}, {0x0000, 8}, {0x0F80, 157}, {0x1001, 0},
                           {0x0201, 20}, {0x0204, 21}, {0x0208, 22}, {0x0202, 23}, {0x0210, 24},
                           {0x0240, 25}, {0x0220, 26}, {0x0280, 27}, {0x0203, 29}};
  for (auto& p : signal) EXPECT_EQ(SignalAspect(p[0], false), p[1]) << p[0];
  EXPECT_EQ(LampAspect(0x0130, true), 0x0130);
  const int lamp[][2] = {{0x0130, 36}, {0x0D00, 12}, {0x0020, 6}, {0x0081, 17}, {0x0003, 13},
                         {0x0060, 16}, {0x0050, 15}, {0x0001, 0}, {0x0C01, 240}, {0x0D01, 4}};
  for (auto& p : lamp) EXPECT_EQ(LampAspect(p[0], false), p[1]) << p[0];
  const int jk2h[][2] = {{10, 0}, {11, 1}, {12, 4}, {13, 6}, {14, 5}, {15, 7},
                         {26, 3}, {27, 2}, {31, 8}, {0, 8},  {16, 8}, {255, 8}};
  for (auto& p : jk2h) EXPECT_EQ(Jk2hAspect(static_cast<uint8_t>(p[0])), p[1]) << p[0];
}

}  // namespace
