// The memory-card dialog on the offscreen platform: its controls where the form puts them,
// typed values taken by Start, Cancel leaving the choice as it was.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "support/recording_sinks.h"
#include "ui/download_file_dialog.h"
#include "ui/qt_test_app.h"

namespace vexa {
namespace {

TEST(DownloadFileDialog, StartTakesTheTypedValuesAndCancelDoesNot) {
  test::app();
  Messages messages;
  test::SharedReport report;
  CardTransferChoice choice{"/home/u/data.bin", "data.bin", "OLD.BIN"};
  {
    ui::DownloadFileDialog dialog(messages, report, choice);
    EXPECT_EQ(dialog.windowTitle(), "Download File to memory card");
    auto* host = dialog.findChild<QLineEdit*>("control102");
    auto* target = dialog.findChild<QLineEdit*>("control104");
    auto* start = dialog.findChild<QPushButton*>("control105");
    ASSERT_TRUE(host && target && start);
    EXPECT_EQ(host->text(), "/home/u/data.bin");
    EXPECT_EQ(start->text(), "Start");
    target->setText("NEW.BIN");
    emit target->textEdited("NEW.BIN");
    start->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
  EXPECT_EQ(choice.target_name, "NEW.BIN");
  EXPECT_TRUE(report.contains("load /home/u/data.bin to NEW.BIN"));

  ui::DownloadFileDialog again(messages, report, choice);
  auto* target = again.findChild<QLineEdit*>("control104");
  EXPECT_EQ(target->text(), "NEW.BIN");
  target->setText("OTHER");
  emit target->textEdited("OTHER");
  again.findChild<QPushButton*>("control106")->click();
  EXPECT_EQ(again.result(), QDialog::Rejected);
  EXPECT_EQ(choice.target_name, "NEW.BIN");
}

}  // namespace
}  // namespace vexa
