#!/usr/bin/env bash
# The demo run by ./dev demo, over the build folder given as the first argument.
set -euo pipefail
build="$1"
bin="$build/apps/zarixctl/zarixctl"
plugins="$build/examples/plugins"

echo "== The sample application's plugin folder, loaded as the host loads it:"
echo "== each library checked and versioned from its file, then initialised by priority"
echo "== after its dependency check (KASA needs trade documents 2.0 and is unloaded)."
echo
"$bin" plugins --folder "$plugins"
echo
echo "== One library's version resource, read from the file without loading it:"
"$bin" version "$plugins/dokmag.bpl"
echo
echo "== The dependency check compares versions as concatenated digits, on purpose:"
"$bin" compare 1.10.0.0 2.0.0.0
"$bin" compare 1.4.2.0 2.0.0.0
"$bin" compare 65535.65535.65535.65535 1.0.0.0 || true
echo
db="$build/demo.db"
# The demo's own scratch database, made anew on every run.
rm -f "$db" "$db.bak"
"$bin" demo-db "$db"
echo "== demo-db never overwrites an existing path; asked again, it refuses and keeps the file:"
"$bin" demo-db "$db" || true
echo
echo "== The main menu built from the plugins' commands, ordered by their positions:"
"$bin" menu --folder "$plugins"
echo
echo "== The same menu for Jan Kowalski (user 2): items he has no privilege for are disabled."
"$bin" menu --folder "$plugins" --db "$db" --user 2
echo
echo "== The administrator's toolbar: the default buttons, with captions (long ones shortened)."
"$bin" toolbar --folder "$plugins" --db "$db" --user 1
echo
echo "== Jan's own toolbar from the UserToolBar table, icons only by his parameter; his row for"
echo "== the cash report names a module that is not loaded and is passed over."
"$bin" toolbar --folder "$plugins" --db "$db" --user 2
echo
echo "== A short session over the sample windows: open, look up, save and refresh, a refused"
echo "== close, a result handed back, a close that moves a child up. The active-windows tree"
echo "== after each step (\"Okna\" is the host's own first node):"
"$bin" session --folder "$plugins"
echo
echo "== The database check on the demo database, new to the modules: each creates its tables,"
echo "== then its views and triggers, then its seed rows, behind the progress window (drawn here"
echo "== one line per text). The database's version is kept among the host's parameters."
"$bin" dbcheck --folder "$plugins" --db "$db"
echo
echo "== The same check again (the same progress, left out here): the database is at the modules'"
echo "== version, so there is nothing to do."
"$bin" dbcheck --folder "$plugins" --db "$db" | sed -n '/^What each module did:/,$p'
echo
echo "== Modules calling one another by name: a customer's name, the customer module's settings,"
echo "== a price, and an invoice that takes all three; then three failures, reported or raised."
"$bin" calls --folder "$plugins" --db "$db"
echo
echo "== What the library installs on the designer's palette, and its unit table:"
"$bin" palette
echo
echo "== The plugin manager form's layout:"
"$bin" form
echo
desktop="$build/apps/desktop/zarix-desktop"
if [ -x "$desktop" ]; then
  echo "== The same application as a desktop MDI program, run on Qt's offscreen platform through a"
  echo "== scripted session: a new database checked behind its progress dialog, three windows, an"
  echo "== open menu and the plugin manager form. The screenshots:"
  rm -f "$build/desktop-demo.db"
  QT_QPA_PLATFORM=offscreen "$desktop" --db "$build/desktop-demo.db" --folder "$plugins" --user 1 \
    --screenshots "$build/screenshots"
else
  echo "== (zarix-desktop was not built: Qt 6 Widgets was not found; ./dev setup installs it)"
fi
