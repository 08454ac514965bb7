#include "sim/factory_tables.h"

namespace vexa::sim {

namespace {

// An E board: one serial port, eight 10-bit inputs with integer scaling, no macros.
constexpr FactoryValue kFactoryE[] = {
    {"rn", "vexars.txt"}, {"bd", "9600"}, {"sf", "0"}, {"rx", "0"},
    {"fs", "0"}, {"fe", "0"},
    {"an", "vexalog.adc"}, {"ad", "1s"}, {"as", "0"}, {"am", "0"}, {"ae", "0"},
    {"a0", "a*1+0,0"}, {"a1", "a*25+0,1"}, {"a2", "a*4-100,1"}, {"a3", "a*2+0,0"},
    {"a4", "k1*1+0,1"}, {"a5", "d"}, {"a6", "-"}, {"a7", "-"},
    {"of", "1"}, {"mo", "0"}, {"ax", "0"}, {"dk", "3"}, {"lp", "0"}, {"wd", "1"},
    {"dc", "0"}, {"fo", "0"}, {"po", "0"},
    {"af", "12"}, {"av", "0"}, {"ex", "0"}, {"dr", "0"}, {"de", "0"}, {"dg", "1"}, {"uc", "4"},
};

// An F board: two serial ports, GPS, sixteen 16-bit inputs with real multipliers, ten macros.
constexpr FactoryValue kFactoryF[] = {
    {"rn", "vexars.txt"}, {"bd", "9600"}, {"sf", "0"}, {"rx", "0"},
    {"fs", "0"}, {"fe", "0"}, {"bb", "4800"}, {"gp", "0"},
    {"an", "vexalog.adc"}, {"ad", "1s"}, {"as", "0"}, {"am", "0"}, {"ae", "0"},
    {"a0", "a*3.81468500+0,2"}, {"a1", "a*3.81468500+0,2"}, {"a2", "a*0.03814685+0,1<1000>60000"},
    {"a3", "a*0.15258789-50,1"}, {"a4", "k1*1.00000000+0,1"}, {"a5", "k1*1.00000000+0,1"},
    {"a6", "p*1.00000000+0,1"}, {"a7", "d<1"}, {"a8", "a*1.00000000+0,0"},
    {"a9", "a*1.00000000+0,0"}, {"a10", "-"}, {"a11", "-"}, {"a12", "a*3.81468500+0,2"},
    {"a13", "-"}, {"a14", "-"}, {"a15", "-"},
    {"m0", "onReset,go"}, {"m1", "0,3600,ls"}, {"m2", "-"}, {"m3", ""}, {"m4", ""},
    {"m5", ""}, {"m6", ""}, {"m7", ""}, {"m8", ""}, {"m9", ""},
    {"of", "1"}, {"lm", "0"}, {"mo", "0"}, {"ax", "0"}, {"dk", "3"}, {"lp", "0"}, {"wd", "1"},
    {"dc", "0"}, {"fo", "0"}, {"po", "1"}, {"tr", "0"}, {"et", "0"},
    {"af", "37"}, {"av", "0"}, {"ex", "0"}, {"dr", "2"}, {"de", "0"}, {"dg", "0"}, {"uc", "11"},
};

// An S board: three serial ports, modem, graphic display, remote modules, 24-bit inputs with
// options, twenty macros and the port statistics.
constexpr FactoryValue kFactoryS[] = {
    {"rs0", "1,115200,vexars0.txt,4096,0"}, {"rs1", "0,9600,vexars1.txt,2048,0"},
    {"rs2", "0,19200,vexars2.txt,2048,0"},
    {"fs", "0"}, {"fe", "0"}, {"mm", "0"}, {"gp", "0"}, {"tz", "60"}, {"rt", "1"},
    {"an", "vexalog.adc"}, {"ad", "1s"}, {"as", "0"}, {"am", "0"}, {"ae", "0"},
    {"a0", "a*0.0001558,3,n=Supply"}, {"a1", "a*0.0001558,3"}, {"a2", "a*0.0006232-250,1,m=amM"},
    {"a3", "a*0.0006232-250,1"}, {"a4", "k1*1,1,n=Boiler"}, {"a5", "k1*1,1"},
    {"a6", "p*1,2,l=1"}, {"a7", "d>1"}, {"a8", "a*1,0,d=1"}, {"a9", "a*1,0,p=8"},
    {"a10", "v*1,2,c=a0-a1"}, {"a11", "-"}, {"a12", "a*3.8146851,2"}, {"a13", "-"},
    {"a14", "-"}, {"a15", "-"},
    {"m0", "onReset,go"}, {"m1", "0,3600,ls"}, {"m2", "onDiskerror,st"}, {"m3", ""},
    {"m4", ""}, {"m5", ""}, {"m6", ""}, {"m7", ""}, {"m8", ""}, {"m9", ""},
    {"m10", ""}, {"m11", ""}, {"m12", ""}, {"m13", ""}, {"m14", ""},
    {"m15", ""}, {"m16", ""}, {"m17", ""}, {"m18", ""}, {"m19", ""},
    {"of", "1"}, {"lm", "0"}, {"dx", "0,512"}, {"ax", "0"}, {"lp", "0"}, {"wd", "1"},
    {"po", "1"}, {"tr", "0"}, {"et", "0"}, {"gf", "0"}, {"grt", "5,30"}, {"gry", "0"},
    {"gr0", "a0"}, {"grb0", "0"}, {"gre0", "0"},
    {"rq", "0"}, {"rq0", "0"}, {"rq1", "0"}, {"rq2", "0"}, {"rq3", "0"}, {"rq4", "0"},
    {"rq5", "0"}, {"rq6", "0"}, {"rq7", "0"}, {"rq8", "0"}, {"rq9", "0"},
    {"bm0", "118"}, {"bm1", "0"}, {"bm2", "0"}, {"bv0", "0"}, {"bv1", "0"}, {"bv2", "0"},
    {"rv0", "0"}, {"rv1", "0"}, {"rv2", "0"},
    {"af", "412"}, {"av", "0"}, {"ex", "1"}, {"dr", "0"}, {"de", "0"}, {"dg", "0"}, {"uc", "27"},
};

}  // namespace

std::span<const FactoryValue> factory_values(char type) {
  switch (type) {
    case 'E': return kFactoryE;
    case 'F': return kFactoryF;
    case 'S': return kFactoryS;
    default: return {};
  }
}

}  // namespace vexa::sim
