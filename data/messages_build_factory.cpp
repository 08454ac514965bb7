#include "data/message_supplements.h"

// Texts of the compile tab and the factory test. Texts are UTF-8.
namespace vexa {

const char* const kBuildFactoryMessages[] = {
    "VtCompileNoDownloadE_The firmware download is not available in this build yet.",
    "VtCompileNoDownloadF_Le chargement du firmware n'est pas encore disponible dans cette version.",
    "VtCompileNoDownloadD_Das Laden der Firmware ist in dieser Version noch nicht verfügbar.",
    "VtRecoverJobE_The board recovery",
    "VtRecoverJobF_La récupération de la carte",
    "VtRecoverJobD_Die Kartenwiederherstellung",
    "VtFactoryJobE_The factory test",
    "VtFactoryJobF_Le test de production",
    "VtFactoryJobD_Der Fertigungstest",
    "VtFactoryNoTypeE_The factory test has no commands for board type %s.",
    "VtFactoryNoTypeF_Le test de production n'a pas de commandes pour le type de carte %s.",
    "VtFactoryNoTypeD_Der Fertigungstest hat keine Befehle für den Kartentyp %s.",
    "VtFactoryStoppedE_Factory test stopped.",
    "VtFactoryStoppedF_Test de production arrêté.",
    "VtFactoryStoppedD_Fertigungstest abgebrochen.",
    "",
};

}  // namespace vexa
