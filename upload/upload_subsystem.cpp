#include "upload/upload_subsystem.h"

namespace vexa {

UploadSubsystem::UploadSubsystem(LinkSession& link, ReportSink& reports, const Messages& messages,
                                 Settings& settings, BoardJobs& jobs, UploadTabNames names)
    : link_(link),
      upload_(reports, messages, UploadLink(link), &jobs, names.start_directory),
      tab_(upload_, messages, settings, reports, names),
      lines_(link_.consumers().add(line_place::upload, upload_)) {}

}  // namespace vexa
