#include "factory/factory_tests.h"

#include "base/text_format.h"

namespace vexa {

const std::array<FactoryTestInfo, kFactoryTestCount>& factory_tests() {
  static const std::array<FactoryTestInfo, kFactoryTestCount> tests = {{
      {"file data", "data", true, true, true},
      {"disk dr=0", "disk", true, true, true},
      {"vexars232.txt 0/1000", "rs232", false, false, false},
      {"res a12", "res", false, true, true},
      {"ad=0", "ad", true, true, true},
      {"rtc", "rtc", true, true, true},
      {"t=", "temp", false, true, true},
  }};
  return tests;
}

bool factory_test_enabled(char letter, int test) {
  if (test < 0 || test >= kFactoryTestCount) return false;
  const FactoryTestInfo& info = factory_tests()[static_cast<std::size_t>(test)];
  switch (letter) {
    case 'E': return info.on_e;
    case 'F': return info.on_f;
    case 'S': return info.on_s;
    default: return false;
  }
}

int factory_test_by_name(std::string_view name) {
  for (int i = 0; i < kFactoryTestCount; ++i)
    if (name == factory_tests()[static_cast<std::size_t>(i)].name) return i;
  return -1;
}

std::optional<FactoryTypeCommands> factory_commands(char letter, const std::tm& local) {
  switch (letter) {
    case 'E':
      return FactoryTypeCommands{";st;z;a4=a;ad=100ms;fo=1;go", 70, {"st;up vexalog.adc;ls;z;rx=1;d"}};
    case 'F':
      return FactoryTypeCommands{
          ";st;z;rx=1;a12=a*3.814685+0,2;ad=100ms;fo=1;go", 70, {"st;up vexalog.adc;ls;ar12;t;z;rx=1;d"}};
    case 'S':
      return FactoryTypeCommands{
          ";st;z;ad=100ms;go;wt 500;rm -f vexalog.adc" +
              format_text(";sn=p77=%02d%02d", local.tm_year % 100, local.tm_mon + 1),
          25,
          {"st;up vexalog.adc;ls;ar;t;z;d;ec endTstS", kResolutionRerun}};
    default: return std::nullopt;
  }
}

}  // namespace vexa
