#!/usr/bin/env bash
# The set-up script's own logic, with the system commands it calls replaced by stand-ins that
# record their calls: as root, through sudo, without sudo, nothing missing, npm failing.
set -uo pipefail
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/install-deps.sh"
failures=0

# A tree with the script, an empty tools/geodata and a bin folder of stand-ins.
#   UID_IS       what `id -u` answers
#   INSTALLED    packages dpkg-query reports as installed ("all" for every one)
#   NPM_FAILS    1: npm prints a reason and fails
#   NO_SUDO      1: there is no sudo
setup() {
  work="$(mktemp -d)"
  mkdir -p "$work/scripts" "$work/tools/geodata" "$work/bin"
  cp "$src" "$work/scripts/"
  calls="$work/calls"
  : >"$calls"
  cat >"$work/bin/id" <<'S'
#!/bin/bash
echo "$UID_IS"
S
  cat >"$work/bin/dpkg-query" <<'S'
#!/bin/bash
pkg="${@: -1}"
if [ "$INSTALLED" = all ] || [[ " $INSTALLED " == *" $pkg "* ]]; then echo -n "install ok installed"; else exit 1; fi
S
  cat >"$work/bin/apt-get" <<'S'
#!/bin/bash
echo "apt-get $*" >>"$CALLS"
S
  cat >"$work/bin/sudo" <<'S'
#!/bin/bash
echo "sudo $1" >>"$CALLS"
exec "$@"
S
  cat >"$work/bin/npm" <<'S'
#!/bin/bash
echo "npm $*" >>"$CALLS"
if [ "$NPM_FAILS" = 1 ]; then echo "npm ERR! network request failed, reason: getaddrinfo ENOTFOUND registry.npmjs.org" >&2; exit 1; fi
mkdir -p node_modules/@svg-maps/italy && touch node_modules/@svg-maps/italy/index.js
S
  cat >"$work/bin/node" <<'S'
#!/bin/bash
exit 0
S
  chmod +x "$work/bin/"*
  [ "${NO_SUDO:-0}" = 1 ] && rm "$work/bin/sudo"
}

run() { # runs the script; its output in $out, status in $status
  out="$(PATH="$work/bin:/usr/bin:/bin" CALLS="$calls" UID_IS="$UID_IS" INSTALLED="$INSTALLED" \
        NPM_FAILS="${NPM_FAILS:-0}" bash "$work/scripts/install-deps.sh" "$@" 2>&1)"
  status=$?
}

check() { # description, condition
  if eval "$2"; then echo "ok: $1"; else echo "FALLITO: $1"; echo "  uscita $status, output: $out"; echo "  chiamate: $(cat "$calls")"; failures=$((failures + 1)); fi
}

# As root on a bare machine: apt-get directly, make among the packages, then npm.
UID_IS=0 INSTALLED="bash" NPM_FAILS=0 setup
UID_IS=0 INSTALLED="bash" run
check "root: exit 0" '[ $status -eq 0 ]'
check "root: apt-get without sudo" 'grep -q "^apt-get install .* make " "$calls" && ! grep -q "^sudo" "$calls"'
check "root: npm installs the outlines" 'grep -q "^npm install" "$calls"'

# An ordinary user: the same through sudo.
UID_IS=1000 INSTALLED="bash" setup
UID_IS=1000 INSTALLED="bash" run
check "user: apt-get through sudo" '[ $status -eq 0 ] && grep -q "^sudo apt-get" "$calls" && grep -q "^apt-get install" "$calls"'

# An ordinary user without sudo: a clear message, nothing tried.
UID_IS=1000 INSTALLED="bash" NO_SUDO=1 setup
UID_IS=1000 INSTALLED="bash" run
check "no sudo: fails with the reason" '[ $status -ne 0 ] && [[ "$out" == *"servono i permessi di root"* ]] && ! grep -q apt-get "$calls"'

# Everything present: no apt-get, and the dry run changes nothing either.
UID_IS=1000 INSTALLED="all" setup
mkdir -p "$work/tools/geodata/node_modules/@svg-maps/italy" && touch "$work/tools/geodata/node_modules/@svg-maps/italy/index.js"
UID_IS=1000 INSTALLED="all" run
check "all present: nothing installed" '[ $status -eq 0 ] && [ ! -s "$calls" ]'
UID_IS=1000 INSTALLED="bash" setup
UID_IS=1000 INSTALLED="bash" run --dry-run
check "dry run: lists make, calls nothing" '[ $status -eq 0 ] && [[ "$out" == *"sudo apt-get install"*" make "* ]] && [ ! -s "$calls" ]'

# npm failing: its own reason is printed, and the script fails.
UID_IS=0 INSTALLED="all" setup
UID_IS=0 INSTALLED="all" NPM_FAILS=1 run
check "npm failing: the reason is shown" '[ $status -ne 0 ] && [[ "$out" == *"ENOTFOUND registry.npmjs.org"* ]] && [[ "$out" == *"non riuscito"* ]]'

[ $failures -eq 0 ]
