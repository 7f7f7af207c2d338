// Diagnostic code texts (checked against hand-written GBK bytes) and the
// signal-aspect decoders.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/testkit.h"
#include "texts/gbk.h"
#include "texts/texts.h"

namespace {

using namespace railfmt::texts;

// "B1 A3" -> the bytes as a string.
std::string G(const char* hex) {
  const railfmt::test::Bytes b = railfmt::test::HexBytes(hex);
  return std::string(b.begin(), b.end());
}

const std::string kReserved = G("B1 A3 C1 F4");          // 保留
const std::string kReservedChannel = G("B1 A3 C1 F4 CD A8 B5 C0");  // 保留通道
const std::string kErrorState = G("B4 ED CE F3 D7 B4 CC AC");      // 错误状态

struct TextCase {
  const char* name;
  std::function<std::string(int32_t)> fn;
  int32_t code;
  std::string expected;
};
// Test lists show the case by its name, not as raw object bytes.
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name << "(" << c.code << ")"; }

class TextTableTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextTableTest, GivesItsText) {
  const TextCase& c = GetParam();
  EXPECT_EQ(c.fn(c.code), c.expected) << c.name << "(" << c.code << ")";
}

std::vector<TextCase> Cases() {
  return {
      {"Axle", AxleText, 0, G("D4 AD D6 E1")},
      {"Axle", AxleText, 1, G("B1 B8 D3 C3 D6 E1")},
      {"Axle", AxleText, 0x0101, G("B1 B8 D3 C3 D6 E1")},  // low 8 bits only
      {"Axle", AxleText, 2, kErrorState},
      {"Machine", MachineName, 0, G("41 BB FA")},
      {"Machine", MachineName, 0x0101, G("42 BB FA")},
      {"Machine", MachineName, 0xFF, kErrorState},
      {"CanError", CanErrorText, 0, G("43 41 4E 41 BD D3 CA D5 B3 AC CA B1")},
      {"CanError", CanErrorText, 5, G("43 41 4E 42 D7 D4 BC EC B4 ED CE F3")},
      {"CanError", CanErrorText, 6, kReserved + "06H"},
      {"CanError", CanErrorText, 0x1FA, kReserved + "FAH"},
      {"Chip", ChipText, 0, G("B3 CC D0 F2 52 4F 4D")},
      {"Chip", ChipText, 2, "CPU-RAM"},
      {"Chip", ChipText, 7, "U12"},
      {"Chip", ChipText, 10, kReserved + "0AH"},
      {"Chip", ChipText, 11, kReserved + "0BH"},
      {"Chip", ChipText, 12, G("CB AB BD F4 BC B1 CD A8 B5 C0")},
      {"Chip", ChipText, 13, kReserved + "0DH"},
      {"Chip", ChipText, 14, G("BC E0 BF D8 B0 E6 B1 BE B2 BB D2 BB")},
      {"Chip", ChipText, 16, kReserved + "10H"},
      {"Board", BoardText, 0, G("D0 C5 CF A2 B0 E5 41")},
      {"Board", BoardText, 5, G("49 49 CF D4")},
      {"Board", BoardText, 7, G("D0 C5 BA C5")},
      {"Board", BoardText, 8, "08H"},
      {"Board", BoardText, 0xAB, "ABH"},
      {"Fault", FaultBitsText, 0x0800, "CAN B"},
      {"Fault", FaultBitsText, 0x0400, "CAN A"},
      {"Fault", FaultBitsText, 0x0002, G("CA FD BE DD 45 50 52 4F 4D")},
      {"Fault", FaultBitsText, 0x0001, G("B3 CC D0 F2 45 50 52 4F 4D")},
      {"Fault", FaultBitsText, 0x0C00, G("B6 E0 D6 D8 B9 CA D5 CF") + "0C00"},
      {"Fault", FaultBitsText, 0x0003, G("B6 E0 D6 D8 B9 CA D5 CF") + "0003"},
      {"Fault", FaultBitsText, 0x1000, G("CE B4 D6 AA") + "1000"},
      {"Fault", FaultBitsText, 0x1800, G("CE B4 D6 AA") + "1800"},
      {"Fault", FaultBitsText, 0, G("CE B4 D6 AA") + "0000"},
      {"Analog", AnalogChannelText, 0, G("30 2D C1 D0 B3 B5 B9 DC D1 B9 C1 A6")},
      {"Analog", AnalogChannelText, 7, G("37 2D BC D3 CB D9 B6 C8")},
      {"Analog", AnalogChannelText, 8, kReservedChannel + "08H"},
      {"Speed", SpeedChannelText, 4, G("34 2D D4 AD B1 DF B9 A6 C2 CA")},
      {"Speed", SpeedChannelText, 5, kReservedChannel + "05H"},
      {"SignalInput", SignalInputText, 0, G("30 2D C2 CC B5 C6")},
      {"SignalInput", SignalInputText, 11, "11-UM71"},
      {"SignalInput", SignalInputText, 12, G("31 32 2D B5 E7 C6 BD D0 C5 BA C5")},
      {"SignalInput", SignalInputText, 15, G("31 35 2D B1 B8 D3 C3 33")},
      {"SignalInput", SignalInputText, 16, kReserved + "10H"},
      {"Handle", HandlePositionText, 0, G("30 2D C1 E3 CE BB")},
      {"Handle", HandlePositionText, 7, G("37 2D B1 B8 D3 C3 33")},
      {"Handle", HandlePositionText, 8, kReserved + "08H"},
      {"Brake", BrakeStateText, 6, G("36 2D BD F4 BC B1")},
      {"Brake", BrakeStateText, 7, kReserved + "07H"},
      {"Brake", BrakeStateText, 0x106, G("36 2D BD F4 BC B1")},
  };
}

