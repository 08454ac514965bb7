#include "data/message_supplements.h"

// Texts are UTF-8.
namespace vexa {

const char* const kUploadMessages[] = {
    "VtUpLostE_The link went away; the host file keeps every complete line:",
    "VtUpLostF_La liaison a disparu ; le fichier garde toutes les lignes complètes :",
    "VtUpLostD_Die Verbindung ist weg; die Datei behält alle vollständigen Zeilen:",
    "VtUpWriteE_Error writing",
    "VtUpWriteF_Erreur d'écriture",
    "VtUpWriteD_Fehler beim Schreiben",
    "VtGraphTimeE_time",
    "VtGraphTimeF_temps",
    "VtGraphTimeD_Zeit",
    "VtGraphValueE_value",
    "VtGraphValueF_valeur",
    "VtGraphValueD_Wert",
    "VtGraphSeriesE_Value %d",
    "VtGraphSeriesF_Valeur %d",
    "VtGraphSeriesD_Wert %d",
    "",
};

}  // namespace vexa
