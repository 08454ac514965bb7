// The defined rows of the three built-in parameter tables, written as key families: a single
// key, or a prefix with a range of numbers. Expanded once, in the order below, into the rows
// the tables are built from.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/parameter_table.h"

namespace vexa {

namespace {

constexpr std::int32_t Y = 1;  // the key exists in every firmware version
constexpr std::int32_t N = 0;  // the key does not exist on that board type
constexpr int kSingle = -1;    // the family is one key: the prefix itself

struct KeyFamily {
  const char* prefix;
  int first;  // kSingle, or the first number appended to the prefix
  int last;   // the last number (inclusive)
  std::int32_t e, f, s;
  std::uint32_t statistic;
  // Display names; nullptr: the key itself. "%d" stands for the key's number.
  const char* english;
  const char* french;
  const char* german;
};

// clang-format off
constexpr KeyFamily kFamilies[] = {
  {"  ",   kSingle, 0,  Y, Y, Y, 0, "Version", "Version", "Version"},
  {"rn",   kSingle, 0,  Y, Y, N, 0, "Filename rs232", "Nom de fichier RS232", "Dateiname Rs232"},
  {"bd",   kSingle, 0,  Y, Y, N, 0, "Baudrate", "Débit en bauds", "Baudrate"},
  {"sf",   kSingle, 0,  Y, Y, N, 0, "Flow control", "Contrôle de flux", "Flusssteuerung"},
  {"rx",   kSingle, 0,  Y, Y, N, 0, "No rs232 data, always config mode",
                                    "Pas de données RS232, toujours en mode configuration",
                                    "Keine Rs232-Daten, immer Konfigurationsmodus"},
  {"rs0",  kSingle, 0,  N, N, Y, 0, "Rs0 Rs232 mode,baud,fname,bufsz,flow",
                                    "Rs0 RS232 mode,débit,fichier,tampon,flux",
                                    "Rs0 Rs232 Modus,Baud,Datei,Puffer,Fluss"},
  {"rs1",  kSingle, 0,  N, N, Y, 0, "Rs1 Rs232 mode,baud,fname,bufsz,flow",
                                    "Rs1 RS232 mode,débit,fichier,tampon,flux",
                                    "Rs1 Rs232 Modus,Baud,Datei,Puffer,Fluss"},
  {"rs2",  kSingle, 0,  N, N, Y, 0, "Rs2 Rs485 mode,baud,fname,bufsz,flow",
                                    "Rs2 RS485 mode,débit,fichier,tampon,flux",
                                    "Rs2 Rs485 Modus,Baud,Datei,Puffer,Fluss"},
  {"fs",   kSingle, 0,  Y, Y, Y, 0, "Frame start", "Début de trame", "Rahmenanfang"},
  {"fe",   kSingle, 0,  Y, Y, Y, 0, "Frame end", "Fin de trame", "Rahmenende"},
  {"bb",   kSingle, 0,  N, Y, N, 0, "Baudrate 2. rs232", "Débit 2e RS232", "Baudrate 2. Rs232"},
  {"mm",   kSingle, 0,  N, N, Y, 0, "Modem mode", "Mode modem", "Modembetrieb"},
  {"gp",   kSingle, 0,  N, Y, Y, 0, "Gps", "GPS", "GPS"},
  {"tz",   kSingle, 0,  N, N, Y, 0, "Timezone", "Fuseau horaire", "Zeitzone"},
  {"rt",   kSingle, 0,  N, N, Y, 0, "Real time clock", "Horloge temps réel", "Echtzeituhr"},
  {"an",   kSingle, 0,  Y, Y, Y, 0, "Filename analogue data", "Nom de fichier données analogiques",
                                    "Dateiname Analogdaten"},
  {"ad",   kSingle, 0,  Y, Y, Y, 0, "Data sample rate", "Cadence d'échantillonnage", "Abtastrate"},
  {"as",   kSingle, 0,  Y, Y, Y, 0, "Data frame start", "Début de trame de données",
                                    "Datenrahmenanfang"},
  {"am",   kSingle, 0,  Y, Y, Y, 0, "Data frame start milliseconds",
                                    "Début de trame de données en millisecondes",
                                    "Datenrahmenanfang Millisekunden"},
  {"ae",   kSingle, 0,  Y, Y, Y, 0, "Data frame end", "Fin de trame de données", "Datenrahmenende"},
  {"a",    0, 7,      Y, Y, Y, 0, nullptr, nullptr, nullptr},
  {"a",    8, 15,     N, Y, Y, 0, nullptr, nullptr, nullptr},
  {"a",    16, 199,   N, N, Y, 0, nullptr, nullptr, nullptr},
  {"m",    0, 9,      N, Y, Y, 0, "Macro %d", "Macro %d", "Macro %d"},
  {"m",    10, 19,    N, N, Y, 0, "Macro %d", "Macro %d", "Macro %d"},
  {"of",   kSingle, 0,  Y, Y, Y, 0, "Output format", "Format de sortie", "Ausgabeformat"},
  {"lm",   kSingle, 0,  N, Y, Y, 0, "LCD format", "Format LCD", "LCD-Format"},
  {"mo",   kSingle, 0,  Y, Y, N, 0, "Monthly", "Mensuel", "Monatlich"},
  {"dx",   kSingle, 0,  N, N, Y, 0, "Disk params", "Paramètres disque", "Laufwerksparameter"},
  {"ax",   kSingle, 0,  Y, Y, Y, 0, "Analogue specials", "Options analogiques spéciales",
                                    "Analog-Sonderfunktionen"},
  {"dk",   kSingle, 0,  Y, Y, N, 0, "Disk retries 1=no retry",
                                    "Nouvelles tentatives disque 1=aucune",
                                    "Laufwerkswiederholungen 1=keine"},
  {"lp",   kSingle, 0,  Y, Y, Y, 0, "Low power mode", "Mode basse consommation", "Stromsparmodus"},
  {"wd",   kSingle, 0,  Y, Y, Y, 0, "Watchdog", "Chien de garde", "Watchdog"},
  {"dc",   kSingle, 0,  Y, Y, N, 0, "DCD pin", "Broche DCD", "DCD-Pin"},
  {"fo",   kSingle, 0,  Y, Y, N, 0, "Format disk", "Formater le disque", "Laufwerk formatieren"},
  {"po",   kSingle, 0,  Y, Y, Y, 0, "Power monitor", "Surveillance de l'alimentation",
                                    "Spannungsüberwachung"},
  {"tr",   kSingle, 0,  N, Y, Y, 0, "Trigger", "Déclenchement", "Auslöser"},
  {"et",   kSingle, 0,  N, Y, Y, 0, "Exception delays", "Délais d'exception",
                                    "Ausnahmeverzögerungen"},
  {"gf",   kSingle, 0,  N, N, Y, 0, "Gprs ftp data", "Données FTP GPRS", "GPRS-FTP-Daten"},
  {"grt",  kSingle, 0,  N, N, Y, 0, "Graphic LCD times etc", "LCD graphique : temps etc.",
                                    "Grafik-LCD Zeiten usw."},
  {"gry",  kSingle, 0,  N, N, 1202, 0, "Graphic LCD protections", "LCD graphique : protections",
                                    "Grafik-LCD Schutz"},
  {"gr",   0, 99,     N, N, Y, 0, "Graphic LCD channel", "LCD graphique : voie", "Grafik-LCD Kanal"},
  {"grb",  0, 9,      N, N, Y, 0, "Graphic LCD bar graph pages", "LCD graphique : pages bargraphe",
                                    "Grafik-LCD Balkenseiten"},
  {"gre",  0, 99,     N, N, Y, 0, "Graphic LCD engine dot", "LCD graphique : point moteur",
                                    "Grafik-LCD Motorpunkt"},
  {"rq",   kSingle, 0,  N, N, Y, 0, "Remote Acquisiton", "Acquisition déportée", "Fernerfassung"},
  {"rq",   0, 99,     N, N, Y, 0, "Remote Acquisiton module", "Module d'acquisition déportée",
                                    "Fernerfassungsmodul"},
  {"bm",   0, 1,      N, N, Y, 1, "Rs232 max buffer fill", "Remplissage max. tampon RS232",
                                    "Rs232 max. Pufferfüllung"},
  {"bm",   2, 2,      N, N, Y, 1, "Rs485 max buffer fill", "Remplissage max. tampon RS485",
                                    "Rs485 max. Pufferfüllung"},
  {"bv",   0, 1,      N, N, Y, 1, "Rs232 buffer overflow counter",
                                    "Compteur de débordements tampon RS232",
                                    "Rs232 Pufferüberlaufzähler"},
  {"bv",   2, 2,      N, N, Y, 1, "Rs485 buffer overflow counter",
                                    "Compteur de débordements tampon RS485",
                                    "Rs485 Pufferüberlaufzähler"},
  {"rv",   0, 1,      N, N, Y, 1, "Rs232 Receiver overflow counter",
                                    "Compteur de débordements récepteur RS232",
                                    "Rs232 Empfängerüberlaufzähler"},
  {"rv",   2, 2,      N, N, Y, 1, "Rs485 Receiver overflow counter",
                                    "Compteur de débordements récepteur RS485",
                                    "Rs485 Empfängerüberlaufzähler"},
  {"af",   kSingle, 0,  Y, Y, Y, 1, "ADC max buffer fill", "Remplissage max. tampon CAN",
                                    "ADC max. Pufferfüllung"},
  {"av",   kSingle, 0,  Y, Y, Y, 1, "ADC buffer overflow counter",
                                    "Compteur de débordements tampon CAN", "ADC-Pufferüberlaufzähler"},
  {"ex",   kSingle, 0,  Y, Y, Y, 1, "Exceptions", "Exceptions", "Ausnahmen"},
  {"dr",   kSingle, 0,  Y, Y, Y, 1, "Disk error retry counter",
                                    "Compteur de reprises sur erreur disque",
                                    "Wiederholungszähler Laufwerksfehler"},
  {"de",   kSingle, 0,  Y, Y, Y, 1, "Disk error counter", "Compteur d'erreurs disque",
                                    "Laufwerksfehlerzähler"},
  {"dg",   kSingle, 0,  Y, Y, Y, 1, "Watchdog reset counter",
                                    "Compteur de réinitialisations chien de garde",
                                    "Watchdog-Resetzähler"},
  {"uc",   kSingle, 0,  Y, Y, Y, 1, "Upload file counter", "Compteur de fichiers transférés",
                                    "Zähler hochgeladener Dateien"},
};
// clang-format on

// A family's display name for one key: the key itself, or the pattern with its number.
std::string family_name(const char* pattern, const std::string& key, int number) {
  if (pattern == nullptr) return key;
  std::string name(pattern);
  if (const std::size_t at = name.find("%d"); at != std::string::npos) {
    name.replace(at, 2, std::to_string(number));
  }
  return name;
}

std::vector<ParameterDefinition> expand_families() {
  std::vector<ParameterDefinition> rows;
  rows.reserve(kDefinedParameters);
  for (const KeyFamily& family : kFamilies) {
    const bool single = family.first == kSingle;
    const int first = single ? 0 : family.first;
    const int last = single ? 0 : family.last;
    for (int n = first; n <= last; ++n) {
      ParameterDefinition row;
      row.key = single ? std::string(family.prefix) : family.prefix + std::to_string(n);
      row.min_version_e = family.e;
      row.min_version_f = family.f;
      row.min_version_s = family.s;
      row.statistic = family.statistic;
      row.name_english = family_name(family.english, row.key, n);
      row.name_french = family_name(family.french, row.key, n);
      row.name_german = family_name(family.german, row.key, n);
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

}  // namespace

const std::vector<ParameterDefinition>& parameter_definitions() {
  static const std::vector<ParameterDefinition> rows = expand_families();
  return rows;
}

}  // namespace vexa
