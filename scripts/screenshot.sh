#!/usr/bin/env bash
# Takes the README's picture of the list window: the program as built, on a
# private X server, with a private settings folder holding a few programs and
# the first row chosen. Writes docs/kicklist.png.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/kicklist ] || { echo "build first: cmake --preset default && cmake --build --preset default" >&2; exit 1; }

work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
cleanup() { kill "${app:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

mkdir -p "$work/Kicklist"
cat > "$work/Kicklist/Kicklist.ini" <<'INI'
[Appnames]
AppCount=4
1=ウェブブラウザー
2=メール
3=テキストエディター
4=端末
[SetApp]
AppCount=4
1=/usr/bin/firefox
2=/usr/bin/thunderbird
3=/usr/bin/mousepad
4=/usr/bin/xterm
INI

Xvfb "$display" -screen 0 480x240x24 -nolisten tcp &
xvfb=$!
mkdir -m 700 "$work/run"
export DISPLAY=$display XDG_CONFIG_HOME=$work XDG_RUNTIME_DIR=$work/run LANG=ja_JP.UTF-8
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done

build/kicklist &
app=$!
window=""
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --name '^キックリスト$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.05
done
[ -n "$window" ] || { echo "the list window did not appear" >&2; exit 1; }
xdotool windowmove "$window" 0 0 mousemove 40 8 click 1 mousemove 470 230
sleep 0.5
import -window "$window" docs/kicklist.png
echo "wrote docs/kicklist.png"
