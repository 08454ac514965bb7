#include "download/download_context.h"

#include "base/text_format.h"

namespace vexa {

std::string pages_summary(const DownloadContext& context, long bytes, int pages) {
  return format_text("%ld(0x%lx) %s, %d %s", bytes, static_cast<unsigned long>(bytes),
                     context.text("Mbytes").c_str(), pages, context.text("MPwritten").c_str());
}

std::string no_reply_text(const DownloadContext& context, int where, int detail) {
  return format_message(context.text("MnoReply"), {where, detail});
}

}  // namespace vexa
