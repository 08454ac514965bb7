#pragma once
// The SAM-BA download as the firmware download hands a file to it (".binb", and ".bin" in the
// SAM-BA mode): the file's bytes through the chip's boot monitor over the download's port.
#include <istream>

#include "download/download_context.h"

namespace vexa {

bool samba_file_download(const DownloadContext& context, std::istream& file);

}  // namespace vexa
