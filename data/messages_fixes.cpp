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
    "",
};

}  // namespace vexa
