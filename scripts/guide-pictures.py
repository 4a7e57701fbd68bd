#!/usr/bin/env python3
"""Takes the pictures of the teacher's guide from the real window: the Linux editor on a copy of
the model test, on an X display of its own (DISPLAY), driven by clicks at the places of the
shared design table as a teacher would. Then names the window's parts on the first picture with
ImageMagick. Writes into OUT:

    window.png      the window as it opens on the model test
    parts.png       the same with its parts numbered and named
    menu.png        the menu Файл open
    import.png      the import's dialog on the example file of questions, from stage 1
    question.png    stage 1, question 7 chosen: the question, its answers and its picture
    new-picture.png   a photo added to it by «Добавить рисунок…»: 9.gif chosen and shown
    about.png       the box of "Справка"
    new-stage.png   a new stage made and chosen: its question fields red
    new-question.png  its first question saved, the next one made
    remove.png      the question before the last stage is removed
    no-test.png     the box for a folder that holds no test
    check.png       Тест → Проверить тест on a copy with slips: the list of what is wrong
    printed-1.png   Тест → Печать вопросов и ключа…: the first page of the page printed
    printed-key.png   and its page of the answer key, as Chromium prints them
    history.png     the history's dialog after a save, a mixing and its undo
    lesson.png      Тест → Провести тест в классе…: the lesson's window with five results posted
                    on the loopback as the quiz posts them, one of them claiming more than its
                    answers give (a marked row)
    results.png     Тест → Результаты уроков… after a lesson of eight pupils (served by --serve)
    excel.png       the spreadsheet saved from it, its sheet «Результаты» read back by openpyxl and
                    shown as a table by headless Chromium (no spreadsheet program here)

    guide-pictures.py PROGRAM SAMPLE PLACES OUT
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "win32"))
from drive_window import fail, post_result, run, screen, visible_windows, window_origin  # noqa: E402

SCALE = 1 / 12  # pixels a twip at 96 dots an inch

# The parts named on parts.png: the name, the controls whose places it covers, and where its
# number sits: on the top right corner of the frame ("tr"), its top left ("tl"), or just outside
# it on the left ("l") or the right ("r"), wherever it hides the least.
PARTS = [
    ("Настройки теста", ["Label15", "Text2", "Label14", "Text3", "Label18", "txtAddr",
                         "Label16", "txtT", "Label17", "txtMin"], "tr"),
    ("Смена порядка вопросов", ["cmdMix"], "tl"),
    ("Список этапов", ["List1"], "tr"),
    ("Список вопросов этапа", ["List2"], "tr"),
    ("Текст вопроса", ["Text1(0)"], "tr"),
    ("Ответы 1–4", ["Text1(1)", "Text1(2)", "Text1(3)", "Text1(4)"], "tr"),
    ("Номер правильного ответа", ["Text1(5)"], "r"),
    ("Сохранить изменения", ["cmdSave"], "tr"),
    ("Рисунок вопроса", ["Image1"], "tl"),
    ("Нужен рисунок? Нет / Да", ["Frame4"], "l"),
    ("Файлы рисунков", ["File2"], "tr"),
    ("Этапы: число, новый этап, удаление", ["Frame1"], "tr"),
    ("Справка", ["cmdAbout"], "l"),
    ("Выход", ["cmdEnd"], "l"),
    ("Меню: Файл, Тест, Справка", ["menu"], "r"),
]
FONT = "Liberation-Sans-Bold"


def main():
    program, sample, places_file, out = sys.argv[1:5]
    places = {}
    for line in open(places_file, encoding="utf-8"):
        name, *box = line.split()
        places[name] = [int(v) for v in box]
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp()
    try:
        menu = shoot(program, sample, places, out, work)
        # The menu bar lies above the client area: its height, and where its titles end.
        places["menu"] = [0, -round(menu / SCALE), 2400, round(menu / SCALE)]
        name_parts(places, out, menu)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def box(editor, what):
    """The message box the editor shows, once it shows."""
    for _ in range(60):
        boxes = [b for b in visible_windows("Редактор теста|VARNOLIX|Лорвакс|Импорт вопросов|Проверка теста|Печать вопросов|История изменений|Результаты уроков|Сохранить результаты|Рисунок для вопроса")
                 if b not in box.main]
        if boxes:
            time.sleep(0.5)
            return boxes[0]
        if editor.poll() is not None:
            fail(f"the editor ended instead of showing {what}")
        time.sleep(0.5)
    fail(f"no box for {what}")


box.main = []


def answer(window, key):
    # Press and release by XTEST, to the box that has the focus (see drive_window.error_box).
    run("xdotool", "windowfocus", window)
    run("xdotool", "key", key)
    time.sleep(0.5)


def shoot(program, sample, places, out, work):
    test = os.path.join(work, "test")
    shutil.copytree(sample, test)
    log = open(os.path.join(out, "editor.log"), "w")
    editor = subprocess.Popen([program, test], cwd=work, stdout=log, stderr=log)
    window, (ox, oy) = window_origin(editor, "on the model test")
    box.main = [window]
    top = int(dict(v.split("=") for v in run("xdotool", "getwindowgeometry", "--shell", window).split())["Y"])

    def click(name, dx=None, dy=None):
        if editor.poll() is not None:
            fail(f"the editor ended early, with status {editor.returncode}")
        left, top, w, h = places[name]
        x = ox + (left + (w / 2 if dx is None else dx / SCALE)) * SCALE
        y = oy + (top + (h / 2 if dy is None else dy / SCALE)) * SCALE
        run("xdotool", "mousemove", str(round(x)), str(round(y)), "click", "1")
        time.sleep(0.4)

    def keys(*names):
        run("xdotool", "key", "--delay", "80", *names)
        time.sleep(0.4)

    def red_fields():
        """Whether every question field shows its text in red on the screen."""
        shot, width, _ = screen()
        for i in range(6):
            left, top, w, h = (round(v * SCALE) for v in places[f"Text1({i})"])
            pixels = ((y * width + x) * 3 for y in range(oy + top, oy + top + h)
                      for x in range(ox + left, ox + left + w))
            if not any(shot[p] > 200 and shot[p + 1] < 80 and shot[p + 2] < 80 for p in pixels):
                return False
        return True

    def picture(name, of=window, red=False):
        # The pointer on the window's bare corner, so that no button shows it hovering and the
        # window keeps the focus.
        run("xdotool", "mousemove", str(ox + 4), str(oy + round(places["frmEdit"][3] * SCALE) - 3))
        time.sleep(0.5)
        # A picture of the red fields waits until the screen shows all six red.
        for _ in range(10):
            if not red or red_fields():
                break
            time.sleep(0.5)
        else:
            fail(f"{name}: a question field is not drawn red on the screen")
        run("import", "-window", of, os.path.join(out, name))

    picture("window.png")
    # The new stage first, on the window as it opened: a question shown before it has once left
    # one of the red fields drawn black on the screen under a loaded Xvfb (the window's own
    # rendering of it is red); the red pictures wait for all six fields.
    click("cmdNewL")
    click("List1", 4, 6)
    keys("Home", *["Down"] * 6)
    picture("new-stage.png", red=True)
    click("cmdSave")
    click("cmdNewN")
    picture("new-question.png", red=True)

    click("cmdDelLast")
    confirm = box(editor, "the question before removing the last stage")
    picture("remove.png", confirm)
    answer(confirm, "Return")

    click("List1", 4, 6)
    keys("Home")
    click("List2", 4, 6)
    keys("Home", *["Down"] * 6)
    picture("question.png")

    # A photo of the teacher's made the question's picture by «Добавить рисунок…»: the file
    # dialog given its name, the picture 9.gif made, chosen and shown at once.
    photo = os.path.join(work, "Фото опыта.jpg")
    run("convert", "-size", "1600x1200", "gradient:#9fd0ff-#1b4f8a", "-fill", "#f4d35e",
        "-draw", "circle 1150,380 1150,520", "-fill", "#3a7d44", "-draw", "rectangle 0,900 1599,1199",
        "-quality", "90", photo)
    click("cmdAddPicture")
    chooser = box(editor, "the file dialog of a new picture")
    run("xdotool", "windowfocus", chooser)
    run("xdotool", "type", "--delay", "20", photo)
    answer(chooser, "Return")
    for _ in range(40):
        if os.path.exists(os.path.join(test, "pics", "9.gif")):
            break
        time.sleep(0.25)
    else:
        fail("«Добавить рисунок…» made no pics/9.gif")
    time.sleep(1.0)
    picture("new-picture.png")

    # A few changes for the history's picture: the question saved with a word more, the mixing,
    # and the mixing taken back by Ctrl+Z.
    click("Text1(0)")
    keys("End")
    run("xdotool", "type", "--delay", "40", " (2)")
    click("cmdSave")
    click("cmdMix")
    keys("ctrl+z")

    click("cmdAbout")
    about = box(editor, "the help box")
    picture("about.png", about)
    answer(about, "Return")

    # The menu Файл, then its import: the file dialog, given the example beside the test, and the
    # import's dialog on it, from stage 1 (the stage chosen in the list); Отмена imports nothing.
    run("xdotool", "mousemove", str(ox + 4), str(oy + round(places["frmEdit"][3] * SCALE) - 3))
    run("xdotool", "windowfocus", window)
    time.sleep(0.5)
    keys("alt+Cyrillic_ef")
    time.sleep(0.5)
    run("import", "-window", "root", "-crop", f"420x160+{ox}+{top}", os.path.join(out, "menu.png"))
    keys("Cyrillic_i")
    chooser = box(editor, "the file dialog of the import")
    run("xdotool", "windowfocus", chooser)
    run("xdotool", "type", "--delay", "20", os.path.join(test, "import-example.txt"))
    answer(chooser, "Return")
    box.main.append(chooser)
    dialog = box(editor, "the import's dialog")
    picture("import.png", dialog)
    answer(dialog, "Escape")

    # The menu Правка, its history of changes.
    box.main.append(dialog)
    run("xdotool", "windowfocus", window)
    time.sleep(0.5)
    keys("alt+Cyrillic_pe")
    keys("Cyrillic_i")
    history = box(editor, "the history's dialog")
    picture("history.png", history)
    answer(history, "Escape")
    click("cmdEnd")
    if editor.wait(timeout=30) != 0:
        fail(f"the editor ended with status {editor.returncode}")

    empty = os.path.join(work, "Папка без теста")
    os.mkdir(empty)
    box.main = []
    editor = subprocess.Popen([program, empty], cwd=work, stdout=log, stderr=log)
    message = box(editor, "a folder without a test")
    picture("no-test.png", message)
    answer(message, "Return")
    if editor.wait(timeout=30) != 1:
        fail(f"after its error box the editor ended with status {editor.returncode}")
    whole_test(program, sample, out, work, log)
    lesson(program, sample, out, work, log)
    results(program, sample, out, work, log)
    return oy - top


def whole_test(program, sample, out, work, log):
    """The test as a whole: the check's list on a copy with three slips, and the page printed
    through the menu, printed to PDF by Chromium, its first page and its key as pictures. The
    system's browser is a stand-in that opens nothing."""
    slips = os.path.join(work, "Тест с ошибками")
    shutil.copytree(sample, slips)
    for page, line, change in (("1/3.html", 5, lambda lines: ""),
                               ("2/5.html", 9, lambda lines: lines[7].upper()),
                               ("5/2.html", 3, lambda lines: "9")):
        path = os.path.join(slips, page)
        lines = open(path, "rb").read().decode("cp1251").split("\r\n")
        lines[line] = change(lines)
        open(path, "wb").write("\r\n".join(lines).encode("cp1251"))
    stand_in = os.path.join(work, "bin")
    os.mkdir(stand_in)
    with open(os.path.join(stand_in, "xdg-open"), "w") as f:
        f.write("#!/bin/sh\nexit 0\n")
    os.chmod(os.path.join(stand_in, "xdg-open"), 0o755)
    env = dict(os.environ, PATH=stand_in + os.pathsep + os.environ["PATH"], HOME=work,
               XDG_CONFIG_HOME=os.path.join(work, "settings"))
    box.main = []
    editor = subprocess.Popen([program, slips], cwd=work, stdout=log, stderr=log, env=env)
    window, _ = window_origin(editor, "on the test with slips")
    box.main = [window]
    run("xdotool", "windowfocus", window)
    time.sleep(0.5)
    run("xdotool", "key", "--delay", "150", "alt+Cyrillic_te", "Cyrillic_er")
    found = box(editor, "the check's list")
    time.sleep(0.5)
    run("import", "-window", found, os.path.join(out, "check.png"))
    answer(found, "Escape")

    printed = os.path.join(work, "printed.html")
    run("xdotool", "windowfocus", window)
    time.sleep(0.5)
    run("xdotool", "key", "--delay", "150", "alt+Cyrillic_te", "Cyrillic_pe")
    chooser = box(editor, "the print's file dialog")
    run("xdotool", "windowfocus", chooser)
    run("xdotool", "key", "ctrl+a")
    run("xdotool", "type", "--delay", "20", printed)
    answer(chooser, "Return")
    for _ in range(40):
        if os.path.exists(printed):
            break
        time.sleep(0.25)
    else:
        fail("the page was not printed")
    run("xdotool", "windowfocus", window)
    run("xdotool", "key", "--delay", "150", "alt+Cyrillic_ef", "Cyrillic_ve")
    if editor.wait(timeout=30) != 0:
        fail(f"the editor on the test with slips ended with status {editor.returncode}")

    pdf = os.path.join(work, "printed.pdf")
    subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-pdf-header-footer",
                    f"--print-to-pdf={pdf}", "file://" + printed], check=True, capture_output=True, timeout=120)
    pages = int(run("pdfinfo", pdf).split("Pages:")[1].split()[0])
    key = next(n for n in range(1, pages + 1)
               if run("pdftotext", "-f", str(n), "-l", str(n), pdf, "-").lstrip().startswith("Ключ ответов"))
    for n, name in ((1, "printed-1"), (key, "printed-key")):
        run("pdftoppm", "-png", "-r", "60", "-f", str(n), "-l", str(n), "-singlefile", pdf, os.path.join(out, name))


