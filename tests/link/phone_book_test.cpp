// The phone book file: its entries, the selection of the last number used, its place and its
// creation with the header lines, and the editor cycle that refills the phone number field.
// That every entry is a clean piece of one line is the phone book fuzz target's property.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "link/phone_book.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

using test::TempDir;
using Entries = std::vector<std::string>;

TEST(PhoneBookText, EntriesAndTheLastNumberUsed) {
  const std::string digits(kPhoneBookLineChars, '5');
  const struct {
    std::string text;
    Entries entries;
  } rows[] = {
      {"0711123456\toffice  # day line\n", {"0711123456 office  "}},
      {"# phonenumber comment\n\n   \n\t\n  # only a note\n", {}},
      {"5551234 home\r\n192.168.0.1 1470 lab\r\nlast line without end", {"5551234 home", "192.168.0.1 1470 lab",
                                                                         "last line without end"}},
      {"a\rhidden after CR\n", {"a"}},
      {digits + "77#tail", {digits}},  // cut at 999 characters
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text.substr(0, 40));
    EXPECT_EQ(parse_phone_book(row.text), row.entries);
  }
  const Entries entries{"5551234 home", "0049 7031 1234 office", "10.0.0.5 1470"};
  EXPECT_EQ(phone_list(entries, "0049 7031 1234 office").selected, 1);
  EXPECT_EQ(phone_list(entries, "10.0.0.5").selected, 2);  // an entry that begins with it
  EXPECT_EQ(phone_list(entries, "999").selected, 0);
  EXPECT_EQ(phone_list(entries, "5551234 home and more").selected, 0);
  EXPECT_EQ(phone_list({}, "5551234").selected, -1);
}

TEST(PhoneBookFile, CreatedWithTheHeaderLinesAndNeverOverwrittenOrMadeUnreadable) {
  TempDir dir;
  const std::string path = dir.file("phonebook.txt");
  EXPECT_EQ(load_phone_book_file(path, "").selected, -1);
  ASSERT_TRUE(ensure_phone_book_file(path));
  EXPECT_EQ(TempDir::read(path), "# phonenumber comment\n# ip-number port comment\n");
  EXPECT_EQ(load_phone_book_file(path, "").entries, Entries{});

  dir.write("phonebook.txt", "5551234 home\n");
  EXPECT_TRUE(ensure_phone_book_file(path));
  EXPECT_EQ(TempDir::read(path), "5551234 home\n");
  // A missing folder is made; one that cannot be (a file stands in its way) is not.
  const std::string nested = dir.file("config/vexaterm/phonebook.txt");
  EXPECT_TRUE(ensure_phone_book_file(nested));
  EXPECT_EQ(TempDir::read(nested), kPhoneBookHeader);
  const std::string blocked = dir.write("plain", "") + "/vexaterm/phonebook.txt";
  EXPECT_FALSE(ensure_phone_book_file(blocked));
  EXPECT_EQ(TempDir::read(dir.file("plain")), "");
  // A file that cannot be read is left as it is.
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  EXPECT_FALSE(ensure_phone_book_file(path));
  EXPECT_EQ(load_phone_book_file(path, "").entries, Entries{});
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(TempDir::read(path), "5551234 home\n");
}

// Beside the program in a build or a portable copy; in the user's configuration folder for an
// installed copy, whose folder (/usr/bin) nobody but root can write.
TEST(PhoneBookFile, BesideAWritableProgramElseInTheUsersConfigurationFolder) {
  TempDir program, config, home;
  const char* xdg = config.path().c_str();
  const char* user = home.path().c_str();
  EXPECT_EQ(phone_book_path(program.path(), xdg, user), program.file("phonebook.txt"));

  std::vector<std::string> unwritable{program.file("usr/bin")};  // not there: nobody can write it
  if (::geteuid() != 0) {
    unwritable.push_back(program.file("read-only"));
    ASSERT_EQ(::mkdir(unwritable.back().c_str(), 0555), 0);
  }
  const std::string home_place = home.path() + "/.config/vexaterm/phonebook.txt";
  for (const std::string& folder : unwritable) {
    const struct {
      const char* xdg;
      const char* home;
      std::string place;
    } rows[] = {
        {xdg, user, config.path() + "/vexaterm/phonebook.txt"},
        {nullptr, user, home_place},
        {"", user, home_place},  // an empty or relative XDG_CONFIG_HOME is to be ignored
        {"relative/config", user, home_place},
        {nullptr, nullptr, folder + "/phonebook.txt"},  // nowhere better: the editor reports the failure
        {nullptr, "", folder + "/phonebook.txt"},
    };
    for (const auto& row : rows)
      EXPECT_EQ(phone_book_path(folder, row.xdg, row.home), row.place) << folder << " " << row.place;
  }
}

