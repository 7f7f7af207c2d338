// Diagnostic code texts and the signal-aspect decoders.
#include "texts/texts.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "texts/gbk.h"

namespace railfmt::texts {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The low 16 bits as four upper-case hex digits ("0C00").
std::string Hex4(int32_t code) {
  const auto v = static_cast<uint16_t>(code);
  return {kHexDigits[(v >> 12) & 0x0F], kHexDigits[(v >> 8) & 0x0F], kHexDigits[(v >> 4) & 0x0F],
          kHexDigits[v & 0x0F]};
}

// A text table indexed by the code's low byte; empty entries have no text.
template <std::size_t N>
using TextTable = std::array<std::string_view, N>;

// The table's text for the code's low byte, or prefix + hh + "H".
template <std::size_t N>
std::string FromTable(const TextTable<N>& table, int32_t code, std::string_view prefix) {
  const auto v = static_cast<uint8_t>(code);
  if (v < N && !table[v].empty()) return std::string(table[v]);
  std::string s(prefix);
  s += Hex2(code);
  s += 'H';
  return s;
}

// Single lamp (low byte of a signal code) -> aspect part; no lamp -> 8.
struct LampPart {
  uint8_t lamp;
  int32_t part;
};
// Listed in the priority order of the L2000 lamp decoder.
constexpr std::array<LampPart, 8> kLampParts = {{
    {0x20, 6}, {0x40, 5}, {0x10, 4}, {0x08, 2}, {0x04, 1}, {0x02, 3}, {0x80, 7}, {0x01, 0},
}};
constexpr int32_t kNoLampPart = 8;

int32_t SingleLampPart(uint8_t lamps) {
  for (const auto& lp : kLampParts)
    if (lamps == lp.lamp) return lp.part;
  return kNoLampPart;
}

struct FaultBit {
  uint16_t mask;
  std::string_view text;
};
const std::array<FaultBit, 12>& FaultBits() {
  static const std::array<FaultBit, 12> bits = {{
      {0x0800, GBK("CAN B")},
      {0x0400, GBK("CAN A")},
      {0x0200, GBK("速度通道")},
      {0x0100, GBK("DA类芯片")},
      {0x0080, GBK("AD类芯片")},
      {0x0040, GBK("开关量输出")},
      {0x0020, GBK("开关量输入")},
      {0x0010, GBK("时钟芯片")},
      {0x0008, GBK("EEPROM")},
      {0x0004, GBK("RAM")},
      {0x0002, GBK("数据EPROM")},
      {0x0001, GBK("程序EPROM")},
  }};
  return bits;
}

}  // namespace

std::string Hex2(int32_t code) {
  const auto v = static_cast<uint8_t>(code);
  return {kHexDigits[v >> 4], kHexDigits[v & 0x0F]};
}

std::string AxleText(int32_t code) {
  static const TextTable<2> t = {GBK("原轴"), GBK("备用轴")};
  const auto v = static_cast<uint8_t>(code);
  return std::string(v < t.size() ? t[v] : GBK("错误状态"));
}

std::string MachineName(int32_t code) {
  static const TextTable<2> t = {GBK("A机"), GBK("B机")};
  const auto v = static_cast<uint8_t>(code);
  return std::string(v < t.size() ? t[v] : GBK("错误状态"));
}

std::string CanErrorText(int32_t code) {
  static const TextTable<6> t = {GBK("CANA接收超时"), GBK("CANA发送超时"), GBK("CANA自检错误"),
                                 GBK("CANB接收超时"), GBK("CANB发送超时"), GBK("CANB自检错误")};
  return FromTable(t, code, GBK("保留"));
}

std::string ChipText(int32_t code) {
  // 10, 11 and 13 have no text of their own.
  static const TextTable<16> t = {GBK("程序ROM"),  GBK("数据ROM"), GBK("CPU-RAM"),      GBK("日历时钟"),
                                  GBK("U13"),      GBK("U14"),     GBK("U11"),          GBK("U12"),
                                  GBK("CAN"),      GBK("同步通信"), {},                  {},
                                  GBK("双紧急通道"), {},            GBK("监控版本不一"), GBK("数据版本不一")};
  return FromTable(t, code, GBK("保留"));
}

namespace {

// Boards 0..7 for every converter; 8, 9 and 16 for the event records only.
constexpr std::size_t kBasicBoards = 8;
const TextTable<17>& Boards() {
  static const TextTable<17> t = {GBK("信息板A"),     GBK("信息板B"),     GBK("通讯板A"), GBK("通讯板B"),
                                  GBK("I显"),         GBK("II显"),        GBK("黑匣子"),  GBK("信号"),
                                  GBK("扩展通信板A"), GBK("扩展通信板B"), {}, {}, {}, {}, {}, {},
                                  GBK("无线数传")};
  return t;
}

}  // namespace

