#pragma once
// The firmware download job (command 703): opens the current file, announces it, updates the
// recent list, hands the file to the download its extension names, then beeps and resets the
// factory test display, whatever the outcome.
#include <functional>
#include <istream>

#include "download/download_context.h"
#include "download/firmware_selection.h"

namespace vexa {

struct FirmwareHooks {
  // The SAM-BA download of a file (".binb", and ".bin" in SAM-BA mode). Unset: a line says
  // it is not available.
  std::function<bool(const DownloadContext&, std::istream&)> samba_download;
  // The SAM-BA mode switch (the debug menu's "samba").
  std::function<bool()> samba_mode;
  std::function<void(bool)> set_samba_mode;
  // The recent list changed: the Tools menu should show FirmwareSelection::recent_menu_items()
  // (called on the worker; post to the window thread).
  std::function<void()> recent_changed;
  // The end of every download that opened its file: the default beep, then the factory test
  // display reset with its force flag.
  std::function<void()> end_beep;
  std::function<void()> factory_reset;
};

// Runs the download of the selection's current file. True when it completed.
bool firmware_download(const DownloadContext& context, FirmwareSelection& selection,
                       const FirmwareHooks& hooks);

// The HEX download of an open file with its image checks (size against the row, board letter).
bool hex_file_download(const DownloadContext& context, std::istream& file);
// The "bin" download with its identity and board check.
bool bin_file_download(const DownloadContext& context, std::istream& file);

}  // namespace vexa
