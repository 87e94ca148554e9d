#!/usr/bin/env bash
# The installed program: `cmake --install` into a temporary prefix, then the installed
# quarnaro-cli on the installed sample data, for a user whose home and data folder are
# temporary too. What it writes must land in the user's data folder and nothing under the
# prefix may change; its table is the one the build tree's program folder gives. The desktop
# entry and the AppStream description installed pass their validators.
#   test_install.sh BUILD_DIR BUILD_TREE_CLI
set -uo pipefail
build="$1"
build_cli="$2"
failures=0
fail() { echo "FALLITO: $*" >&2; failures=$((failures + 1)); }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"
if ! cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log" >&2
  exit 1
fi

for f in bin/quarnaro bin/quarnaro-cli share/quarnaro/Databases/Metadati.sqlite share/quarnaro/Files/Help/index.html \
         share/quarnaro/Files/ShapeConfig.xml share/quarnaro/Images/infra2.jpg share/man/man1/quarnaro-cli.1.gz \
         share/applications/it.quarnaro.Quarnaro.desktop share/metainfo/it.quarnaro.Quarnaro.metainfo.xml \
         share/icons/hicolor/scalable/apps/it.quarnaro.Quarnaro.svg share/icons/hicolor/48x48/apps/it.quarnaro.Quarnaro.png; do
  [ -e "$prefix/$f" ] || fail "manca $f"
done
ls "$prefix"/share/quarnaro/Shape/*.shp >/dev/null 2>&1 || fail "nessun file .shp installato"
# Nothing a run writes is installed.
found="$(find "$prefix" \( -name '*.log' -o -name '*.dbc' -o -name '*.part' \) -print)"
[ -z "$found" ] || fail "file di una esecuzione installati: $found"

desktop-file-validate "$prefix/share/applications/it.quarnaro.Quarnaro.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/it.quarnaro.Quarnaro.metainfo.xml" >"$tmp/as.log" 2>&1 \
  || { cat "$tmp/as.log" >&2; fail "appstreamcli validate"; }
# The installed manual page is the one the installed tool prints.
cmp -s <(gzip -dc "$prefix/share/man/man1/quarnaro-cli.1.gz") <(QT_QPA_PLATFORM=offscreen "$prefix/bin/quarnaro-cli" --man) \
  || fail "la pagina di manuale installata differisce da quarnaro-cli --man"

# Every file under the prefix with its size, time and mode.
snapshot() { find "$1" -printf '%P %s %T@ %m\n' | LC_ALL=C sort; }
before="$(snapshot "$prefix")"

export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_CACHE_HOME="$tmp/cache" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
table=(tabella --db Variabili.mdb --voce AS013-2005 --voce TR001-2005 --gruppi 6 --ordina AS013_2005)
if ! "$prefix/bin/quarnaro-cli" "${table[@]}" >"$tmp/installed.csv" 2>"$tmp/err"; then
  cat "$tmp/err" >&2
  fail "quarnaro-cli tabella installato"
fi
"$build_cli" "${table[@]}" >"$tmp/build.csv" 2>/dev/null || fail "quarnaro-cli tabella del build"
[ "$(wc -l <"$tmp/installed.csv")" -gt 1 ] || fail "tabella vuota"
cmp -s "$tmp/installed.csv" "$tmp/build.csv" || fail "la tabella installata differisce da quella del build"

user="$XDG_DATA_HOME/Quarnaro"
for f in Files/bdc_utente.sqlite Files/ShapeConfig.xml Files/InfoQrn.txt; do
  [ -f "$user/$f" ] || fail "la cartella dell'utente non ha $f"
done
[ ! -e "$user/Files/Help" ] || fail "l'aiuto è copiato nella cartella dell'utente"

# A thematic map writes its table into the scratch database: the user's copy changes.
if ! "$prefix/bin/quarnaro-cli" mappa --db Variabili.mdb --voce AS013-2005 --gruppi 6 --colonna AS013_2005 \
     --out "$tmp/mappa.png" --larghezza 200 --altezza 150 >/dev/null 2>"$tmp/err"; then
  cat "$tmp/err" >&2
  fail "quarnaro-cli mappa installato"
fi
cmp -s "$user/Files/bdc_utente.sqlite" "$prefix/share/quarnaro/Files/bdc_utente.sqlite" \
  && fail "il database di lavoro dell'utente non è stato scritto"

# Without XDG_DATA_HOME the data folder is ~/.local/share/Quarnaro.
env -u XDG_DATA_HOME "$prefix/bin/quarnaro-cli" "${table[@]}" >/dev/null 2>&1 || fail "tabella senza XDG_DATA_HOME"
[ -f "$HOME/.local/share/Quarnaro/Files/bdc_utente.sqlite" ] || fail "~/.local/share/Quarnaro non preparata"

# --home keeps the program-folder layout: the copy under it is used, the user's folder is not.
cp -r "$prefix/share/quarnaro" "$tmp/copia"
rm -rf "$HOME/.local/share/Quarnaro"
env -u XDG_DATA_HOME "$prefix/bin/quarnaro-cli" --home "$tmp/copia" "${table[@]}" >"$tmp/home.csv" 2>/dev/null \
  || fail "tabella con --home"
cmp -s "$tmp/home.csv" "$tmp/build.csv" || fail "la tabella con --home differisce"
[ ! -e "$HOME/.local/share/Quarnaro" ] || fail "--home ha scritto nella cartella dell'utente"

[ "$(snapshot "$prefix")" = "$before" ] || { diff <(echo "$before") <(snapshot "$prefix") >&2; fail "scritto sotto il prefisso"; }

[ "$failures" -eq 0 ] || exit 1
echo "installazione verificata"
