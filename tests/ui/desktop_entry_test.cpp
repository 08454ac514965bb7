// The desktop entry as a menu shows it: the fields a launcher needs, the icon its Icon= key
// names in every hicolor size the package installs, transparent around the board so that it
// sits on any panel, and a launcher tile drawn from both (screenshot desktop_entry).
#include <gtest/gtest.h>

#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QTextStream>
#include <QVBoxLayout>
#include <map>

#include "ui/qt_test_app.h"

namespace vexa {
namespace {

// The keys of the [Desktop Entry] group.
std::map<QString, QString> desktop_entry(const QString& path) {
  std::map<QString, QString> keys;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return keys;
  QTextStream in(&file);
  bool in_group = false;
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.startsWith('[')) in_group = line == "[Desktop Entry]";
    const qsizetype equals = line.indexOf('=');
    if (in_group && !line.startsWith('#') && equals > 0)
      keys[line.left(equals).trimmed()] = line.mid(equals + 1).trimmed();
  }
  return keys;
}

TEST(DesktopEntry, NamesAnIconDrawnInEverySizeAndMakesALauncherTile) {
  test::app();
  auto entry = desktop_entry(QString::fromStdString(test::source_dir()) + "/packaging/vexaterm.desktop");
  ASSERT_FALSE(entry.empty()) << "no [Desktop Entry] group";
  EXPECT_EQ(entry["Type"], "Application");
  EXPECT_EQ(entry["Terminal"], "false");
  EXPECT_EQ(entry["Exec"].section(' ', 0, 0), "vexaterm");
  EXPECT_TRUE(entry["Categories"].endsWith(';')) << entry["Categories"].toStdString();
  const QString name = entry["Icon"];
  ASSERT_FALSE(name.isEmpty());
  ASSERT_FALSE(name.contains('/') || name.endsWith(".png")) << "a theme name, not a path";

  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString file = QString("%1/packaging/icons/%2x%2/apps/%3.png")
                             .arg(QString::fromStdString(test::binary_dir())).arg(size).arg(name);
    const QImage image(file);
    ASSERT_FALSE(image.isNull()) << file.toStdString();
    EXPECT_EQ(image.size(), QSize(size, size));
    // Clear in the corners and beside the pins, solid on the board, at every size.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
    EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0) << size;
    EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
    EXPECT_EQ(qAlpha(image.pixel(size / 10, size / 2)), 255) << size;
    icon.addFile(file, QSize(size, size));
  }
  // A launcher asks for sizes between the drawn ones and gets the next drawn one scaled.
  EXPECT_FALSE(icon.pixmap(40, 40).isNull());

  // The tile: the icon over the entry's names on a dark panel.
  QWidget tile;
  tile.setAutoFillBackground(true);
  tile.setPalette(QPalette(QColor(40, 44, 52)));
  auto* column = new QVBoxLayout(&tile);
  auto* picture = new QLabel;
  picture->setPixmap(icon.pixmap(64, 64));
  auto* caption = new QLabel(entry["Name"] + "\n" + entry["GenericName"]);
  caption->setStyleSheet("color: white");
  for (QLabel* label : {picture, caption}) {
    label->setAlignment(Qt::AlignCenter);
    column->addWidget(label);
  }
  tile.adjustSize();
  test::save_screenshot(tile, "desktop_entry");
}

}  // namespace
}  // namespace vexa
