#include "qt/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

#include "window/Fields.h"
#include "window/Layout.h"

namespace qt {

namespace {

QString utf8(const std::string& text) { return QString::fromStdString(text); }
QString utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

namespace {

// The box's buttons in Russian, as the rest of the window, whatever the toolkit's language.
void russianButtons(QMessageBox& box) {
  const std::pair<QMessageBox::StandardButton, const char*> kNames[] = {
      {QMessageBox::Ok, "ОК"}, {QMessageBox::Cancel, "Отмена"}, {QMessageBox::Yes, "Да"},
      {QMessageBox::No, "Нет"}};
  for (const auto& [which, name] : kNames) {
    if (QAbstractButton* button = box.button(which)) button->setText(QString::fromUtf8(name));
  }
}

}  // namespace

QString boxText(const std::string& text) {
  return QString::fromStdU16String(window::boxText(utf8(text).toStdU16String(), u"\n"));
}

bool MessageBoxes::confirm(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::NoIcon, utf8(title), boxText(text),
                  QMessageBox::Ok | QMessageBox::Cancel, parent_);
  box.setTextFormat(Qt::PlainText);
  russianButtons(box);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

void MessageBoxes::inform(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::NoIcon, utf8(title), boxText(text), QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  russianButtons(box);
  box.exec();
}

MessageBoxes::Answer MessageBoxes::ask(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::NoIcon, utf8(title), boxText(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  box.setTextFormat(Qt::PlainText);
  russianButtons(box);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
  }
}

void showError(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, utf8(window::kWindowCaption), message, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  russianButtons(box);
  box.exec();
}

}  // namespace qt