// The phone number field and an editor window the test opens and closes.
class FakeWindow final : public PhoneBookWindow {
 public:
  std::string field;
  PhoneList list{{"stale"}, 0};
  int list_updates = 0;
  std::vector<std::string> opened;
  bool editor_up = false;
  bool editor_opens = true;

  std::string phone_field_text() override { return field; }
  void set_phone_list(const PhoneList& l) override {
    list = l;
    ++list_updates;
  }
  bool open_editor(const std::string& path) override {
    opened.push_back(path);
    editor_up = editor_opens;
    return editor_opens;
  }
  bool editor_exists() override { return editor_up; }
};

TEST(PhoneBookEditor, ButtonCreatesTheFileAndClosingRefillsTheField) {
  TempDir home;
  FakeWindow window;
  // The configuration folder (and ~/.config on a fresh account) is made with the phone book.
  PhoneBook book(window, phone_book_path("/nonexistent/usr/bin", nullptr, home.path().c_str()));
  book.load_phone_book();  // main window creation: no file yet
  EXPECT_EQ(window.list.entries, Entries{});
  EXPECT_EQ(window.list.selected, -1);

  book.phone_book_tick(false);
  EXPECT_TRUE(window.opened.empty());
  book.phone_book_tick(true);
  EXPECT_EQ(window.opened, Entries{home.path() + "/.config/vexaterm/phonebook.txt"});
  EXPECT_EQ(TempDir::read(book.path()), kPhoneBookHeader);
  EXPECT_TRUE(book.editor_recorded());

  // While the editor is open, timer ticks and further clicks change nothing.
  const int updates = window.list_updates;
  book.phone_book_tick(false);
  book.phone_book_tick(true);
  EXPECT_EQ(window.opened.size(), 1u);
  EXPECT_EQ(window.list_updates, updates);

  // The user saves new entries and closes the editor: the next tick shows them.
  home.write(".config/vexaterm/phonebook.txt", "# numbers\n5551234 home\n0049 7031 1234\toffice # day\n");
  window.field = "0049 7031";
  window.editor_up = false;
  book.phone_book_tick(false);
  EXPECT_EQ(window.list.entries, (Entries{"5551234 home", "0049 7031 1234 office "}));
  EXPECT_EQ(window.list.selected, 1);
  EXPECT_FALSE(book.editor_recorded());
  book.phone_book_tick(false);
  EXPECT_EQ(window.list_updates, updates + 1);
  // Another click opens the editor again.
  book.phone_book_tick(true);
  EXPECT_EQ(window.opened.size(), 2u);
}

TEST(PhoneBookEditor, UnwritableFolderOrFailedEditorStillTryOnThePath) {
  TempDir dir;
  FakeWindow window;
  window.editor_opens = false;
  PhoneBook book(window, dir.write("plain", "") + "/phonebook.txt");
  book.phone_book_tick(true);
  EXPECT_FALSE(book.editor_recorded());
  window.editor_opens = true;
  book.phone_book_tick(true);
  EXPECT_EQ(window.opened, (Entries{book.path(), book.path()}));
  EXPECT_TRUE(book.editor_recorded());
  window.editor_up = false;
  book.phone_book_tick(false);
  EXPECT_EQ(window.list.entries, Entries{});
}

}  // namespace
}  // namespace vexa
