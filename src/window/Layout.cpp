#include "window/Layout.h"

namespace window {

namespace {

constexpr std::string_view W = kWindowName;

using K = Kind;
using F = FontId;

// clang-format off
constexpr ControlDesign kControls[] = {
    // The window's own children.
    {"File2",    W, K::FileList,     "", 7200, 5904, 840, 1455, 43, F::A7_5, Initial::Disabled},
    {"cmdMix",   W, K::Button,       "Смена порядка следования вопросов", 120, 828, 2148, 492, 41, F::A7_5b},
    {"txtAddr",  W, K::TextBox,      "", 6840, 480, 2892, 288, 40, F::A7_5},
    {"txtMin",   W, K::TextBox,      "", 9936, 972, 300, 300, 38, F::A9b},
    {"txtT",     W, K::TextBox,      "", 5220, 972, 300, 300, 37, F::A9b},
    {"Frame1",   W, K::Frame,        "МОДИФИКАЦИЯ \"ОБЪЕМА\" ТЕСТА", 0, 5760, 4776, 1824, 8, F::A7_5b},
    {"Text3",    W, K::MultiLineBox, "", 2304, 468, 4248, 300, 33, F::A7_5b},
    {"Text2",    W, K::MultiLineBox, "", 2304, 72, 4236, 300, 32, F::A10_5},
    {"cmdAbout", W, K::Button,       "Справка", 8880, 5964, 1260, 528, 28, F::A9b},
    {"List2",    W, K::ListBox,      "", 9564, 2844, 552, 1815, 17, F::A7_5},
    {"List1",    W, K::ListBox,      "", 8760, 2844, 552, 1815, 16, F::A7_5},
    {"Text1(5)", W, K::TextBox,      "", 1224, 5160, 264, 276, 7, F::A9b},
    {"Text1(4)", W, K::MultiLineBox, "", 480, 4440, 4200, 300, 6, F::A9},
    {"Text1(3)", W, K::MultiLineBox, "", 504, 3960, 4200, 300, 5, F::A9},
    {"Text1(2)", W, K::MultiLineBox, "", 480, 3480, 4236, 300, 4, F::A9},
    {"Text1(1)", W, K::MultiLineBox, "", 480, 3000, 4236, 300, 3, F::A9},
    {"Text1(0)", W, K::MultiLineBox, "", 480, 1920, 4212, 660, 2, F::A9},
    {"cmdSave",  W, K::Button,       "Сохранить изменения", 2400, 4920, 2292, 456, 1, F::A9b},
    {"cmdEnd",   W, K::Button,       "Выход", 8880, 6840, 1272, 492, 0, F::A9b},
    {"Frame2",   W, K::Frame,        "МОДИФИКАЦИЯ ВОПРОСА", 0, 1440, 10284, 4068, 18, F::A7_5b},
    {"File1",    W, K::FileList,     "", 7056, 1620, 1920, 285, 29, F::S8_25},
    {"Dir1",     W, K::FolderList,   "", 7164, 4392, 984, 288, 34, F::S8_25},
    {"Frame3",   W, K::Frame,        "", 5256, 5760, 2952, 1812, 44, F::A7_5},
    {"Label18",  W, K::Label,        "Адрес обработчика на сервере:", 6840, 120, 2892, 252, 39, F::A9b},
    {"Label17",  W, K::Label,        "Минимальный процент правильных ответов:", 5760, 1008, 4332, 300, 36, F::A9b},
    {"Label16",  W, K::Label,        "Длительность теста (мин.):", 2700, 1008, 2532, 264, 35, F::A9b},
    {"Label15",  W, K::Label,        "Тестирование по курсу", 108, 144, 2172, 300, 31, F::A9b},
    {"Label14",  W, K::Label,        "Проверяющий орган:", 144, 504, 2124, 300, 30, F::A9b},
    // A new picture from an image file, beside the picture list, in the free place between the
    // question's frame and the help button.
    {"cmdAddPicture", W, K::Button,  "Добавить рисунок…", 8280, 5568, 1860, 348, 49, F::A7_5b, Initial::Disabled},

    // The volume of the test.
    {"cmdDelLast", "Frame1", K::Button,      "Удалить  последний этап", 2196, 1320, 2460, 372, 15, F::A9b},
    {"cmdNewN",    "Frame1", K::Button,      "Создание нового вопроса", 2196, 840, 2460, 372, 14, F::A9b},
    {"cmdNewL",    "Frame1", K::Button,      "Создать новый этап", 2196, 360, 2460, 372, 13, F::A9b},
    {"Label11",    "Frame1", K::BorderLabel, "10", 1764, 1296, 300, 288, 12, F::A9b},
    {"Label10",    "Frame1", K::Label,       "Текущее число вопросов последнего этапа:", 108, 900, 1932, 744, 11, F::A9b},
    {"Label9",     "Frame1", K::BorderLabel, "", 828, 504, 288, 288, 10, F::A9b},
    {"Label8",     "Frame1", K::Label,       "Текущее число этапов:", 108, 288, 1620, 516, 9, F::A9b},

    // The question.
    {"Label19", "Frame2", K::Label, "Вопрос (рисунок 315х272):", 5472, 216, 2424, 228, 42, F::A9b},
    {"Image1",  "Frame2", K::Image, "", 4824, 468, 3816, 3492, -1, F::None},
    {"Label13", "Frame2", K::Label, "Выбор номера вопроса", 9480, 720, 732, 660, 27, F::A7_5b},
    {"Label12", "Frame2", K::Label, "Выбор номера этапа", 8760, 720, 732, 660, 26, F::A7_5b},
    {"Label7",  "Frame2", K::Label, "Номер правильного ответа:", 480, 3480, 2004, 468, 25, F::A9b},
    {"Label2",  "Frame2", K::Label, "О т в е т ы:", 2040, 1320, 1176, 252, 24, F::A9b},
    {"Label1",  "Frame2", K::Label, "В о п р о с (текст):", 1800, 240, 1572, 252, 23, F::A9b},
    {"Label6",  "Frame2", K::Label, "4", 240, 3000, 132, 252, 22, F::S8_25b},
    {"Label5",  "Frame2", K::Label, "3", 240, 2520, 132, 252, 21, F::S8_25b},
    {"Label4",  "Frame2", K::Label, "2", 240, 2040, 132, 252, 20, F::S8_25b},
    {"Label3",  "Frame2", K::Label, "1", 240, 1560, 132, 252, 19, F::S8_25b},

    // The picture.
    {"Frame4",   "Frame3", K::Frame,  "Нужен рисунок?", 240, 144, 1452, 696, 46, F::A7_5b},
    {"Label20",  "Frame3", K::Label,  "Выбрать файл с рисунком для вопроса =>", 360, 1080, 1572, 672, 45, F::A9b},
    {"optIm(1)", "Frame4", K::Option, "Да", 240, 432, 1092, 228, 48, F::A7_5b},
    {"optIm(0)", "Frame4", K::Option, "Нет", 216, 216, 1056, 192, 47, F::A7_5b, Initial::Selected},

    // The menu bar. An item that does what a button does is bound to that button (Bindings).
    {"mnuFile",         W,         K::Menu,     "&Файл", 0, 0, 0, 0, -1, F::None},
    // Another test opened in this window, and the tests opened last (shown by the driver).
    {"mnuFileOpen",     "mnuFile", K::MenuItem, "&Открыть тест…", 0, 0, 0, 0, -1, F::None, Initial::Normal, "Ctrl+O"},
    {"mnuFileRecent1",  "mnuFile", K::MenuItem, "&1", 0, 0, 0, 0, -1, F::None},
    {"mnuFileRecent2",  "mnuFile", K::MenuItem, "&2", 0, 0, 0, 0, -1, F::None},
    {"mnuFileRecent3",  "mnuFile", K::MenuItem, "&3", 0, 0, 0, 0, -1, F::None},
    {"mnuFileRecent4",  "mnuFile", K::MenuItem, "&4", 0, 0, 0, 0, -1, F::None},
    {"mnuFileRecent5",  "mnuFile", K::MenuItem, "&5", 0, 0, 0, 0, -1, F::None},
    {"mnuFileOpenBar",  "mnuFile", K::MenuItem, "-", 0, 0, 0, 0, -1, F::None},
    {"mnuFileImport",   "mnuFile", K::MenuItem, "&Импорт вопросов из текста…", 0, 0, 0, 0, -1, F::None},
    {"mnuFileExport",   "mnuFile", K::MenuItem, "&Сохранить вопросы в текст…", 0, 0, 0, 0, -1, F::None},
    {"mnuFileBar",      "mnuFile", K::MenuItem, "-", 0, 0, 0, 0, -1, F::None},
    {"mnuFileExit",     "mnuFile", K::MenuItem, "&Выход", 0, 0, 0, 0, -1, F::None},
    {"mnuEdit",         W,         K::Menu,     "&Правка", 0, 0, 0, 0, -1, F::None},
    {"mnuEditUndo",     "mnuEdit", K::MenuItem, "&Отменить", 0, 0, 0, 0, -1, F::None, Initial::Disabled, "Ctrl+Z"},
    {"mnuEditRedo",     "mnuEdit", K::MenuItem, "&Вернуть", 0, 0, 0, 0, -1, F::None, Initial::Disabled, "Ctrl+Y"},
    {"mnuEditBar",      "mnuEdit", K::MenuItem, "-", 0, 0, 0, 0, -1, F::None},
    {"mnuEditHistory",  "mnuEdit", K::MenuItem, "&История изменений…", 0, 0, 0, 0, -1, F::None, Initial::Disabled},
    // The question's picture: a new one from a file or the clipboard (Ctrl+V only where the
    // picture list or the picture has the focus, see Bindings), or the one shown made anew.
    {"mnuEditPictureBar", "mnuEdit", K::MenuItem, "-", 0, 0, 0, 0, -1, F::None},
    {"mnuEditAddPicture", "mnuEdit", K::MenuItem, "&Добавить рисунок…", 0, 0, 0, 0, -1, F::None, Initial::Disabled},
    {"mnuEditPastePicture", "mnuEdit", K::MenuItem, "Вст&авить рисунок", 0, 0, 0, 0, -1, F::None, Initial::Disabled, "Ctrl+V"},
    {"mnuEditReplacePicture", "mnuEdit", K::MenuItem, "&Заменить рисунок…", 0, 0, 0, 0, -1, F::None, Initial::Disabled},
    {"mnuTest",         W,         K::Menu,     "&Тест", 0, 0, 0, 0, -1, F::None},
    {"mnuTestNewStage", "mnuTest", K::MenuItem, "Создать новый &этап", 0, 0, 0, 0, -1, F::None},
    {"mnuTestDelLast",  "mnuTest", K::MenuItem, "&Удалить последний этап…", 0, 0, 0, 0, -1, F::None},
    {"mnuTestMix",      "mnuTest", K::MenuItem, "&Смена порядка следования вопросов", 0, 0, 0, 0, -1, F::None},
    // The test as a whole: checked, on paper, as the pupils see it.
    {"mnuTestWholeBar", "mnuTest", K::MenuItem, "-", 0, 0, 0, 0, -1, F::None},
    {"mnuTestCheck",    "mnuTest", K::MenuItem, "Прове&рить тест", 0, 0, 0, 0, -1, F::None},
    {"mnuTestPrint",    "mnuTest", K::MenuItem, "&Печать вопросов и ключа…", 0, 0, 0, 0, -1, F::None, Initial::Normal, "Ctrl+P"},
    {"mnuTestBrowser",  "mnuTest", K::MenuItem, "Открыть тест в &браузере", 0, 0, 0, 0, -1, F::None},
    {"mnuTestQuestionBrowser", "mnuTest", K::MenuItem, "Открыть &вопрос в браузере", 0, 0, 0, 0, -1, F::None},
    // The lesson: the test served to the class from this computer, its window, and the lesson's
    // address for the results written into the test (shown only while a lesson runs).
    {"mnuTestLessonBar", "mnuTest", K::MenuItem, "-", 0, 0, 0, 0, -1, F::None},
    {"mnuTestLesson",   "mnuTest", K::MenuItem, "Провести тест в &классе…", 0, 0, 0, 0, -1, F::None},
    {"mnuTestLessonAddress", "mnuTest", K::MenuItem, "Записать &адрес урока в тест", 0, 0, 0, 0, -1, F::None},
    {"mnuTestResults",  "mnuTest", K::MenuItem, "Р&езультаты уроков…", 0, 0, 0, 0, -1, F::None},
    {"mnuHelp",         W,         K::Menu,     "&Справка", 0, 0, 0, 0, -1, F::None},
    {"mnuHelpGuide",    "mnuHelp", K::MenuItem, "&Руководство", 0, 0, 0, 0, -1, F::None, Initial::Normal, "F1"},
    {"mnuHelpAbout",    "mnuHelp", K::MenuItem, "&О программе", 0, 0, 0, 0, -1, F::None},
};
// clang-format on

}  // namespace

FontDesign fontDesign(FontId id) {
  switch (id) {
    case FontId::A7_5: return {"Arial", 7.5, false};
    case FontId::A7_5b: return {"Arial", 7.5, true};
    case FontId::A9: return {"Arial", 9, false};
    case FontId::A9b: return {"Arial", 9, true};
    case FontId::A10_5: return {"Arial", 10.5, false};
    case FontId::S8_25: return {"MS Sans Serif", 8.25, false};
    case FontId::S8_25b: return {"MS Sans Serif", 8.25, true};
    case FontId::None: break;
  }
  return {"", 0, false};
}

std::span<const ControlDesign> controls() { return kControls; }

const ControlDesign* findControl(std::string_view name) {
  for (const auto& c : kControls) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

bool wrapsCaption(const ControlDesign& design) {
  return design.height >= 2 * 20 * fontDesign(design.font).points;
}

int labelWidth(int designed, int caption) { return caption > designed ? caption : designed; }

bool isSeparator(const ControlDesign& design) {
  return design.kind == Kind::MenuItem && design.caption == "-";
}

}  // namespace window
