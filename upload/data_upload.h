#pragma once
// The data upload: asks the board to list one of its logged files and stores the listed '>'
// lines in a host file, as text or as hexadecimal bytes, resuming after the last stored time
// stamp or line number. It runs on received lines: the receive thread hands every line to
// on_line (place line_place::upload). While it runs it holds the link's upload gate, and the
// board job gate when it sent the upload command itself (a capture started by an 'up NAME'
// line sends nothing and is never refused); each line reaches the file before the next one is
// taken.
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "base/board_jobs.h"
#include "base/messages.h"
#include "link/line_consumer.h"
#include "base/report_sink.h"
#include "upload/display_ring.h"
#include "upload/host_file_scan.h"
#include "upload/upload_link.h"

namespace vexa {

inline constexpr std::size_t kUploadNameChars = 299;
inline constexpr std::size_t kCapturedNameChars = 499;
inline constexpr long kFastSpeed = 115200;

struct UploadRequest {
  std::string host_path;     // the file on the PC
  std::string target;        // the file on the board
  std::string resume_stamp;  // as typed in "Load from"; checked by start()
  bool create = false;       // "Create file" (truncate) rather than "Append to file"
  bool binary = false;
  bool send_command = true;  // false: capture a listing the board was asked for elsewhere
  bool fast = false;         // switch the link to 115200 for the listing
};

// What changed since the tab last looked (the tab shows it on its timer).
struct UploadEvents {
  bool any = false;
  int line_count = 0;
  std::optional<std::string> resume_stamp;   // field "Load from" follows it
  std::optional<std::string> captured_name;  // an 'up NAME' line started a capture
  bool ended = false;                        // the choice goes back to "Append to file"
};

// The two-digit hexadecimal bytes at the start of data, up to the first pair that is not one.
std::string hex_bytes(std::string_view data);

// The first line completed after the link was lost may carry the cut-off start of a line
// before the first line of the resumed listing ('>2024:0' + '>2024:03:01 ...'): returns the
// resumed line alone when line has that shape, else line.
std::string_view drop_cut_line_start(std::string_view line);

class DataUpload final : public LineConsumer {
 public:
  // jobs may be null (nothing else talks to the board). start_directory takes the files of a
  // capture started by an 'up NAME' line.
  DataUpload(ReportSink& reports, const Messages& messages, UploadLink link, BoardJobs* jobs,
             std::string start_directory);
  ~DataUpload() override;
  DataUpload(const DataUpload&) = delete;
  DataUpload& operator=(const DataUpload&) = delete;

  // Opens the host file and, when asked to, sends the upload command (with the speed switch
  // first). False when nothing started: the job gate is taken (a capture does not ask for
  // it), or the file cannot be opened ("Error open" and the path). A start while an upload
  // runs replaces it.
  bool start(const UploadRequest& request);
  // Asks the board to stop listing (a single blank) when an upload runs or data lines come.
  // A second Stop while the board has sent nothing since the first ends the upload here, so a
  // board that went silent does not hold the gate for ever.
  void stop_upload();
  // Ends an upload whose link went away (the timer calls it): the file is closed with every
  // line it got, and the report says so. Returns true when it ended one.
  bool check_link();

  void on_line(std::string_view line) override;

  bool running() const;
  int line_count() const;
  bool binary() const;
  long saved_speed() const;
  const std::string& start_directory() const { return start_directory_; }

  // The resume point the host file's refresh found (the number prefix also drives the skip of
  // the first line of a resumed upload).
  void set_resume_point(const ResumePoint& point);
  ResumePoint resume_point() const;

  UploadEvents take_events();
  DisplayRing& ring() { return ring_; }

 private:
  bool open_file_locked(const UploadRequest& request, const std::string& stamp);
  void store_line_locked(std::string_view data);
  void close_file_locked();
  void close_host_file_locked();  // the file alone: the gates stay as they are
  void capture(std::string_view rest_of_up_line);
  void restore_speed();
  // After a "bi=" command: discards at most one byte that comes within 200 ms (with the
  // receive thread's reading paused, unless this runs on the receive thread itself), then
  // sets the port's speed, shown on the terminal.
  void switch_speed(long speed, bool on_receive_thread);
  void note_event_locked() { events_.any = true; }

  ReportSink& reports_;
  const Messages& messages_;
  UploadLink link_;
  BoardJobs* jobs_;
  const std::string start_directory_;

  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;   // open exactly while an upload runs
  bool created_file_ = false;   // file_ did not exist before this upload opened it
  std::optional<BoardJobs::Ticket> ticket_;
  std::string host_path_;
  std::string target_;
  std::string resume_stamp_;
  std::string number_prefix_;
  bool binary_ = false;
  bool first_line_ = false;
  bool write_failed_ = false;
  int line_count_ = 0;
  bool data_lines_seen_ = false;
  long saved_speed_ = 0;
  bool repair_next_line_ = false;
  bool stop_unanswered_ = false;  // a Stop was sent and no line came since
  UploadEvents events_;
  DisplayRing ring_;
};

}  // namespace vexa
