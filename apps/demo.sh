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
