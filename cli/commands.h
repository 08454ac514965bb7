#pragma once
// The entry point of each vexacli command (each defined in its own file, named after it).
#include "cli/command.h"

namespace vexa::cli {

// Every entry of command_list.inc names one of these; add the declaration with the entry.
int run_terminal(CommandContext& context);
int run_send(CommandContext& context);
int run_upload(CommandContext& context);
int run_expr(CommandContext& context);
int run_convert(CommandContext& context);
int run_calibrate(CommandContext& context);
int run_get_conf(CommandContext& context);
int run_put_conf(CommandContext& context);
int run_compare(CommandContext& context);
int run_erase(CommandContext& context);
int run_set_time(CommandContext& context);
int run_factory_test(CommandContext& context);
int run_flash(CommandContext& context);
int run_download(CommandContext& context);
int run_card_put(CommandContext& context);
int run_send_lines(CommandContext& context);

}  // namespace vexa::cli
