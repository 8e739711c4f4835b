#!/usr/bin/env bash
# The demo run by ./dev demo, over the build folder given as the first argument.
set -euo pipefail
bin="$1/apps/zarixctl/zarixctl"
echo "== Plugin loading is not built yet: this demo shows the version and name utilities"
echo "== that the dependency check and the database check rely on."
echo
echo "-- Version texts as the dependency check parses them (parts wrap at 65536):"
"$bin" parse 3 1.2.3.4.5 70000.1 "1,0,0,0" 1.2.x || true
echo
echo "-- Versions are compared as concatenated digits, on purpose:"
"$bin" compare 1.10.0.0 2.0.0.0
"$bin" compare 1.23.4.5 12.3.4.5
"$bin" compare 0.0.0.1 0.0.1.0
"$bin" compare 65535.65535.65535.65535 1.0.0.0 || true
echo
echo "-- Plugin names, normalised and shown by their display names:"
"$bin" name "Kasa" "Kopia danych" "Formularze ŁOW" "Słownik" "Nieznany moduł"
