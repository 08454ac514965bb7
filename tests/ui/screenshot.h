#pragma once
// Screenshots the desktop tests leave for review: <build>/screenshots/<name>.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>
#include <string>

#include "support/build_paths.h"

namespace vexa::test {

inline void save_screenshot(QWidget& widget, const std::string& name) {
  const QString folder = QString::fromStdString(test::binary_dir()) + "/screenshots";
  QDir().mkpath(folder);
  const QImage image = widget.grab().toImage();
  ASSERT_FALSE(image.isNull()) << name;
  ASSERT_TRUE(image.save(folder + "/" + QString::fromStdString(name) + ".png")) << folder.toStdString();
}

}  // namespace vexa::test
