#include "qt/Language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace qt {

namespace {

// The toolkit's words that its Russian catalogue leaves in English, by the catalogue's context
// and source text.
struct Word {
  const char* context;
  const char* source;
  const char* russian;
};
constexpr Word kOwnWords[] = {
    {"QAbstractFileIconProvider", "Folder", "Папка"},
    {"QAbstractFileIconProvider", "Drive", "Диск"},
    {"QAbstractFileIconProvider", "Shortcut", "Ярлык"},
    {"QAbstractFileIconProvider", "Alias", "Ссылка"},
    {"QPlatformTheme", "OK", "ОК"},
};

class OwnWords final : public QTranslator {
 public:
  using QTranslator::QTranslator;
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (context == nullptr || source == nullptr) return {};
    for (const Word& word : kOwnWords) {
      if (std::strcmp(word.context, context) == 0 && std::strcmp(word.source, source) == 0) {
        return QString::fromUtf8(word.russian);
      }
    }
    return {};
  }
  bool isEmpty() const override { return false; }
};

}  // namespace

QString speakRussian(QCoreApplication& application, const QString& folder) {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  auto* catalogue = new QTranslator(&application);
  QString loaded;
  if (catalogue->load(QStringLiteral("qtbase_ru"), folder)) {
    QCoreApplication::installTranslator(catalogue);
    loaded = catalogue->filePath();
  } else {
    delete catalogue;
  }
  // The translator installed last is asked first.
  QCoreApplication::installTranslator(new OwnWords(&application));
  return loaded;
}

QString russianSize(qint64 bytes) {
  const QLocale russian(QLocale::Russian, QLocale::Russia);
  if (bytes < 1024) {
    const qint64 last = bytes % 10, lastTwo = bytes % 100;
    const bool few = last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14);
    return QString::number(bytes) + (few ? QStringLiteral(" байта") : QStringLiteral(" байт"));
  }
  const char* const units[] = {"КБ", "МБ", "ГБ", "ТБ"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  return russian.toString(value, 'f', value < 10 ? 1 : 0) + ' ' + QString::fromUtf8(units[unit]);
}

}  // namespace qt
