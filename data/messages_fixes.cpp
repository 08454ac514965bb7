#include "data/message_supplements.h"

// Reports of failures the program used to pass over in silence. Texts are UTF-8.
namespace vexa {

const char* const kFailureMessages[] = {
    "VtSetNoWrE_Settings not saved to %s: %s",
    "VtSetNoWrF_Paramètres non enregistrés dans %s : %s",
    "VtSetNoWrD_Einstellungen nicht gespeichert in %s: %s",
    "VtLogNoOpE_Capture log %s cannot be opened: %s",
    "VtLogNoOpF_Le journal %s ne peut pas être ouvert : %s",
    "VtLogNoOpD_Protokolldatei %s kann nicht geöffnet werden: %s",
    "VtAinNoRdE_%s cannot be read: %s. The inputs tab offers no input types.",
    "VtAinNoRdF_%s ne peut pas être lu : %s. L'onglet des entrées ne propose aucun type d'entrée.",
    "VtAinNoRdD_%s kann nicht gelesen werden: %s. Die Eingänge bieten keine Eingangstypen an.",
    "VtAinBadE_%s: %d lines not understood",
    "VtAinBadF_%s : %d lignes non comprises",
    "VtAinBadD_%s: %d Zeilen nicht verstanden",
    "VtAinMoreE_... %d more",
    "VtAinMoreF_... %d de plus",
    "VtAinMoreD_... %d weitere",
    "VtMacroLateE_%s not changed: the start %d-%02d-%02d %02d:%02d:%02d is outside what a board macro can hold (up to 2068-01-19 03:14:07)",
    "VtMacroLateF_%s non modifiée : le début %d-%02d-%02d %02d:%02d:%02d dépasse ce qu'une macro de la carte peut contenir (jusqu'au 2068-01-19 03:14:07)",
    "VtMacroLateD_%s nicht geändert: der Start %d-%02d-%02d %02d:%02d:%02d liegt außerhalb dessen, was ein Makro der Karte fassen kann (bis 2068-01-19 03:14:07)",
    "VtPortDeniedE_%s: permission denied. Add your user to the dialout group (sudo usermod -aG dialout $USER), then log out and in again.",
    "VtPortDeniedF_%s : accès refusé. Ajoutez votre utilisateur au groupe dialout (sudo usermod -aG dialout $USER), puis fermez la session et rouvrez-la.",
    "VtPortDeniedD_%s: Zugriff verweigert. Fügen Sie Ihren Benutzer der Gruppe dialout hinzu (sudo usermod -aG dialout $USER), melden Sie sich dann ab und wieder an.",
    "VtPortBusyByE_%s is in use by another program (%s).",
    "VtPortBusyByF_%s est utilisé par un autre programme (%s).",
    "VtPortBusyByD_%s wird von einem anderen Programm benutzt (%s).",
    "VtPortBusyE_%s is in use by another program.",
    "VtPortBusyF_%s est utilisé par un autre programme.",
    "VtPortBusyD_%s wird von einem anderen Programm benutzt.",
    "VtPortMissingE_%s does not exist: is the adapter plugged in?",
    "VtPortMissingF_%s n'existe pas : l'adaptateur est-il branché ?",
    "VtPortMissingD_%s existiert nicht: ist der Adapter eingesteckt?",
    "VtPortNotSerialE_%s is not a serial port.",
    "VtPortNotSerialF_%s n'est pas un port série.",
    "VtPortNotSerialD_%s ist keine serielle Schnittstelle.",
    "VtPortBadLineE_%s does not accept these line settings (speed?).",
    "VtPortBadLineF_%s n'accepte pas ces réglages de ligne (vitesse ?).",
    "VtPortBadLineD_%s nimmt diese Leitungseinstellungen nicht an (Geschwindigkeit?).",
    "",
};

}  // namespace vexa
