#pragma once
// An analog tab on a board identity, a configuration, the input type file of the repository and
// a channel that records what would go to the board.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analog/analog_tab.h"
#include "analog/input_type_file.h"
#include "analog/live_data.h"
#include "base/messages.h"
#include "base/settings.h"
#include "config/board_identity.h"
#include "config/config_exchange.h"
#include "config/configuration.h"
#include "link/board_channel.h"
#include "platform/clock.h"
#include "support/recording_sinks.h"
#include "support/scripted_port.h"
#include "support/fixed_clocks.h"
#include "support/build_paths.h"

namespace vexa::test {

struct TabRig {
  explicit TabRig(const std::string& identity_line = "VexaLog F v1404")
      : identity(configuration, *parse_identity_line("VexaLog S v1404")),
        exchange(configuration, identity, channel, channel, report),
        clock(make_local_time(2026, 12, 7, 12, 0, 0)) {
    EXPECT_TRUE(load_input_types(types, test::shipped_input_types(), 'e'));
    tab = std::make_unique<AnalogTab>(AnalogTabLinks{configuration, identity, types, messages, settings, exchange,
                                                     channel, [this] { return link_open; }, clock});
    identity.add_listener(tab.get());
    identity.accept_identity(identity_line);
    tab->create();
    tab->set_section_current(true);
    tab->tick_100ms();
  }
  ~TabRig() { identity.remove_listener(tab.get()); }

  // Selects the tab of input n.
  void select(int n) {
    for (std::size_t i = 0; i < tab->tabs().size(); ++i)
      if (tab->tabs()[i].number == n) tab->select_tab(static_cast<int>(i));
  }
  // Picks the listed type with this title.
  void choose(const std::string& title) {
    const auto& titles = tab->type_list().titles;
    for (std::size_t i = 0; i < titles.size(); ++i)
      if (titles[i] == title) {
        tab->command({analog_id::kTypeList, kNotifySelectionChanged, static_cast<long>(i)});
        return;
      }
    ADD_FAILURE() << "no type " << title;
  }
  void type(int id, const std::string& text) {
    tab->form().set_text(id, text);
    tab->command({id, kNotifyEditChanged, 0});
  }
  void click(int id) { tab->command({id, kNotifyClicked, 0}); }
  std::string text(int id) const { return tab->form().text(id); }
  bool shown(int id) const { return tab->form().shown(id); }

  Configuration configuration;
  BoardIdentity identity;
  RecordingChannel channel;
  SharedReport report;
  ConfigExchange exchange;
  InputTypeTable types;
  Messages messages;
  Settings settings;
  FixedClock clock;
  bool link_open = true;
  std::unique_ptr<AnalogTab> tab;
};

}  // namespace vexa::test
