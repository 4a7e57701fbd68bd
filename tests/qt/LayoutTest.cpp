// The window against its design: every control's kind, caption, container, place, size, font
// and tab position, the state it opens in, its colours, its scaling to the screen, its icon.
// The expected values are written out here as the window's design gives them, in twips and
// points, independently of the table the window is built from.

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <map>
#include <set>

#include "Rig.h"
#include "qt/Icon.h"

namespace qttest {
namespace {

struct Expected {
  const char* name;
  const char* container;
  const char* kind;
  const char* caption;
  int left, top, width, height;
  int tab;  // -1: none
  const char* font;
};

// clang-format off
const Expected kDesign[] = {
    {"Frame2", "frmEdit", "frame", "МОДИФИКАЦИЯ ВОПРОСА", 0, 1440, 10284, 4068, 18, "A7.5b"},
    {"Frame1", "frmEdit", "frame", "МОДИФИКАЦИЯ \"ОБЪЕМА\" ТЕСТА", 0, 5760, 4776, 1824, 8, "A7.5b"},
    {"Frame3", "frmEdit", "frame", "", 5256, 5760, 2952, 1812, 44, "A7.5"},
    {"Label15", "frmEdit", "label", "Тестирование по курсу", 108, 144, 2172, 300, 31, "A9b"},
    {"Text2", "frmEdit", "multi-line", "", 2304, 72, 4236, 300, 32, "A10.5"},
    {"Label14", "frmEdit", "label", "Проверяющий орган:", 144, 504, 2124, 300, 30, "A9b"},
    {"Text3", "frmEdit", "multi-line", "", 2304, 468, 4248, 300, 33, "A7.5b"},
    {"Label18", "frmEdit", "label", "Адрес обработчика на сервере:", 6840, 120, 2892, 252, 39, "A9b"},
    {"txtAddr", "frmEdit", "text box", "", 6840, 480, 2892, 288, 40, "A7.5"},
    {"cmdMix", "frmEdit", "button", "Смена порядка следования вопросов", 120, 828, 2148, 492, 41, "A7.5b"},
    {"Label16", "frmEdit", "label", "Длительность теста (мин.):", 2700, 1008, 2532, 264, 35, "A9b"},
    {"txtT", "frmEdit", "text box", "", 5220, 972, 300, 300, 37, "A9b"},
    {"Label17", "frmEdit", "label", "Минимальный процент правильных ответов:", 5760, 1008, 4332, 300, 36, "A9b"},
    {"txtMin", "frmEdit", "text box", "", 9936, 972, 300, 300, 38, "A9b"},
    {"Label1", "Frame2", "label", "В о п р о с (текст):", 1800, 240, 1572, 252, 23, "A9b"},
    {"Text1(0)", "frmEdit", "multi-line", "", 480, 1920, 4212, 660, 2, "A9"},
    {"Label2", "Frame2", "label", "О т в е т ы:", 2040, 1320, 1176, 252, 24, "A9b"},
    {"Label3", "Frame2", "label", "1", 240, 1560, 132, 252, 19, "S8.25b"},
    {"Text1(1)", "frmEdit", "multi-line", "", 480, 3000, 4236, 300, 3, "A9"},
    {"Label4", "Frame2", "label", "2", 240, 2040, 132, 252, 20, "S8.25b"},
    {"Text1(2)", "frmEdit", "multi-line", "", 480, 3480, 4236, 300, 4, "A9"},
    {"Label5", "Frame2", "label", "3", 240, 2520, 132, 252, 21, "S8.25b"},
    {"Text1(3)", "frmEdit", "multi-line", "", 504, 3960, 4200, 300, 5, "A9"},
    {"Label6", "Frame2", "label", "4", 240, 3000, 132, 252, 22, "S8.25b"},
    {"Text1(4)", "frmEdit", "multi-line", "", 480, 4440, 4200, 300, 6, "A9"},
    {"Label7", "Frame2", "label", "Номер правильного ответа:", 480, 3480, 2004, 468, 25, "A9b"},
    {"Text1(5)", "frmEdit", "text box", "", 1224, 5160, 264, 276, 7, "A9b"},
    {"cmdSave", "frmEdit", "button", "Сохранить изменения", 2400, 4920, 2292, 456, 1, "A9b"},
    {"Label19", "Frame2", "label", "Вопрос (рисунок 315х272):", 5472, 216, 2424, 228, 42, "A9b"},
    {"Image1", "Frame2", "image", "", 4824, 468, 3816, 3492, -1, ""},
    {"Label12", "Frame2", "label", "Выбор номера этапа", 8760, 720, 732, 660, 26, "A7.5b"},
    {"Label13", "Frame2", "label", "Выбор номера вопроса", 9480, 720, 732, 660, 27, "A7.5b"},
    {"List1", "frmEdit", "list", "", 8760, 2844, 552, 1815, 16, "A7.5"},
    {"List2", "frmEdit", "list", "", 9564, 2844, 552, 1815, 17, "A7.5"},
    {"File1", "frmEdit", "list", "", 7056, 1620, 1920, 285, 29, "S8.25"},
    {"Dir1", "frmEdit", "list", "", 7164, 4392, 984, 288, 34, "S8.25"},
    {"Label8", "Frame1", "label", "Текущее число этапов:", 108, 288, 1620, 516, 9, "A9b"},
    {"Label9", "Frame1", "bordered label", "", 828, 504, 288, 288, 10, "A9b"},
    {"Label10", "Frame1", "label", "Текущее число вопросов последнего этапа:", 108, 900, 1932, 744, 11, "A9b"},
    {"Label11", "Frame1", "bordered label", "10", 1764, 1296, 300, 288, 12, "A9b"},
    {"cmdNewL", "Frame1", "button", "Создать новый этап", 2196, 360, 2460, 372, 13, "A9b"},
    {"cmdNewN", "Frame1", "button", "Создание нового вопроса", 2196, 840, 2460, 372, 14, "A9b"},
    {"cmdDelLast", "Frame1", "button", "Удалить  последний этап", 2196, 1320, 2460, 372, 15, "A9b"},
    {"Frame4", "Frame3", "frame", "Нужен рисунок?", 240, 144, 1452, 696, 46, "A7.5b"},
    {"optIm(0)", "Frame4", "option", "Нет", 216, 216, 1056, 192, 47, "A7.5b"},
    {"optIm(1)", "Frame4", "option", "Да", 240, 432, 1092, 228, 48, "A7.5b"},
    {"Label20", "Frame3", "label", "Выбрать файл с рисунком для вопроса =>", 360, 1080, 1572, 672, 45, "A9b"},
    {"File2", "frmEdit", "list", "", 7200, 5904, 840, 1455, 43, "A7.5"},
    {"cmdAbout", "frmEdit", "button", "Справка", 8880, 5964, 1260, 528, 28, "A9b"},
    {"cmdEnd", "frmEdit", "button", "Выход", 8880, 6840, 1272, 492, 0, "A9b"},
    {"cmdAddPicture", "frmEdit", "button", "Добавить рисунок…", 8280, 5568, 1860, 348, 49, "A7.5b"},
};
// clang-format on

struct Font {
  const char* family;
  double points;
  bool bold;
};
const std::map<std::string, Font> kFonts = {
    {"A7.5", {"Arial", 7.5, false}},  {"A7.5b", {"Arial", 7.5, true}},
    {"A9", {"Arial", 9, false}},      {"A9b", {"Arial", 9, true}},
    {"A10.5", {"Arial", 10.5, false}}, {"S8.25", {"MS Sans Serif", 8.25, false}},
    {"S8.25b", {"MS Sans Serif", 8.25, true}},
};

// A design value in twips as pixels: a twelfth, rounded to the nearest pixel.
int px(int twips) { return static_cast<int>(std::lround(twips / 12.0)); }

QString caption(const QWidget* w) {
  if (const auto* label = qobject_cast<const QLabel*>(w)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
  if (const auto* frame = qobject_cast<const QGroupBox*>(w)) return frame->title();
  return {};
}

bool isKind(const QWidget* w, const std::string& kind) {
  const auto* label = qobject_cast<const QLabel*>(w);
  if (kind == "label") return label != nullptr && label->frameShape() == QFrame::NoFrame;
  if (kind == "bordered label") {
    return label != nullptr && label->frameShape() != QFrame::NoFrame &&
           (label->alignment() & Qt::AlignHCenter) != 0;
  }
  if (kind == "text box") return qobject_cast<const QLineEdit*>(w) != nullptr;
  if (kind == "multi-line") return qobject_cast<const QPlainTextEdit*>(w) != nullptr;
  if (kind == "list") return qobject_cast<const QListWidget*>(w) != nullptr;
  if (kind == "button") return qobject_cast<const QPushButton*>(w) != nullptr;
  if (kind == "option") return qobject_cast<const QRadioButton*>(w) != nullptr;
  if (kind == "frame") return qobject_cast<const QGroupBox*>(w) != nullptr;
  if (kind == "image") {
    const auto* frame = qobject_cast<const QFrame*>(w);
    return frame != nullptr && label == nullptr && frame->frameShape() == QFrame::Box;
  }
  return false;
}

void expectFont(const QFont& font, const Font& want, double dpi, const std::string& who) {
  SCOPED_TRACE(who);
  EXPECT_EQ(font.family().toStdString(), want.family);
  // The pixel size a font of this size has at 120 pixels per inch.
  EXPECT_NEAR(font.pointSizeF() * dpi / 72.0, want.points * 120.0 / 72.0, 1e-9);
  EXPECT_EQ(font.weight(), want.bold ? QFont::Bold : QFont::Normal);
  EXPECT_FALSE(font.italic());
  EXPECT_FALSE(font.underline());
  EXPECT_FALSE(font.strikeOut());
}

QColor windowGreen() { return QColor(153, 170, 153); }
QColor frameGrey() { return QColor(170, 170, 170); }

TEST(WindowLayout, EveryControlAsDesignedBeforeStartUp) {
  support::TempDir dir;
  Rig rig(dir.path());
  const qt::EditWindow& w = rig.window;
  EXPECT_EQ(w.objectName(), "frmEdit");
  EXPECT_EQ(w.windowTitle(), "Редактор теста");

  std::set<std::string> named;
  for (const Expected& e : kDesign) {
    SCOPED_TRACE(e.name);
    const QWidget* c = w.control(e.name);
    ASSERT_NE(c, nullptr);
    named.insert(e.name);
    EXPECT_EQ(c->objectName().toStdString(), e.name);
    ASSERT_NE(c->parentWidget(), nullptr);
    if (std::string(e.container) == "frmEdit") {
      EXPECT_EQ(c->parentWidget(), w.clientArea());
    } else {
      EXPECT_EQ(c->parentWidget()->objectName().toStdString(), e.container);
    }
    EXPECT_TRUE(isKind(c, e.kind)) << "not a " << e.kind << ": " << c->metaObject()->className();
    EXPECT_EQ(caption(c).toStdString(), e.caption);
    EXPECT_TRUE(c->isVisibleTo(&w));
    EXPECT_EQ(c->isEnabled(), std::string(e.name) != "File2" && std::string(e.name) != "cmdAddPicture");
    if (e.tab < 0 || qobject_cast<const QLabel*>(c) || qobject_cast<const QGroupBox*>(c)) {
      EXPECT_EQ(c->focusPolicy() & Qt::TabFocus, 0) << "takes the focus";
    } else {
      EXPECT_NE(c->focusPolicy() & Qt::TabFocus, 0) << "takes no focus";
    }
  }
  // No control beyond the design, and none missing.
  int children = 0;
  for (const QWidget* c : w.findChildren<QWidget*>()) {
    if (named.count(c->objectName().toStdString())) ++children;
  }
  EXPECT_EQ(children, static_cast<int>(std::size(kDesign)));

  EXPECT_TRUE(rig.get<QRadioButton>("optIm(0)")->isChecked());
  EXPECT_FALSE(rig.get<QRadioButton>("optIm(1)")->isChecked());
  for (const char* box : {"Text1(0)", "Text1(1)", "Text1(2)", "Text1(3)", "Text1(4)", "Text1(5)",
                          "Text2", "Text3", "txtAddr", "txtT", "txtMin"}) {
    EXPECT_TRUE(textOf(w.control(box)).isEmpty()) << box;
  }
  for (const char* list : {"List1", "List2", "File1", "File2", "Dir1"}) {
    EXPECT_EQ(rig.list(list)->count(), 0) << list;
  }
  // Multi-line boxes pass Tab on, as every box does.
  EXPECT_TRUE(rig.get<QPlainTextEdit>("Text1(0)")->tabChangesFocus());
}

TEST(WindowLayout, PlacesSizesAndFontsAfterScalingToTheScreen) {
  Started s;
  const qt::EditWindow& w = s.rig->window;
  ASSERT_FALSE(w.ended());
  const double dpi = w.logicalDpiY();
  EXPECT_EQ(dpi, 96.0);  // the offscreen screen; every expectation below holds on any screen
  EXPECT_DOUBLE_EQ(s.rig->editor.state().ScaleFactor, 15.0 / 12.0);

  // The client area: 10320 x 7650 twips, under the menu bar, which adds its height.
  EXPECT_EQ(w.clientArea()->size(), QSize(860, 638));
  EXPECT_EQ(w.clientArea()->geometry().top(), w.menuBar()->geometry().bottom() + 1);
  EXPECT_GT(w.menuBar()->height(), 10);
  EXPECT_EQ(w.size(), QSize(860, 638 + w.menuBar()->height()));
  expectFont(w.font(), kFonts.at("A7.5"), dpi, "frmEdit");

  for (const Expected& e : kDesign) {
    SCOPED_TRACE(e.name);
    const QWidget* c = w.control(e.name);
    ASSERT_NE(c, nullptr);
    // A one-line label may be wider than designed, to its caption's width.
    const auto* label = qobject_cast<const QLabel*>(c);
    const bool grows = label != nullptr && !label->wordWrap() && c->width() > px(e.width);
    EXPECT_EQ(c->geometry(), QRect(px(e.left), px(e.top), grows ? c->width() : px(e.width), px(e.height)));
    if (grows) {
      EXPECT_LE(c->width(), px(e.width) + 8);
    }
    if (*e.font != '\0') expectFont(c->font(), kFonts.at(e.font), dpi, e.name);
  }
  // A control of a frame in a frame lands where its twips say, counted from the window.
  EXPECT_EQ(w.control("optIm(1)")->mapTo(w.clientArea(), QPoint(0, 0)),
            QPoint(px(5256 + 240 + 240), px(5760 + 144 + 432)));
}

TEST(WindowLayout, ScalingFollowsTheFactorAndTheScreensTwipsPerPixel) {
  support::TempDir dir;
  Rig rig(dir.path());
  qt::EditWindow& w = rig.window;
  EXPECT_DOUBLE_EQ(w.twipsPerPixelY(), 1440.0 / w.logicalDpiY());
  const double tpp = w.twipsPerPixelY();

  // Factor 1 on this screen keeps the twips as twips: 2460 twips at tpp twips per pixel.
  w.scaleWindow(1.0);
  EXPECT_EQ(w.control("cmdNewL")->width(), static_cast<int>(std::lround(2460 / tpp)));
  EXPECT_DOUBLE_EQ(w.control("cmdNewL")->font().pointSizeF(), 9.0);
  EXPECT_DOUBLE_EQ(w.control("Frame2")->font().pointSizeF(), 7.5);

  // The factor start-up computes, tpp / 12, gives twelfths of the twips and scaled points.
  w.scaleWindow(tpp / 12.0);
  EXPECT_EQ(w.control("cmdNewL")->width(), 205);
  EXPECT_DOUBLE_EQ(w.control("cmdNewL")->font().pointSizeF(), 9.0 * tpp / 12.0);
  w.scaleWindow(tpp / 12.0);  // once more changes nothing
  EXPECT_EQ(w.control("cmdNewL")->width(), 205);
  EXPECT_EQ(w.clientArea()->width(), 860);
}

// Of overlapping controls the one created first lies on top: the controls over the frames,
// the stage count over its caption. Each control that takes input or shows the editor's
// state is the one found at its own centre. (File1 and Dir1, created after Frame2, lie under
// it.)
TEST(WindowLayout, ControlsLieOnTopWhereTheyAreUsed) {
  Started s;
  const qt::EditWindow& w = s.rig->window;
  for (const Expected& e : kDesign) {
    const std::string name = e.name;
    const QWidget* c = w.control(name);
    const bool wanted = ((c->focusPolicy() & Qt::TabFocus) != 0 && name != "File1" &&
                         name != "Dir1") ||
                        name == "Label9" || name == "Label11" || name == "Image1";
    if (!wanted) continue;
    const QPoint centre = c->mapTo(&w, c->rect().center());
    const QWidget* found = w.childAt(centre);
    EXPECT_TRUE(found == c || c->isAncestorOf(found))
        << name << " is covered by " << (found ? found->objectName().toStdString() : "nothing");
  }
}

TEST(WindowLayout, TabOrderStartsAtTheExitButton) {
  Started s;
  const qt::EditWindow& w = s.rig->window;

  std::vector<std::pair<int, std::string>> byTab;
  for (const Expected& e : kDesign) {
    const QWidget* c = w.control(e.name);
    if (e.tab >= 0 && (c->focusPolicy() & Qt::TabFocus) != 0) byTab.emplace_back(e.tab, e.name);
  }
  std::sort(byTab.begin(), byTab.end());
  std::vector<std::string> expected;
  for (const auto& [tab, name] : byTab) expected.push_back(name);
  ASSERT_GE(expected.size(), 3u);
  EXPECT_EQ(expected[0], "cmdEnd");
  EXPECT_EQ(expected[1], "cmdSave");
  EXPECT_EQ(expected[2], "Text1(0)");
  EXPECT_EQ(expected.size(), 26u);

  std::vector<std::string> chain;
  QWidget* c = w.control("cmdEnd");
  do {
    if ((c->focusPolicy() & Qt::TabFocus) != 0 && w.control(c->objectName().toStdString()) == c) {
      chain.push_back(c->objectName().toStdString());
    }
    c = c->nextInFocusChain();
  } while (c != w.control("cmdEnd") && chain.size() < 100);
  EXPECT_EQ(chain, expected);

  EXPECT_EQ(w.focusWidget(), w.control("cmdEnd"));
}

TEST(WindowLayout, StateAfterStartUp) {
  Started s;
  Rig& r = *s.rig;
  EXPECT_FALSE(r.button("cmdNewN")->isEnabled());
  EXPECT_FALSE(r.list("File2")->isEnabled());
  for (const char* on : {"cmdSave", "cmdEnd", "cmdAbout", "cmdMix", "cmdNewL", "cmdDelLast",
                         "List1", "List2", "Label9"}) {
    EXPECT_TRUE(r.window.control(on)->isEnabled()) << on;
  }
  EXPECT_EQ(r.get<QLabel>("Label9")->text(), "6");
  EXPECT_EQ(r.get<QLabel>("Label11")->text(), "10");
  EXPECT_EQ(r.list("List1")->count(), 6);
  EXPECT_EQ(r.list("List1")->item(5)->text(), "6");
  EXPECT_EQ(r.list("List1")->currentRow(), -1);
  EXPECT_EQ(r.list("List2")->count(), 0);
  EXPECT_EQ(r.list("File2")->count(), 3);
  EXPECT_EQ(r.list("File2")->item(0)->text(), "1.gif");
  EXPECT_EQ(textOf(r.window.control("txtT")), "20");
  EXPECT_EQ(textOf(r.window.control("txtMin")), "60");

  // A stage folder the answer key does not count greys the stage count.
  Started recovering({.stageFolders = 7, .stageCountLine = 6});
  EXPECT_FALSE(recovering.rig->window.control("Label9")->isEnabled());
  EXPECT_FALSE(recovering.rig->button("cmdNewL")->isEnabled());
}

TEST(WindowLayout, QuestionListShowsTenQuestionsWithoutScrolling) {
  Started s;
  choose(*s.rig, 1, 10);
  QListWidget* questions = s.rig->list("List2");
  ASSERT_EQ(questions->count(), 10);
  questions->scrollToTop();
  for (int row : {0, 9}) {
    EXPECT_TRUE(questions->viewport()->rect().contains(questions->visualItemRect(questions->item(row))))
        << "row " << row;
  }
}

TEST(WindowLayout, Colours) {
  Started s;
  const qt::EditWindow& w = s.rig->window;
  auto background = [](const QWidget* c) {
    EXPECT_TRUE(c->autoFillBackground()) << c->objectName().toStdString();
    return c->palette().color(c->backgroundRole());
  };
  EXPECT_EQ(background(w.clientArea()), windowGreen());
  EXPECT_NE(w.menuBar()->palette().color(w.menuBar()->backgroundRole()), windowGreen());
  for (const Expected& e : kDesign) {
    const QWidget* c = w.control(e.name);
    const std::string kind = e.kind;
    const bool inFrame = std::string(e.container) != "frmEdit";
    if (kind == "frame" || kind == "option" || (kind.find("label") != std::string::npos && inFrame)) {
      EXPECT_EQ(background(c), frameGrey()) << e.name;
    } else if (kind.find("label") != std::string::npos) {
      EXPECT_EQ(background(c), windowGreen()) << e.name;
    }
  }

  // The question fields turn red for the newest question of the last stage, black otherwise.
  auto textColour = [&](int i) {
    return w.control("Text1(" + std::to_string(i) + ")")->palette().color(QPalette::Text);
  };
  clickRow(s.rig->list("List1"), 5);
  clickRow(s.rig->list("List2"), 9);
  ASSERT_TRUE(s.rig->errors.empty());
  for (int i = 0; i < 6; ++i) EXPECT_EQ(textColour(i), QColor(255, 0, 0)) << i;
  clickRow(s.rig->list("List1"), 0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(textColour(i), QColor(0, 0, 0)) << i;
}

TEST(WindowLayout, IconIsSixteenPixelsInSixteenColours) {
  const QImage image = qt::iconImage();
  EXPECT_EQ(image.size(), QSize(16, 16));
  EXPECT_EQ(image.colorCount(), 16);
  std::set<int> used;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) used.insert(image.pixelIndex(x, y));
  }
  EXPECT_GE(used.size(), 4u);  // a drawing, not a blot
  const QImage mask = qt::iconMask().toImage();
  std::set<int> maskValues;  // some pixels shown, some not
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) maskValues.insert(mask.pixelIndex(x, y));
  }
  EXPECT_EQ(maskValues.size(), 2u);

