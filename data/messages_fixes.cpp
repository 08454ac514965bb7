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
    "",
};

}  // namespace vexa