def listening_port(pid):
    """The port the process listens on, by ss; None while it listens on none."""
    for line in run("ss", "-ltnpH").splitlines():
        if f"pid={pid}," in line:
            return int(line.split()[3].rsplit(":", 1)[1])
    return None


def lesson(program, sample, out, work, log):
    """The lesson's window: Тест → Провести тест в классе… on a copy of the model test (its
    results kept in this run's folder), five pupils' results posted on the loopback as the quiz
    posts them, the picture, then «Закончить урок» (Alt+З), its question answered ОК, and Выход."""
    test = os.path.join(work, "Урок")
    shutil.copytree(sample, test)
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "settings"),
               XDG_DATA_HOME=os.path.join(work, "data"))
    box.main = []
    editor = subprocess.Popen([program, test], cwd=work, stdout=log, stderr=log, env=env)
    window, _ = window_origin(editor, "for the lesson")
    run("xdotool", "windowfocus", window)
    time.sleep(0.5)
    run("xdotool", "key", "--delay", "150", "alt+Cyrillic_te", "Cyrillic_ka")
    for _ in range(60):
        shown = visible_windows("^Урок: ")
        port = listening_port(editor.pid)
        if shown and port:
            break
        if editor.poll() is not None:
            fail(f"the editor ended with status {editor.returncode} instead of starting the lesson")
        time.sleep(0.5)
    else:
        fail("no lesson's window, or its lesson listens on no port")
    # Name, answers given wrong, right answers claimed: the last claims all sixty.
    for student, wrong, claimed in (("Иванова Анна", 3, 57), ("Петров Пётр", 14, 46), ("Сидорова Мария", 0, 60),
                                    ("Кузнецов Илья", 27, 33), ("Смирнов Олег", 31, 60)):
        status = post_result(port, test, student, wrong, claimed)
        if status != 200:
            fail(f"the lesson answered {student}'s result with {status}")
        time.sleep(0.3)
    time.sleep(1.5)
    run("import", "-window", shown[0], os.path.join(out, "lesson.png"))
    run("xdotool", "windowfocus", shown[0])
    time.sleep(0.5)
    run("xdotool", "key", "alt+Cyrillic_ze")
    for _ in range(40):
        question = visible_windows("^Урок$")
        if question:
            break
        time.sleep(0.25)
    else:
        fail("«Закончить урок» asked nothing")
    time.sleep(0.5)
    answer(question[0], "Return")
    for _ in range(20):
        if listening_port(editor.pid) is None:
            break
        time.sleep(0.5)
    else:
        fail("the lesson still listens after «Закончить урок» and ОК")
    run("xdotool", "windowfocus", window)
    time.sleep(0.5)
    run("xdotool", "key", "--delay", "150", "alt+Cyrillic_ef", "Cyrillic_ve")
    if editor.wait(timeout=30) != 0:
        fail(f"the editor ended with status {editor.returncode} after the lesson")