std::string BoardText(int32_t code) {
  if (static_cast<uint8_t>(code) >= kBasicBoards) return Hex2(code) + "H";
  return FromTable(Boards(), code, "");
}

std::string EventBoardText(int32_t code) { return FromTable(Boards(), code, ""); }

std::string NumberedBoardText(int32_t code) {
  static const TextTable<11> t = {GBK("0-信息处理板A"), GBK("1-信息处理板B"), GBK("2-通信板A"), GBK("3-通信板B"),
                                  GBK("4-I显"),         GBK("5-II显"),        GBK("6-黑匣子"),  GBK("7-信号"),
                                  GBK("8-扩展通信板A"), GBK("9-扩展通信板B"), GBK("10-无线数传")};
  return FromTable(t, code, GBK("保留"));
}

std::string FaultBitsText(int32_t mask) {
  const auto m = static_cast<uint16_t>(mask);
  for (const auto& b : FaultBits())
    if (m == b.mask) return std::string(b.text);
  std::string s((m & 0x07FF) != 0 ? GBK("多重故障") : GBK("未知"));
  s += Hex4(m);
  return s;
}

std::string FaultValueText(int32_t value) {
  for (const auto& b : FaultBits())
    if (value == b.mask) return std::string(b.text);
  std::string s(value % 2048 == 0 ? GBK("未知") : GBK("多重故障"));
  char hex[16];
  std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(value));
  s += hex;
  return s;
}

std::string AnalogChannelText(int32_t code) {
  static const TextTable<8> t = {GBK("0-列车管压力"), GBK("1-闸缸压力"), GBK("2-均缸压力1"),
                                 GBK("3-均缸压力2"),  GBK("4-自检电压"), GBK("5-原边电压"),
                                 GBK("6-原边电流"),   GBK("7-加速度")};
  return FromTable(t, code, GBK("保留通道"));
}

std::string SpeedChannelText(int32_t code) {
  static const TextTable<5> t = {GBK("0-速度通道0"), GBK("1-速度通道1"), GBK("2-速度通道2"),
                                 GBK("3-柴速通道"), GBK("4-原边功率")};
  return FromTable(t, code, GBK("保留通道"));
}

std::string SignalInputText(int32_t code) {
  static const TextTable<16> t = {
      GBK("0-绿灯"),   GBK("1-绿黄"),   GBK("2-黄灯"),      GBK("3-黄2灯"),  GBK("4-双黄灯"), GBK("5-红黄"),
      GBK("6-红灯"),   GBK("7-白灯"),   GBK("8-速度0"),     GBK("9-速度1"),  GBK("10-速度2"), GBK("11-UM71"),
      GBK("12-电平信号"), GBK("13-备用1"), GBK("14-备用2"), GBK("15-备用3")};
  return FromTable(t, code, GBK("保留"));
}

std::string HandlePositionText(int32_t code) {
  static const TextTable<8> t = {GBK("0-零位"),  GBK("1-前进"),  GBK("2-后退"),  GBK("3-牵引"),
                                 GBK("4-制动"),  GBK("5-备用1"), GBK("6-备用2"), GBK("7-备用3")};
  return FromTable(t, code, GBK("保留"));
}

std::string BrakeStateText(int32_t code) {
  static const TextTable<7> t = {GBK("0-卸载"),  GBK("1-减压"),  GBK("2-关风"), GBK("3-备用1"),
                                 GBK("4-备用2"), GBK("5-备用3"), GBK("6-紧急")};
  return FromTable(t, code, GBK("保留"));
}

int32_t SignalAspect(int32_t code, bool passThrough) {
  if (passThrough) return code;
  const auto lamps = static_cast<uint8_t>(code);
  const int32_t group = (code >> 8) & 0x0F;
  const int32_t result = group * 10;
  if ((lamps & (lamps - 1)) != 0) return result + 9;  // more than one lamp lit
  return result + SingleLampPart(lamps);
}

int32_t LampAspect(int32_t code, bool toggle) {
  if (toggle) return code;
  const auto lamps = static_cast<uint8_t>(code);
  const int32_t base = static_cast<uint8_t>(((code >> 8) & 0x0F) * 20);
  for (const auto& lp : kLampParts) {
    if ((lamps & lp.lamp) == 0) continue;
    return lamps == lp.lamp ? base + lp.part : base + 10 + lp.part;
  }
  return base + kNoLampPart;
}

int32_t Jk2hAspect(uint8_t code) {
  switch (code) {
    case 10: return 0;
    case 11: return 1;
    case 12: return 4;
    case 13: return 6;
    case 14: return 5;
    case 15: return 7;
    case 26: return 3;
    case 27: return 2;
    case 31: return 8;
    default: return 8;
  }
}

}  // namespace railfmt::texts