INSTANTIATE_TEST_SUITE_P(Texts, TextTableTest, ::testing::ValuesIn(Cases()));

TEST(TextsSignalAspect, PassThroughReturnsTheCode) {
  EXPECT_EQ(SignalAspect(0x0110, true), 0x0110);
  EXPECT_EQ(SignalAspect(-5, true), -5);
}

TEST(TextsSignalAspect, GroupTimesTenPlusLampPart) {
  EXPECT_EQ(SignalAspect(0x0110, false), 14);
  EXPECT_EQ(SignalAspect(0x0111, false), 19);  // two lamps
  EXPECT_EQ(SignalAspect(0x0000, false), 8);   // no lamp
  EXPECT_EQ(SignalAspect(0x0F80, false), 157);
  EXPECT_EQ(SignalAspect(0x1001, false), 0);   // bit 12 is not part of the group
  const int parts[8][2] = {{0x01, 0}, {0x04, 1}, {0x08, 2}, {0x02, 3},
                           {0x10, 4}, {0x40, 5}, {0x20, 6}, {0x80, 7}};
  for (auto& p : parts) EXPECT_EQ(SignalAspect(0x0200 | p[0], false), 20 + p[1]) << p[0];
}

TEST(TextsLampAspect, ToggleReturnsTheCode) { EXPECT_EQ(LampAspect(0x0130, true), 0x0130); }

TEST(TextsLampAspect, PriorityAndBase) {
  EXPECT_EQ(LampAspect(0x0130, false), 36);  // 20h before 10h
  EXPECT_EQ(LampAspect(0x0D00, false), 12);  // 260 kept to 8 bits
  EXPECT_EQ(LampAspect(0x0020, false), 6);
  EXPECT_EQ(LampAspect(0x0081, false), 17);  // 80h before 01h
  EXPECT_EQ(LampAspect(0x0003, false), 13);  // 02h before 01h
  EXPECT_EQ(LampAspect(0x0060, false), 16);  // 20h before 40h
  EXPECT_EQ(LampAspect(0x0050, false), 15);  // 40h before 10h
  EXPECT_EQ(LampAspect(0x0001, false), 0);
  EXPECT_EQ(LampAspect(0x0C01, false), 240);
  EXPECT_EQ(LampAspect(0x0D01, false), 4);
}

TEST(TextsJk2hAspect, Table) {
  const int pairs[][2] = {{10, 0}, {11, 1}, {12, 4}, {13, 6}, {14, 5}, {15, 7},
                          {26, 3}, {27, 2}, {31, 8}, {0, 8},  {16, 8}, {255, 8}};
  for (auto& p : pairs) EXPECT_EQ(Jk2hAspect(static_cast<uint8_t>(p[0])), p[1]) << p[0];
}

}  // namespace

// The variants the event records use: the board list with the extended
// boards, the channel-test description's numbered list and the fault text of
// a whole value.
TEST(TextVariants, EventAndNumberedBoardsAndWholeFaultValues) {
  EXPECT_EQ(BoardText(8), "08H");
  EXPECT_EQ(EventBoardText(7), std::string(GBK("信号")));
  EXPECT_EQ(EventBoardText(8), std::string(GBK("扩展通信板A")));
  EXPECT_EQ(EventBoardText(9), std::string(GBK("扩展通信板B")));
  EXPECT_EQ(EventBoardText(10), "0AH");
  EXPECT_EQ(EventBoardText(16), std::string(GBK("无线数传")));
  EXPECT_EQ(EventBoardText(17), "11H");
  EXPECT_EQ(NumberedBoardText(0), std::string(GBK("0-信息处理板A")));
  EXPECT_EQ(NumberedBoardText(10), std::string(GBK("10-无线数传")));
  EXPECT_EQ(NumberedBoardText(11), kReserved + "0BH");
  EXPECT_EQ(FaultValueText(2048), "CAN B");
  EXPECT_EQ(FaultValueText(0), std::string(GBK("未知")) + "0000");
  EXPECT_EQ(FaultValueText(20000), std::string(GBK("多重故障")) + "4E20");
  // Beyond 16 bits: all the digits, where the mask variant cuts to 16 bits.
  EXPECT_EQ(FaultValueText(70000), std::string(GBK("多重故障")) + "11170");
  EXPECT_EQ(FaultBitsText(70000), std::string(GBK("多重故障")) + "1170");
  EXPECT_EQ(FaultValueText(1650000), std::string(GBK("多重故障")) + "192D50");
}