PUPILS = [("Иванова Мария", 0, -1), ("Петров Пётр", 6, -1), ("Сидоров Алексей", 14, -1), ("Кузнецова Анна", 3, -1),
          ("Смирнов Илья", 25, -1), ("Попова Дарья", 9, -1), ("Волков Никита", 30, 58), ("Морозова Ксения", 2, -1)]


def results(program, sample, out, work, log):
    """A lesson of eight pupils (one claims more than his answers give) served without a window,
    then the results window on it and the spreadsheet saved from it."""
    test = os.path.join(work, "Урок 9А")
    shutil.copytree(sample, test)
    data = os.path.join(work, "data")
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    server = subprocess.Popen([program, "--serve", test, "--port", str(port), "--data", os.path.join(data, "test-editor")],
                              cwd=work, stdout=log, stderr=log)
    for _ in range(80):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            break
        except OSError:
            time.sleep(0.25)
    for student, wrong, claimed in PUPILS:
        right = 60 - wrong
        if post_result(port, test, student, wrong, right if claimed < 0 else claimed) != 200:
            fail(f"the lesson did not take the result of {student}")
    server.terminate()
    if server.wait(timeout=30) != 0:
        fail(f"the lesson without a window ended with status {server.returncode}")

    env = dict(os.environ, HOME=work, XDG_DATA_HOME=data, XDG_CONFIG_HOME=os.path.join(work, "settings"))
    box.main = []
    editor = subprocess.Popen([program, test], cwd=work, stdout=log, stderr=log, env=env)
    window, _ = window_origin(editor, "on the lesson's test")
    box.main = [window]
    run("xdotool", "windowfocus", window)
    time.sleep(0.5)
    run("xdotool", "key", "--delay", "150", "alt+Cyrillic_te", "Cyrillic_ie")
    shown = box(editor, "the results window")
    box.main.append(shown)
    run("xdotool", "windowsize", shown, "1000", "760")
    time.sleep(1.0)
    run("import", "-window", shown, os.path.join(out, "results.png"))
    book = os.path.join(work, "Урок 9А.xlsx")
    run("xdotool", "windowfocus", shown)
    time.sleep(0.3)
    run("xdotool", "key", "alt+e")
    chooser = box(editor, "the spreadsheet's file dialog")
    run("xdotool", "windowfocus", chooser)
    run("xdotool", "key", "ctrl+a")
    run("xdotool", "type", "--delay", "20", book)
    answer(chooser, "Return")
    for _ in range(40):
        if os.path.exists(book):
            break
        time.sleep(0.25)
    else:
        fail("the spreadsheet was not saved")
    run("xdotool", "windowfocus", window)
    run("xdotool", "key", "--delay", "150", "alt+Cyrillic_ef", "Cyrillic_ve")
    if editor.wait(timeout=30) != 0:
        fail(f"the editor after the results ended with status {editor.returncode}")

    # The sheet as a spreadsheet program shows it: its cells read back by openpyxl (the system's
    # Python, which has Debian's python3-openpyxl), a table with the sheet's column letters.
    page = os.path.join(work, "sheet.html")
    subprocess.run(["/usr/bin/python3", "-c", SHEET_PAGE, book, page], check=True, timeout=60)
    subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                    "--window-size=1000,330", f"--screenshot={os.path.join(out, 'excel.png')}", "file://" + page],
                   check=True, capture_output=True, timeout=120)


