#include "data/message_supplements.h"

// Texts are UTF-8.
namespace vexa {

const char* const kSessionMessages[] = {
    "VtJobBusyE_%s is still running: try again when it has ended.",
    "VtJobBusyF_%s est encore en cours : réessayez quand il sera terminé.",
    "VtJobBusyD_%s läuft noch: bitte warten, bis es beendet ist.",
    "",
};

}  // namespace vexa
