#include "base/menu_table.h"

#include <algorithm>

#include "base/command_ids.h"
#include "base/identity.h"
#include "base/text_format.h"

namespace vexa {

namespace {

MenuEntry entry(int id, std::string text, bool checkable = false, bool checked = false) {
  return MenuEntry{id, std::move(text), checkable, checked};
}
MenuEntry separator() { return MenuEntry{}; }

}  // namespace

std::vector<Menu> build_menu_bar(const MenuOptions& options, const Messages& messages) {
  auto m = [&](const char* key) { return messages.message(key); };
  std::vector<Menu> bar;
  if (!options.reduced_variant) {
    bar.push_back({"MenConf", m("MenConf"), 0,
                   {entry(cmd::kConfGet, m("McGet")), entry(cmd::kConfDownload, m("McDown")),
                    entry(cmd::kConfErase, m("McZ")), entry(cmd::kTimeNow, m("McTime")),
                    entry(cmd::kTimeHourEarlier, m("McTimS")),
                    entry(cmd::kTimeNextSecond, m("McTimX")), separator(),
                    entry(cmd::kConfSave, m("McSave")), entry(cmd::kConfLoad, m("McLoad")),
                    entry(cmd::kConfCompare, m("McCompare"))}});
  }
  bar.push_back({"MenCom", m("MenCom"), 0,
                 {entry(cmd::kPhoneBookMenu, m("Mphbook")), separator(),
                  entry(cmd::kTargetMode, m("MrTarget"), true, true),
                  entry(cmd::kModemMode, m("MrModem"), true, false)}});
  Menu tools{"MenTools", m("MenTools"), 0,
             {entry(cmd::kDownloadFirmware, m("Mdownload")),
              entry(cmd::kDownloadFile, m("MdownloadF")), separator(),
              entry(cmd::kTargetE, options.target_e), entry(cmd::kTargetF, options.target_f),
              entry(cmd::kTargetS, options.target_s), separator(),
              entry(cmd::kLogNone, m("MlogNone"), true, options.log_mode == 0),
              entry(cmd::kLogOn, m("MlogOn"), true, options.log_mode == 1),
              entry(cmd::kLogDate, m("MlogDate"), true, options.log_mode == 2),
              entry(cmd::kLogErase,
                    format_message(m("MlogErase"), {options.log_file_name}, 99)),
              separator()}};
  if (options.debug) {
    tools.entries.push_back(entry(cmd::kVerbose, m("Mverbose"), true, false));
    tools.entries.push_back(entry(cmd::kSpecialProbe, "Special 1"));
  }
  bar.push_back(std::move(tools));
  bar.push_back({"MenClear", m("MenClear"), cmd::kClear, {}});
  bar.push_back({"MenStop", m("MenStop"), cmd::kStop, {}});
  Menu help{"MenHelp", m("MenHelp"), 0,
            {entry(cmd::kManualE, m("MhpdfE")), entry(cmd::kManualF, m("MhpdfF")),
             entry(cmd::kManualS, m("MhpdfS"))}};
  if (messages.product_name() == kFamilyName) {
    help.entries.push_back(entry(cmd::kWebAddress, kWebAddressText));
    help.entries.push_back(separator());
    help.entries.push_back(entry(cmd::kInfo1, format_text("%s Terminal %d", kFamilyName, kProgramVersion)));
    help.entries.push_back(entry(cmd::kInfo2, m("VtInfoEdition")));
  }
  bar.push_back(std::move(help));
  if (options.debug) {
    bar.push_back({"debug", "debug", 0,
                   {entry(cmd::kSamba, "samba"), entry(cmd::kSambaInit, "samba init"),
                    entry(cmd::kOpenCom, "open com"), entry(cmd::kLineFeed, "LF on Enter", true, false),
                    entry(cmd::kInterns, "interns")}});
  }
  return bar;
}

namespace {

void visit_entries(std::vector<MenuEntry>& entries, const std::function<void(MenuEntry&)>& visit) {
  for (MenuEntry& e : entries) {
    visit(e);
    visit_entries(e.submenu, visit);
  }
}

void visit_entries(const std::vector<MenuEntry>& entries, const std::function<void(const MenuEntry&)>& visit) {
  for (const MenuEntry& e : entries) {
    visit(e);
    visit_entries(e.submenu, visit);
  }
}

}  // namespace

void for_each_entry(std::vector<Menu>& bar, const std::function<void(MenuEntry&)>& visit) {
  for (Menu& menu : bar) visit_entries(menu.entries, visit);
}

void for_each_entry(const std::vector<Menu>& bar, const std::function<void(const MenuEntry&)>& visit) {
  for (const Menu& menu : bar) visit_entries(menu.entries, visit);
}

const MenuEntry* find_entry(const std::vector<Menu>& bar, int id) {
  const MenuEntry* found = nullptr;
  for_each_entry(bar, [&](const MenuEntry& e) {
    if (!found && e.id == id && id != 0) found = &e;
  });
  return found;
}

const Menu* find_menu(const std::vector<Menu>& bar, const std::string& key) {
  for (const Menu& menu : bar)
    if (menu.key == key) return &menu;
  return nullptr;
}

void check_exclusive(std::vector<Menu>& bar, std::initializer_list<int> group, int checked_id) {
  for_each_entry(bar, [&](MenuEntry& e) {
    if (std::find(group.begin(), group.end(), e.id) != group.end()) e.checked = e.id == checked_id;
  });
}

}  // namespace vexa
