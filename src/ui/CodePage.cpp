#include "ui/CodePage.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace ui {

namespace {

constexpr const char* kCodePage = "windows-1251";

// The characters of the upper half of the code page, asked once from the converter, so that
// the test of a typed character needs no converter at all.
const std::array<char32_t, 128>& upperHalf() {
  static const std::array<char32_t, 128> table = [] {
    std::array<char32_t, 128> t{};
    for (int i = 0; i < 128; ++i) {
      const char byte = static_cast<char>(0x80 + i);
      QStringDecoder decoder(kCodePage);
      const QString c = decoder(QByteArrayView(&byte, 1));
      t[static_cast<std::size_t>(i)] = c.size() == 1 && !decoder.hasError() ? c[0].unicode() : 0;
    }
    return t;
  }();
  return table;
}

bool isLineBreak(char32_t c) { return c == '\r' || c == '\n' || c == 0x2028 || c == 0x2029; }

}  // namespace

QString fromCodePage(std::string_view bytes) {
  QStringDecoder decoder(kCodePage);
  return decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<std::string> toCodePage(const QString& text) {
  QStringEncoder encoder(kCodePage);
  const QByteArray bytes = encoder(text);
  if (encoder.hasError()) return std::nullopt;
  return bytes.toStdString();
}

bool fitsCodePage(char32_t c) {
  if (c < 0x80) return true;
  for (char32_t u : upperHalf()) {
    if (u == c) return true;
  }
  return false;
}

QString mendInput(const QString& text, bool* refused) {
  QString out;
  out.reserve(text.size());
  bool dropped = false;
  const QList<uint> codePoints = text.toUcs4();
  for (qsizetype i = 0; i < codePoints.size(); ++i) {
    const char32_t c = static_cast<char32_t>(codePoints[i]);
    if (isLineBreak(c)) {
      if (c == '\r' && i + 1 < codePoints.size() && codePoints[i + 1] == '\n') ++i;
      out += QLatin1Char(' ');
    } else if (fitsCodePage(c)) {
      out += QString::fromUcs4(&c, 1);
    } else {
      dropped = true;
    }
  }
  if (refused != nullptr) *refused = dropped;
  return out;
}

const QString& FieldText::fill(const std::string& bytes) {
  if (bytes != bytes_ || shown_.isNull()) {
    bytes_ = bytes;
    shown_ = fromCodePage(bytes);
    if (shown_.isNull()) shown_ = QLatin1String("");
  }
  return shown_;
}

std::string FieldText::take(const QString& now) const {
  if (now == shown_) return bytes_;
  // The widgets mend what comes in; mending again here only guards the model against a text
  // that reached the widget some other way.
  return toCodePage(mendInput(now)).value();
}

}  // namespace ui
