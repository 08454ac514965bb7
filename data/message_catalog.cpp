#include "data/message_catalog.h"

namespace vexa {

const char* const kMessageCatalog[] = {
    "MenConfE_Configuration",
    "XXXXXXXXXXXXXXXXXXXXXXXXXXX",
    "MenConfF_Configuration",
    "XXXXXXXXXXXXXXXXXXXXXXXXXXX",
    "MenConfD_Konfiguration",
    "",
};

}  // namespace vexa
