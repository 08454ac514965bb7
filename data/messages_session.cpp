#include "data/message_supplements.h"

// Texts are UTF-8.
namespace vexa {

const char* const kSessionMessages[] = {
    "VtJobBusyE_%s is still running: try again when it has ended.",
    "VtJobBusyF_%s est encore en cours : réessayez quand il sera terminé.",
    "VtJobBusyD_%s läuft noch: bitte warten, bis es beendet ist.",
    "VtNotAvailableE_%s: not available in this version yet.",
    "VtNotAvailableF_%s : pas encore disponible dans cette version.",
    "VtNotAvailableD_%s: in dieser Version noch nicht verfügbar.",
    "VtThisCommandE_This command",
    "VtThisCommandF_Cette commande",
    "VtThisCommandD_Dieser Befehl",
    "VtSpeedRefusedE_The port does not take the speed '%s': it stays open at its speed.",
    "VtSpeedRefusedF_Le port n'accepte pas la vitesse « %s » : il reste ouvert à sa vitesse.",
    "VtSpeedRefusedD_Der Port nimmt die Geschwindigkeit '%s' nicht an: er bleibt mit seiner Geschwindigkeit offen.",
    "VtJobConfLoadE_Loading the configuration",
    "VtJobConfLoadF_Le chargement de la configuration",
    "VtJobConfLoadD_Das Laden der Konfiguration",
    "VtJobConfDownloadE_The configuration download",
    "VtJobConfDownloadF_Le transfert de la configuration",
    "VtJobConfDownloadD_Die Übertragung der Konfiguration",
    "VtJobClockE_Setting the board clock",
    "VtJobClockF_La mise à l'heure de la carte",
    "VtJobClockD_Das Stellen der Uhr",
    "VtJobEraseE_Erasing to the factory standard",
    "VtJobEraseF_Le retour au standard d'usine",
    "VtJobEraseD_Das Zurücksetzen auf Werkseinstellung",
    "VtJobProbeE_Special 1",
    "VtJobProbeF_Spécial 1",
    "VtJobProbeD_Spezial 1",
    "VtJobSambaInitE_The SAM-BA start",
    "VtJobSambaInitF_Le démarrage SAM-BA",
    "VtJobSambaInitD_Der SAM-BA-Start",
    "",
};

}  // namespace vexa
