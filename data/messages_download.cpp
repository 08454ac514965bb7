#include "data/message_supplements.h"

// Texts are UTF-8.
namespace vexa {

const char* const kDownloadMessages[] = {
    "VtHexLongRecordsE_%s HEX records longer than 499 characters were left out",
    "VtHexLongRecordsF_%s enregistrements HEX de plus de 499 caractères ont été ignorés",
    "VtHexLongRecordsD_%s HEX-Zeilen mit mehr als 499 Zeichen wurden übergangen",
    "VtSambaMissingE_The SAM-BA download is not available in this program",
    "VtSambaMissingF_Le téléchargement SAM-BA n'est pas disponible dans ce programme",
    "VtSambaMissingD_Der SAM-BA-Download ist in diesem Programm nicht verfügbar",
    "VtCrcNoLoaderE_The image fits no board loader: check that it was built for this board type and for its loader version.",
    "VtCrcNoLoaderF_L'image ne convient à aucun chargeur de carte : vérifiez qu'elle a été construite pour ce type de carte et pour la version de son chargeur.",
    "VtCrcNoLoaderD_Das Abbild passt zu keinem Lader einer Karte: prüfen Sie, ob es für diesen Kartentyp und die Version seines Laders erstellt wurde.",
    "",
};

}  // namespace vexa
