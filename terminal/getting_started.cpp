#include "terminal/getting_started.h"

#include <cctype>

#include "base/cp1252.h"

namespace vexa {
namespace {

constexpr std::string_view kEnglish =
    "VexaLog S:\r\n"
    "1. Select a COM port, 115200 baud, open the port\r\n"
    "   (USB connection appears as a virtual COM port)\r\n"
    "2. Configuration/Load from board\r\n"
    "\r\n"
    "VexaLog E, VexaLog F:\r\n"
    "1. Select a COM port, 9600 baud, open the port\r\n"
    "2. Switch board to STOP, or reset board without CF\r\n"
    "3. Configuration/Load from board\r\n"
    "\r\n"
    "Any char received from the target, appears in this window\r\n"
    "Any char typed into this window, is send to the target";

constexpr std::string_view kFrench =
    "VexaLog S :\r\n"
    "1. Choisissez un port COM, 115200 bauds, ouvrez le port\r\n"
    "   (une liaison USB apparaît comme un port COM virtuel)\r\n"
    "2. Configuration/Charger depuis la carte\r\n"
    "\r\n"
    "VexaLog E, VexaLog F :\r\n"
    "1. Choisissez un port COM, 9600 bauds, ouvrez le port\r\n"
    "2. Mettez la carte sur STOP ou réinitialisez-la sans carte CF\r\n"
    "3. Configuration/Charger depuis la carte\r\n"
    "\r\n"
    "Tout caractère reçu de la carte s'affiche dans cette fenêtre\r\n"
    "Tout caractère tapé dans cette fenêtre est envoyé à la carte";

constexpr std::string_view kGerman =
    "VexaLog S:\r\n"
    "1. COM-Port wählen, 115200 Baud, Port öffnen\r\n"
    "   (eine USB-Verbindung erscheint als virtueller COM-Port)\r\n"
    "2. Konfiguration/Von der Karte laden\r\n"
    "\r\n"
    "VexaLog E, VexaLog F:\r\n"
    "1. COM-Port wählen, 9600 Baud, Port öffnen\r\n"
    "2. Karte auf STOP stellen oder ohne CF-Karte zurücksetzen\r\n"
    "3. Konfiguration/Von der Karte laden\r\n"
    "\r\n"
    "Jedes von der Karte empfangene Zeichen erscheint in diesem Fenster\r\n"
    "Jedes in dieses Fenster getippte Zeichen wird an die Karte gesendet";

}  // namespace

std::string_view getting_started_text(char language) {
  switch (std::tolower(static_cast<unsigned char>(language))) {
    case 'f':
      return kFrench;
    case 'd':
      return kGerman;
    default:
      return kEnglish;
  }
}

void show_getting_started(CharSink& terminal, bool is_family_product, char language) {
  if (!is_family_product) return;
  terminal.put_text(utf8_to_cp1252(getting_started_text(language)));
  terminal.flush();
}

}  // namespace vexa
