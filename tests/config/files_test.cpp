// Configuration files: number normalisation, names and pieces; saving, loading and comparing,
// and files that are not what they seem.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/messages.h"
#include "config/board_identity.h"
#include "config/config_file_format.h"
#include "config/config_files.h"
#include "config/configuration.h"
#include "config/fake_board.h"
#include "config/number_normalize.h"
#include "support/temp_dir.h"
#include "support/fixed_clocks.h"

namespace vexa {
namespace {

// Numbers become "%f" texts, so that equal values compare equal whatever their form.
TEST(FilesFormat, NumbersAreRewrittenTheTxtRuleFileNamesAndPieces) {
  const struct {
    std::string input, expected, note;
  } rows[] = {
      {"-1.5", "-1.500000", "a sign and a fraction"},
      {".5", ".5.000000", "no leading digit: the dot stays text"},
      {"a*2+0", "a*2.000000+0.000000", "a formula: the '+' is no sign"},
      {"1e3x", "1000.000000x", "an exponent"},
      {"1e+x", "1.000000e+x", "no exponent digits: not an exponent"},
      {"0x1A", "0.000000x1.000000A", "no hexadecimal"},
      {"1e999", "inf", "too large"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    EXPECT_EQ(normalize_numbers(row.input), row.expected);
  }
  // The output holds at most size - 2 characters, even when a number ends past it.
  EXPECT_EQ(normalize_numbers("xxxxx12345", 10), "xxxxx123");
  std::string many;
  for (int i = 0; i < 600; ++i) many += "1,";
  EXPECT_EQ(normalize_numbers(many).size(), kNormalizedChars - 2);
  // The ".txt" rule and file names.
  EXPECT_EQ(save_path(dialog_path("x.cfg")), "x.cfg");
  EXPECT_EQ(save_path("/tmp/dir.d/board"), "/tmp/dir.d/board");  // any '.' in the path counts
  EXPECT_EQ(dialog_path(std::string(400, 'A')), std::string(kFileDialogChars, 'a'));
  EXPECT_EQ(file_name_part("c:\\cfg\\board1.txt"), "board1.txt");
  // Files are read in pieces: a line, or as much of it as a piece holds, or what comes before a NUL.
  std::vector<std::string> p;
  const auto pieces = [&p](std::string_view text) {
    p.clear();
    for_each_file_piece(text, [&](std::string_view piece) { p.emplace_back(piece); });
    return p;
  };
  EXPECT_EQ(pieces("a=1\r\nb=2\nc=3"), (std::vector<std::string>{"a=1\r\n", "b=2\n", "c=3"}));
  ASSERT_EQ(pieces(std::string(600, 'z') + "\n").size(), 2u);
  EXPECT_EQ(p[0].size(), kFilePieceChars);
  EXPECT_EQ(p[1].size(), 600 - kFilePieceChars + 1);
  std::string binary("bd=1\0sf=2\nrx=1\n", 15);
  EXPECT_EQ(pieces(binary), (std::vector<std::string>{"bd=1", "rx=1\n"}));
}

struct CountingHooks : ConfigFileHooks {
  int commits = 0, shows = 0, rebuilds = 0;
  void commit_current_tab() override { ++commits; }
  void show_configuration_tab() override { ++shows; }
  void rebuild_configuration_tab() override { ++rebuilds; }
};

using Lines = std::vector<std::string>;

struct CancelChooser : FileChooser {
  std::optional<std::string> choose_file(FileChoice) override { return std::nullopt; }
};

struct Rig {
  Configuration config{'e'};
  BoardIdentity identity{config, *parse_identity_line("VexaLog E v1404")};
  test::RecordingReport report;
  Messages messages{"VexaLog", 'e'};
  FixedClock clock{make_local_time(2026, 12, 4, 6, 19, 0)};
  CountingHooks hooks;
  ConfigFiles files{config, identity, report, messages, clock, &hooks, PathCase::keep};
  test::TempDir dir;

  bool save(const std::string& path) {
    GivenPathChooser chooser(path);
    return files.save_configuration(chooser);
  }
  bool load(const std::string& path) {
    GivenPathChooser chooser(path);
    return files.load_configuration(chooser);
  }
  int compare(const std::string& path) {
    GivenPathChooser chooser(path);
    int errors = -1;
    files.compare_configuration(chooser, &errors);
    return errors;
  }
};

TEST(FilesSave, ExampleFileForAnEBoardAndTypeAndNameLinesByBoard) {
  Rig rig;
  rig.config.parse_assignments("bd=9600 sf=0", false);
  rig.config.parse_assignments("a3=a*3.814685+0,2 a3.name=Outside", false);
  rig.config.parse_assignments("ex=4 uc=2", false);  // statistics: never saved
  std::string path = rig.dir.file("board1");
  ASSERT_TRUE(rig.save(path));
  EXPECT_EQ(test::TempDir::read(path + ".txt"),
            "# Configuration VexaLog E v1404 04Dec2026 06:19:00\n"
            "bd=9600\nsf=0\na3=a*3.814685+0,2\na3.name=Outside\n");
  EXPECT_EQ(rig.report.lines.back(), "Saved config to " + path + ".txt");
  EXPECT_EQ(rig.hooks.commits, 1);
  // The ".type" line follows the ".name" line, except on S boards; a default name has no line.
  ParameterTable table = language_table('e');
  std::size_t a3 = *find_record(table, "a3"), a5 = *find_record(table, "a5");
  table[a3].value = "a*1+0";
  table[a3].has_value = true;
  table[a3].name = "Out";
  table[a3].type = "Pt100";
  table[a5].name = "Tank";  // named, but without a value
  std::tm stamp = make_local_time(2026, 1, 2, 3, 4, 5);
  EXPECT_EQ(configuration_file_text(table, language_table('e'), "VexaLog S v1404", 'S', stamp),
            "# Configuration VexaLog S v1404 02Jan2026 03:04:05\na3=a*1+0\na3.name=Out\na5.name=Tank\n");
  EXPECT_NE(configuration_file_text(table, language_table('e'), "VexaLog v520", '2', stamp)
                .find("a3=a*1+0\na3.name=Out\na3.type=Pt100\n"),
            std::string::npos);
}

TEST(FilesSaveLoad, NothingLoadedWritesNoFileFilesThatCannotBeOpenedSayWhyAndALoadReplacesTheTable) {
  Rig rig;
  std::string path = rig.dir.file("empty.txt");
  EXPECT_FALSE(rig.save(path));
  EXPECT_EQ(rig.compare(path), -1);
  EXPECT_FALSE(test::TempDir::exists(path));
  rig.config.parse_assignments("bd=9600", false);
  CancelChooser cancel;
  EXPECT_FALSE(rig.files.save_configuration(cancel));
  EXPECT_FALSE(rig.files.load_configuration(cancel));
  EXPECT_FALSE(rig.files.compare_configuration(cancel));
  // The dialog's rule lower-cases the path and adds ".txt": the message shows the path tried,
  // the reason on a line of its own. A load that cannot open its file leaves the table alone.
  ConfigFiles dialog_files(rig.config, rig.identity, rig.report, rig.messages, rig.clock);
  GivenPathChooser chooser("/NoSuchDir-VEXA/Board1");
  EXPECT_FALSE(dialog_files.save_configuration(chooser));
  EXPECT_FALSE(rig.load(rig.dir.path()));
  EXPECT_EQ(rig.report.lines, (Lines{"No configuration loaded", "No configuration loaded",
                                     "Error open /nosuchdir-vexa/board1.txt", "No such file or directory",
                                     "Error open " + rig.dir.path(), "Is a directory"}));
  EXPECT_EQ(rig.config.parameter_value("bd"), "9600");
  EXPECT_EQ(rig.hooks.shows, 0);
  // A load replaces the configuration, and a comparison with the file finds nothing.
  rig.config.parse_assignments("rn=stale", false);
  path = rig.dir.write("in.txt",
                       "# Configuration VexaLog E v1404 04Dec2026 06:19:00\r\n"
                       "bd=9600 sf=0\r\n"
                       "a3=a*3.814685+0,2\n"
                       "a3.name=Outside temp\n"
                       "zz=5\n");
  ASSERT_TRUE(rig.load(path));
  EXPECT_FALSE(rig.config.find_parameter("rn")->has_value);
  EXPECT_EQ(rig.config.parameter_value("sf"), "0");
  EXPECT_EQ(rig.config.find_parameter("a3")->name, "Outside temp");
  EXPECT_EQ(rig.config.parameter_value("zz"), "5");
  EXPECT_EQ(rig.report.lines.back(), "Loaded config from in.txt");
  EXPECT_EQ(rig.hooks.shows, 1);
  EXPECT_EQ(rig.hooks.rebuilds, 1);

  EXPECT_EQ(rig.compare(path), 0);
}

TEST(FilesCompare, NumbersCompareByValueMissingKeysCountOnBothSidesAndEmptyKeysCompare) {
  Rig rig;
  // ex is a statistic: compared from neither side while the configuration has it.
  rig.config.parse_assignments("bd=19200 a1=a*2+0 fs=x ex=9", false);
  std::string same = rig.dir.write("same.txt", "a1=a*2.000+0\nbd=19200.0\nfs=x\n");
  EXPECT_EQ(rig.compare(same), 0);
  rig.report.lines.clear();
  std::string diff = rig.dir.write("diff.txt", "a1=a*2+1\nbd=9600\nzz=1\nex=9\na1.name=n\n");
  EXPECT_EQ(rig.compare(diff), 4);
  EXPECT_EQ(rig.report.lines,
            (std::vector<std::string>{"Compare: file: bd=9600 conf: bd=19200",
                                      "Compare: missing in file: fs=x",
                                      "Compare: file: a1=a*2+1 conf: a1=a*2+0",
                                      "Compare: missing in conf: zz=1",
                                      "Compare diff.txt: 4 errors"}));

  // Nothing of one comparison's file stays for the next: zz is not found twice, nor a1's
  // value taken from the earlier file.
  EXPECT_EQ(rig.compare(same), 0);
  std::string fewer = rig.dir.write("fewer.txt", "bd=19200\n");
  EXPECT_EQ(rig.compare(fewer), 2);  // a1 and fs missing in the file
  // A file's inputs become present; empty keys compare too.
  rig.config.reset_configuration();
  rig.report.lines.clear();
  rig.config.parse_assignments("bd=1 =5", false);
  // '=5' comes last: the next new key of a file would take over its free row.
  std::string path = rig.dir.write("f.txt", "bd=1\na40=a*1+0\n=5\n");
  rig.config.presence().clear_changed();
  EXPECT_EQ(rig.compare(path), 1);  // a40 is missing in the configuration; '=5' matches
  EXPECT_EQ(rig.report.lines.front(), "Compare: missing in conf: a40=a*1+0");
  EXPECT_TRUE(rig.config.presence().is_present(40));
  EXPECT_TRUE(rig.config.presence().take_changed());

  // The next comparison starts from a scratch table without that file's '=5'.
  rig.config.reset_configuration();
  rig.config.parse_assignments("bd=1", false);
  rig.report.lines.clear();
  EXPECT_EQ(rig.compare(rig.dir.write("g.txt", "bd=1\n")), 0) << rig.report.lines.front();
}

TEST(FilesBadInput, BinaryOverlongUnknownAndTruncatedFilesAreHarmless) {
  Rig rig;
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37 + 11) & 0xff);
  std::string path = rig.dir.write("binary.txt", "bd=1200\n" + binary + "\nsf=1");
  ASSERT_TRUE(rig.load(path));
  EXPECT_EQ(rig.config.parameter_value("bd"), "1200");
  EXPECT_EQ(rig.config.parameter_value("sf"), "1");  // a last line without LF counts

  // One line of 20000 characters: read in pieces, values cut to the field.
  std::string overlong = "fs=" + std::string(20000, 'q') + "\nfe=2\n";
  ASSERT_TRUE(rig.load(rig.dir.write("long.txt", overlong)));
  EXPECT_EQ(rig.config.parameter_value("fs")->size(), kParameterTextChars);
  EXPECT_EQ(rig.config.parameter_value("fe"), "2");

  std::string unknown;
  for (int i = 0; i < 5000; ++i) unknown += "u" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  unknown += "bd=4800\n";
  std::string upath = rig.dir.write("unknown.txt", unknown);
  ASSERT_TRUE(rig.load(upath));
  EXPECT_EQ(rig.config.parameter_value("bd"), "4800");  // the last line of a long file still counts
  // The comparison's own table fills up with the first 998 keys of the file: bd is not among
  // them, and u415.. did not fit into the configuration.
  EXPECT_EQ(rig.compare(upath), 1 + 998 - 415);
}

}  // namespace
}  // namespace vexa
