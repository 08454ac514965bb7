#include "data/message_supplements.h"

namespace vexa {

const char* const* const kMessageSupplements[] = {
    kSessionMessages,
    kDownloadMessages,
    nullptr,
};

}  // namespace vexa
