#include "lesson/Pages.h"

namespace lesson {

namespace {

std::string page(std::string_view title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>" + std::string(title) +
         "</title></head>\n<body><h1>" + std::string(title) + "</h1>\n" + body + "</body></html>\n";
}

}  // namespace

std::string escapedHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string refusalPage(int status) {
  std::string title, body;
  switch (status) {
    case 400:
      title = "Неверный запрос";
      body = "Браузер прислал запрос, который урок не понимает. Откройте тест заново по адресу, который дал учитель.";
      break;
    case 404:
      title = "Такого файла в тесте нет";
      body = "Урок раздаёт только файлы теста. Откройте тест заново по адресу, который дал учитель.";
      break;
    case 405:
      title = "Так обратиться к уроку нельзя";
      body = "Файлы теста можно только открыть, а результаты только отправить из теста.";
      break;
    case 413:
      title = "Слишком большой запрос";
      body = "Урок принимает результат теста не больше 64 КБ.";
      break;
    case 415:
      title = "Это не результат теста";
      body = "Урок принимает результаты только в виде формы, которую отправляет сам тест.";
      break;
    case 429:
      title = "Слишком много результатов";
      body = "С этого компьютера за минуту пришло слишком много результатов. Подождите минуту и отправьте ещё раз.";
      break;
    case 431:
      title = "Слишком длинные заголовки запроса";
      body = "Урок принимает заголовки запроса не больше 8 КБ.";
      break;
    case 503:
      title = "Результат не сохранён";
      body = "Урок не смог сохранить результат. Сообщите учителю и отправьте результат ещё раз.";
      break;
    default:
      title = "Ошибка урока";
      body = "Урок не смог ответить на запрос. Сообщите учителю.";
  }
  return page(title, "<p>" + body + "</p>\n");
}

std::string acceptedPage(std::string_view student) {
  return page("Результат принят", "<p>Ученик: " + escapedHtml(student) + "</p>\n");
}

}  // namespace lesson
