#include "download/firmware_download.h"

#include <fstream>

#include "base/text_format.h"
#include "download/hex_image.h"
#include "download/line_script.h"
#include "download/page_loader.h"

namespace vexa {

namespace {

void print_identity(const DownloadContext& context, long bytes, std::uint32_t identity) {
  context.print(format_text("%ld [0x%lx] %s crc= 0x%X", bytes, static_cast<unsigned long>(bytes),
                            context.text("Mbytes").c_str(), identity));
}

bool board_accepts(const DownloadContext& context, const LoaderType& row) {
  const char letter = context.target.type_letter();
  if (letter == 0 || letter == row.letter) return true;
  context.print(context.text("MerrBoard") + ": " + context.target.identity_line());
  return false;
}

bool samba(const DownloadContext& context, std::istream& file, const FirmwareHooks& hooks) {
  if (!hooks.samba_download) {
    context.print(context.text("VtSambaMissing"));
    return false;
  }
  return hooks.samba_download(context, file);
}

}  // namespace

bool hex_file_download(const DownloadContext& context, std::istream& file) {
  const HexImage image = read_hex_image(file);
  if (image.long_records > 0)
    context.print(format_message(context.text("VtHexLongRecords"), {std::to_string(image.long_records)}));
  const std::uint16_t identity = hex_identity(image);
  print_identity(context, image.data_count, identity);
  const LoaderType& row = find_loader_type(identity);
  if (static_cast<std::int64_t>(row.image_size()) != image.data_count) {
    context.print(format_text("%s %04x", context.text("MerrCrc").c_str(), identity));
    context.print(context.text("VtCrcNoLoader"));  // the bare code alone tells the user nothing
    return false;
  }
  if (!board_accepts(context, row)) return false;
  return hex_download(context, image, row);
}

bool bin_file_download(const DownloadContext& context, std::istream& file) {
  const WordIdentity identity = bin_identity(file);
  print_identity(context, 4L * identity.words, identity.value);
  const LoaderType& row = find_loader_type(identity.value);
  if (!board_accepts(context, row)) return false;
  file.clear();
  file.seekg(0);
  return bin_download(context, file, row);
}

bool firmware_download(const DownloadContext& context, FirmwareSelection& selection,
                       const FirmwareHooks& hooks) {
  context.status.set_progress("0");
  const FirmwareFile current = selection.current();
  const std::string title = current.title.empty() ? current.path : current.title;
  std::ifstream file(current.path, std::ios::binary);
  if (!file) {
    context.print(context.text("MerOp") + " " + current.path);
    context.control.finish({JobOutcome::failed, "VtWhatFirmware", title});
    return false;
  }
  context.print(context.text("Mopen") + " " + current.path);
  const std::string extension = firmware_extension(current.path);
  if (selection.remember(current, context.text("Mdownload")) && hooks.recent_changed)
    hooks.recent_changed();

  bool done = false;
  bool by_samba = false, script = false;
  if (extension == "bin") {
    by_samba = hooks.samba_mode && hooks.samba_mode();
    done = by_samba ? samba(context, file, hooks) : bin_file_download(context, file);
  } else if (extension == "binb") {
    by_samba = true;
    if (hooks.set_samba_mode) hooks.set_samba_mode(true);
    done = samba(context, file, hooks);
    if (hooks.set_samba_mode) hooks.set_samba_mode(false);
  } else if (extension == "hex") {
    done = hex_file_download(context, file);
  } else {
    script = true;
    done = line_script_download(context, file);
  }
  file.close();
  // A script ends quietly at Stop; SAM-BA never stops half way, so its only ends are these two.
  JobOutcome outcome = done ? JobOutcome::done : JobOutcome::failed;
  if (!by_samba && context.stopped() && (script || !done)) outcome = JobOutcome::stopped;
  context.control.finish({outcome, by_samba ? "VtWhatSamba" : "VtWhatFirmware", title});
  if (hooks.end_beep) hooks.end_beep();
  if (hooks.factory_reset) hooks.factory_reset();
  return done;
}

}  // namespace vexa
