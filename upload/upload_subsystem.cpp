#include "upload/upload_subsystem.h"

namespace vexa {

UploadSubsystem::UploadSubsystem(LinkSession& link, ReportSink& reports, const Messages& messages,
                                 Settings& settings, BoardJobs& jobs, UploadTabNames names)
    : link_(link),
      upload_(reports, messages, UploadLink(link), &jobs, names.start_directory),
      tab_(upload_, messages, settings, reports, names) {
  link_.consumers().attach(ConsumerSlot::upload, &upload_);
}

UploadSubsystem::~UploadSubsystem() { link_.consumers().detach(ConsumerSlot::upload); }

}  // namespace vexa
