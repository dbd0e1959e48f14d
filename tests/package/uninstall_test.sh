#!/usr/bin/env bash
# Installs this build tree into a throw-away HOME as scripts/run does, runs
# the installed agent, replaces its file as a reinstall does, then
# scripts/uninstall: the agent is stopped, and of ours only the snapshot
# container is left (a program of the same name from elsewhere keeps
# running, and files the manifest names outside the prefix stay). --purge
# then removes the container too.
#
#   uninstall_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2

work=$(mktemp -d "${TMPDIR:-/tmp}/plugscope-uninstall.XXXXXXXX")
agent= bystander=
cleanup() {
  for pid in $agent $bystander; do kill -KILL "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
  XDG_CACHE_HOME=$work/home/.cache XDG_STATE_HOME=$work/home/.local/state \
  XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fail() { echo "uninstall test: $*" >&2; exit 1; }

prefix=$HOME/.local
cmake --install "$build" --prefix "$prefix" >/dev/null
mkdir -p "$prefix/share/plugscope"
cp "$build/install_manifest.txt" "$prefix/share/plugscope/install_manifest.txt"
# Another install from this build tree at the same time would show here.
if grep -v "^$prefix/" "$prefix/share/plugscope/install_manifest.txt"; then
  fail "the manifest lists files outside $prefix"
fi
# Lines a damaged manifest might hold: files of the user's outside the
# prefix, one of them reached through "..". They are not ours to remove.
outside=("$work/elsewhere/notes.txt" "$HOME/notes.txt" "$prefix/../traversed.txt" "$HOME/.local-old/bin/plugscope")
for file in "${outside[@]}"; do
  mkdir -p "${file%/*}" && echo mine >"$file"
  printf '\n%s' "$file" >>"$prefix/share/plugscope/install_manifest.txt"
done

"$prefix/bin/plugscope" >/dev/null 2>&1 &
agent=$!
container=$XDG_DATA_HOME/5L9QH2TR7M.io.plugscope.shared
for _ in $(seq 100); do
  [ -f "$container/snapshot.json" ] && [ -f "$XDG_CONFIG_HOME/autostart/plugscope.desktop" ] && break
  sleep 0.1
done
[ -f "$container/snapshot.json" ] || fail "the installed agent published nothing"
# Reinstalled while it runs, as dpkg replaces a file: a new file renamed over
# the old one, so the running agent's executable reads "... (deleted)".
cp "$prefix/bin/plugscope" "$prefix/bin/plugscope.dpkg-new"
mv -f "$prefix/bin/plugscope.dpkg-new" "$prefix/bin/plugscope"
[[ $(readlink "/proc/$agent/exe") == *" (deleted)" ]] || fail "the agent's executable was not replaced"
login_item=$XDG_CONFIG_HOME/autostart/plugscope.desktop
grep -qx "TryExec=$prefix/bin/plugscope" "$login_item" || fail "the login item lacks TryExec"
report=$(desktop-file-validate "$login_item" 2>&1) && [ -z "$report" ] ||
  fail "the login item is not a valid entry: $report"
# What the desktop host leaves: its settings and its own autostart entry.
mkdir -p "$XDG_CONFIG_HOME/plugscope"
echo '[window]' >"$XDG_CONFIG_HOME/plugscope/desktop.ini"
cp "$source/data/io.plugscope.Plugscope.desktop" "$XDG_CONFIG_HOME/autostart/"
# Same name, not installed by us: it must keep running.
mkdir -p "$work/elsewhere" && cp "$(command -v sleep)" "$work/elsewhere/plugscope"
"$work/elsewhere/plugscope" 60 &
bystander=$!

ours() {
  find "$HOME" "$XDG_RUNTIME_DIR" -iname '*plugscope*' -not -path "$HOME/.local-old/*" | sort
}

"$source/scripts/uninstall" >/dev/null
# Ended, and only not yet reaped by this shell.
state=$(sed -n 's/.*) \(.\).*/\1/p' "/proc/$agent/stat" 2>/dev/null || true)
[ -z "$state" ] || [ "$state" = Z ] || fail "the agent still runs"
kill -0 "$bystander" 2>/dev/null || fail "a program that was not installed was stopped"
for file in "${outside[@]}"; do
  [ "$(cat "$file" 2>/dev/null)" = mine ] || fail "removed although outside $prefix: $file"
done
while IFS= read -r file || [ -n "$file" ]; do
  [ ! -e "$file" ] || fail "still installed: $file"
done <"$build/install_manifest.txt"
left=$(ours)
[ "$left" = "$container" ] && [ -f "$container/snapshot.json" ] || fail "left after uninstalling:
$left"

"$source/scripts/uninstall" --purge >/dev/null
left=$(ours)
[ -z "$left" ] || fail "left after purging:
$left"
