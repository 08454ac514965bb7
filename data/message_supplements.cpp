#include "data/message_supplements.h"

namespace vexa {

const char* const* const kMessageSupplements[] = {
    kSessionMessages,
    kBuildFactoryMessages,
    kFailureMessages,
    kUploadMessages,
    kDownloadMessages,
    kTerminalMessages,
    kDesktopMessages,
    nullptr,
};

}  // namespace vexa
