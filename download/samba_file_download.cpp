#include "download/samba_file_download.h"

#include <iterator>
#include <string>

#include "download/samba_download.h"

namespace vexa {

namespace {

// The download's port as the SAM-BA sender talks to it.
class DownloadSambaPort final : public SambaPort {
 public:
  explicit DownloadSambaPort(DownloadPort& port) : port_(port) {}
  bool write(std::string_view bytes) override { return port_.write_bytes(bytes); }
  int read_byte(int wait_ms) override { return port_.read_byte(wait_ms); }
  long set_speed(long speed) override { return port_.set_speed(speed); }
  long speed() const override { return port_.speed(); }

 private:
  DownloadPort& port_;
};

}  // namespace

bool samba_file_download(const DownloadContext& context, std::istream& file) {
  const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  DownloadSambaPort port(context.port);
  PortReadingPause pause(context.port);
  SambaDownloadOptions options;
  options.verbose = context.verbose;
  options.echo = context.echo;
  options.clock = &context.clock;
  options.pages = [&context](int done, int total) { context.page_done(done, total); };
  // The download does not look at Stop: a chip left with part of its flash written does not
  // start again. Stop says so for as long as it runs.
  context.control.hold_stop("VtStopSamba");
  const bool done = run_samba_download(port, context.report, context.messages, context.status, image, options);
  context.control.hold_stop("");
  return done;
}

}  // namespace vexa
