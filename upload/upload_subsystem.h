#pragma once
// The data upload as the session owns it: the upload at the link's upload place among the line
// consumers, and the upload tab's logic over it. Built and destroyed on the window thread; its
// going waits for a line being handed to the upload.
#include "base/board_jobs.h"
#include "base/messages.h"
#include "base/settings.h"
#include "link/link_session.h"
#include "upload/data_upload.h"
#include "upload/upload_tab.h"

namespace vexa {

class UploadSubsystem {
 public:
  UploadSubsystem(LinkSession& link, ReportSink& reports, const Messages& messages, Settings& settings,
                  BoardJobs& jobs, UploadTabNames names);
  UploadSubsystem(const UploadSubsystem&) = delete;
  UploadSubsystem& operator=(const UploadSubsystem&) = delete;

  DataUpload& upload() { return upload_; }
  UploadTab& tab() { return tab_; }

  // The main window's Stop (708): asks the board to stop listing.
  void stop() { upload_.stop_upload(); }
  // The session's 100 ms timer, before the port probe: an upload whose link went away ends
  // with what it stored, and the line the loss cut is repaired when the board is back.
  void tick_100ms() { upload_.check_link(); }

 private:
  LinkSession& link_;
  DataUpload upload_;
  UploadTab tab_;
  LineRegistration lines_;  // last: off the table before the upload goes
};

}  // namespace vexa
