// The desktop entry as a menu shows it: the fields a launcher needs, the icon its Icon= key
// names in every hicolor size the package installs, transparent around the board so that it
// sits on any panel, and a launcher tile drawn from both (screenshot desktop_entry).
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWidget>
#include <map>
#include <string>

#include "ui/qt_test_app.h"
#include "ui/screenshot.h"
#include "support/build_paths.h"

namespace vexa {
namespace {

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The keys of the [Desktop Entry] group.
std::map<QString, QString> desktop_entry(const QString& path) {
  std::map<QString, QString> keys;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return keys;
  QTextStream in(&file);
  bool in_group = false;
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (line.startsWith('[')) {
      in_group = line == "[Desktop Entry]";
      continue;
    }
    const qsizetype equals = line.indexOf('=');
    if (in_group && equals > 0) keys[line.left(equals).trimmed()] = line.mid(equals + 1).trimmed();
  }
  return keys;
}

QString icon_file(const QString& name, int size) {
  return QString("%1/packaging/icons/%2x%2/apps/%3.png").arg(QString::fromStdString(test::binary_dir())).arg(size).arg(name);
}

TEST(DesktopEntry, NamesAnIconDrawnInEverySizeAndMakesALauncherTile) {
  test::app();
  auto entry = desktop_entry(QString::fromStdString(test::source_dir()) + "/packaging/vexaterm.desktop");
  ASSERT_FALSE(entry.empty()) << "no [Desktop Entry] group";
  EXPECT_EQ(entry["Type"], "Application");
  EXPECT_EQ(entry["Terminal"], "false");
  EXPECT_EQ(entry["Exec"].section(' ', 0, 0), "vexaterm");
  EXPECT_TRUE(entry["Categories"].endsWith(';')) << entry["Categories"].toStdString();
  EXPECT_TRUE(entry["Keywords"].contains("serial"));
  const QString name = entry["Icon"];
  ASSERT_FALSE(name.isEmpty());
  ASSERT_FALSE(name.contains('/') || name.endsWith(".png")) << "a theme name, not a path";

  QIcon icon;
  for (const int size : kIconSizes) {
    const QImage image(icon_file(name, size));
    ASSERT_FALSE(image.isNull()) << icon_file(name, size).toStdString();
    EXPECT_EQ(image.size(), QSize(size, size));
    EXPECT_TRUE(image.hasAlphaChannel()) << size;
    // Clear in the corners and beside the pins, solid on the board, at every size.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
    EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0) << size;
    EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
    EXPECT_EQ(qAlpha(image.pixel(size / 10, size / 2)), 255) << size;
    icon.addFile(icon_file(name, size), QSize(size, size));
  }
  // A launcher asks for sizes between the drawn ones and gets the next drawn one scaled.
  EXPECT_EQ(icon.availableSizes().size(), std::size(kIconSizes));
  EXPECT_FALSE(icon.pixmap(40, 40).isNull());

  // The tile on a dark panel, then the drawn sizes in a row on a light one.
  QWidget tile;
  auto* column = new QVBoxLayout(&tile);
  auto* panel = new QWidget;
  panel->setAutoFillBackground(true);
  panel->setPalette(QPalette(QColor(40, 44, 52)));
  auto* panel_column = new QVBoxLayout(panel);
  auto* picture = new QLabel;
  picture->setPixmap(icon.pixmap(64, 64));
  picture->setAlignment(Qt::AlignCenter);
  auto* caption = new QLabel(entry["Name"] + "\n" + entry["GenericName"]);
  caption->setAlignment(Qt::AlignCenter);
  caption->setStyleSheet("color: white");
  caption->setToolTip(entry["Comment"]);
  panel_column->addWidget(picture);
  panel_column->addWidget(caption);
  column->addWidget(panel);
  auto* sizes = new QWidget;
  sizes->setAutoFillBackground(true);
  sizes->setPalette(QPalette(QColor(236, 236, 236)));
  auto* row = new QHBoxLayout(sizes);
  for (const int size : kIconSizes) {
    auto* label = new QLabel;
    label->setPixmap(icon.pixmap(size, size));
    label->setAlignment(Qt::AlignBottom);
    row->addWidget(label);
  }
  column->addWidget(sizes);
  tile.adjustSize();
  test::save_screenshot(tile, "desktop_entry");
}

}  // namespace
}  // namespace vexa