  support::TempDir dir;
  Rig rig(dir.path());
  EXPECT_TRUE(rig.window.windowIcon().availableSizes().contains(QSize(16, 16)));
}

// No caption of the form is cut, at 100, 125 and 150 %: every label drawn alone at each scale
// leaves its last column and row of pixels bare (where a caption runs past its label, its ink
// reaches the edge and is cut there), and every button, option and frame has room for its caption.
TEST(WindowLayout, NoCaptionIsCutAtAnyScale) {
  Started s;
  const qt::EditWindow& w = s.rig->window;
  for (const Expected& e : kDesign) {
    SCOPED_TRACE(e.name);
    const QWidget* c = w.control(e.name);
    const auto* label = qobject_cast<const QLabel*>(c);
    if (label == nullptr || label->text().isEmpty()) continue;
    for (const double scale : {1.0, 1.25, 1.5}) {
      QImage image((QSizeF(c->size()) * scale).toSize(), QImage::Format_RGB32);
      image.setDevicePixelRatio(scale);
      image.fill(Qt::white);
      QPainter painter(&image);
      const_cast<QWidget*>(c)->render(&painter);
      painter.end();
      const QRgb background = c->palette().color(c->backgroundRole()).rgb();
      // The dark pixels of the text alone; a bordered label's own edge is no caption.
      const int edge = label->frameWidth() > 0 ? label->frameWidth() + 1 : 0;
      auto ink = [&](int x, int y) { return image.pixel(x, y) != background && qGray(image.pixel(x, y)) < 100; };
      for (int y = edge; y < image.height() - edge; ++y) {
        EXPECT_FALSE(ink(image.width() - 1 - edge, y)) << "cut on the right at " << scale;
      }
      for (int x = edge; x < image.width() - edge; ++x) {
        EXPECT_FALSE(ink(x, image.height() - 1 - edge)) << "cut at the bottom at " << scale;
      }
    }
  }
  for (const char* name : {"cmdMix", "cmdSave", "cmdNewL", "cmdNewN", "cmdDelLast", "cmdAbout", "cmdEnd",
                           "cmdAddPicture", "optIm(0)", "optIm(1)"}) {
    const auto* control = qobject_cast<const QAbstractButton*>(w.control(name));
    const QFontMetrics metrics(control->font());
    const int lines = qobject_cast<const QRadioButton*>(control) != nullptr ? 1 : 2;
    EXPECT_LE(metrics.horizontalAdvance(control->text()), lines * control->width() - 8) << name;
  }
  for (const char* name : {"Frame1", "Frame2", "Frame4"}) {
    const auto* frame = qobject_cast<const QGroupBox*>(w.control(name));
    EXPECT_LE(QFontMetrics(frame->font()).horizontalAdvance(frame->title()), frame->width() - 8) << name;
  }
}

}  // namespace
}  // namespace qttest