SHEET_PAGE = r"""
import html, sys, openpyxl
from openpyxl.utils import get_column_letter
book, page = sys.argv[1:3]
sheet = openpyxl.load_workbook(book)["Результаты"]
columns = min(sheet.max_column, 14)
out = ['<!DOCTYPE html><meta charset="utf-8"><style>body{margin:0;font:13px "Liberation Sans",Arial}'
       'table{border-collapse:collapse}td,th{border:1px solid #d0d0d0;padding:2px 6px;white-space:nowrap}'
       'th{background:#f0f0f0;color:#555;font-weight:normal}tr:nth-child(2) td{font-weight:bold}'
       '.tab{margin:6px;font-weight:bold}</style><table><tr><th></th>']
out += [f"<th>{get_column_letter(c)}</th>" for c in range(1, columns + 1)] + ["</tr>"]
for r, row in enumerate(sheet.iter_rows(max_col=columns, max_row=10, values_only=True), 1):
    cells = []
    for value in row:
        if hasattr(value, "strftime"):
            value = value.strftime("%d.%m.%Y %H:%M")
        cells.append(f"<td>{html.escape('' if value is None else str(value))}</td>")
    out.append(f"<tr><th>{r}</th>{''.join(cells)}</tr>")
out.append('</table><div class="tab">Листы: Результаты | Статистика | Урок</div>')
open(page, "w", encoding="utf-8").write("".join(out))
"""


