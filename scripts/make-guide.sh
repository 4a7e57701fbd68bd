#!/usr/bin/env bash
# The teacher's guide: its pictures taken from the window of the editor just built
# (build/release), on the model test, on a private Xvfb display (scripts/guide-pictures.py), so
# that they are taken again whenever the window changes; then the page doc/guide/guide.html with
# every picture put inside it, one file to carry: build/guide/guide.html.
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$here/scripts/display.sh"
out="$here/build/guide"
program="$here/build/release/src/app/test_editor"
[ -x "$program" ] || { echo "make-guide: $program is missing: bash scripts/build.sh release" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out/pictures"
work_folder

# The control table's places in twips, from the shared design, for the clicks and the names.
control_places "$work"

own_display 1280x1024x24 "$work/xvfb.log"
DISPLAY=":$display" python3 "$here/scripts/guide-pictures.py" "$program" "$here/sample" \
  "$work/control-places.txt" "$out/pictures"

# Every picture the page names goes inside it; a name without its picture is an error.
python3 - "$here/doc/guide/guide.html" "$out/pictures" "$out/guide.html" <<'PY'
import base64, os, re, sys
page, pictures, target = sys.argv[1:4]
text = open(page, encoding="utf-8").read()
def inline(match):
    path = os.path.join(pictures, match.group(1))
    if not os.path.isfile(path):
        sys.exit(f"make-guide: the page shows {match.group(1)}, which was not taken")
    data = base64.b64encode(open(path, "rb").read()).decode()
    return f'src="data:image/png;base64,{data}"'
text, count = re.subn(r'src="pictures/([^"]+\.png)"', inline, text)
open(target, "w", encoding="utf-8").write(text)
print(f"make-guide: {target}, {count} pictures")
PY
