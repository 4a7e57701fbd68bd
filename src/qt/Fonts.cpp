#include "qt/Fonts.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>

namespace qt {

int addFontFiles(const std::filesystem::path& folder) {
  const QDir fonts(QFile::decodeName(folder.c_str()));
  int added = 0;
  for (const QString& name : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name)) {
    if (QFontDatabase::addApplicationFont(fonts.filePath(name)) >= 0) ++added;
  }
  return added;
}

}  // namespace qt