def name_parts(places, out, menu):
    """parts.png: each part framed and numbered on the window (its client area `menu` pixels
    below the top, under the menu bar), the names listed under it."""
    def px(v):
        return round(v * SCALE)

    def badge(cx, cy, number):
        # A red disc with the number in white; text is placed by its top left corner.
        return ["-fill", "#d00000", "-stroke", "white", "-strokewidth", "1",
                "-draw", f"circle {cx},{cy} {cx + 10},{cy}", "-fill", "white", "-stroke", "none",
                "-annotate", f"+{cx - (4 if number < 10 else 8)}+{cy - 8}", str(number)]

    width, height = px(places["frmEdit"][2]), px(places["frmEdit"][3]) + menu
    rows = (len(PARTS) + 1) // 2
    draw = ["convert", os.path.join(out, "window.png"), "-background", "white",
            "-gravity", "northwest", "-extent", f"{width}x{height + 20 + rows * 26}",
            "-font", FONT, "-pointsize", "13"]
    for number, (name, controls, corner) in enumerate(PARTS, start=1):
        boxes = [places[c] for c in controls]
        x0 = px(min(b[0] for b in boxes)) - 2
        y0 = px(min(b[1] for b in boxes)) - 2 + menu
        x1 = px(max(b[0] + b[2] for b in boxes)) + 1
        y1 = px(max(b[1] + b[3] for b in boxes)) + 1 + menu
        cx, cy = {"tr": (x1 - 11, y0 + 11), "tl": (x0 + 11, y0 + 11),
                  "l": (x0 - 12, (y0 + y1) // 2), "r": (x1 + 12, (y0 + y1) // 2)}[corner]
        draw += ["-fill", "none", "-stroke", "#d00000", "-strokewidth", "2",
                 "-draw", f"rectangle {x0},{y0} {x1},{y1}"] + badge(cx, cy, number)
        column, row = divmod(number - 1, rows)
        lx, ly = 16 + column * (width // 2), height + 22 + row * 26
        draw += badge(lx + 10, ly, number)
        draw += ["-fill", "black", "-annotate", f"+{lx + 28}+{ly - 8}", name]
    subprocess.run(draw + [os.path.join(out, "parts.png")], check=True)


if __name__ == "__main__":
    main()
