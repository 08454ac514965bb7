#include "download/samba_file_download.h"

#include <iterator>
#include <string>

#include "download/samba_download.h"

namespace vexa {

bool samba_file_download(const DownloadContext& context, std::istream& file) {
  const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ReadingPause pause(context.port);
  SambaDownloadOptions options;
  options.verbose = context.verbose;
  options.echo = context.echo;
  options.clock = &context.clock;
  options.pages = [&context](int done, int total) { context.page_done(done, total); };
  // The download does not look at Stop: a chip left with part of its flash written does not
  // start again. Stop says so for as long as it runs.
  context.control.hold_stop("VtStopSamba");
  const bool done = run_samba_download(context.port, context.report, context.messages, context.status, image, options);
  context.control.hold_stop("");
  return done;
}

}  // namespace vexa
