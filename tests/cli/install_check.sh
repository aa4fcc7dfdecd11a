#!/bin/sh
# install_check.sh CMAKE BUILD SOURCE GUI: installs the build into a temporary DESTDIR as a package
# would (prefix /usr), then checks what a desktop needs and runs the installed kivo-cli on the
# installed example.
set -eu
cmake=$1 build=$2 src=$3 gui=$4
dest=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$dest" "$work"' EXIT
DESTDIR=$dest "$cmake" --install "$build" --prefix /usr > "$work/install.log"
root=$dest/usr
fail() { echo "install check: $*" >&2; exit 1; }

[ -x "$root/bin/kivo-cli" ] || fail "no bin/kivo-cli"
zcat "$root/share/man/man1/kivo-cli.1.gz" | grep -q '^\.TH KIVO-CLI 1' || fail "no kivo-cli(1)"
[ -s "$root/share/doc/kivo/examples/PLANT.SIM" ] || fail "no example"
if [ "$gui" = ON ]; then
  [ -x "$root/bin/kivo" ] || fail "no bin/kivo"
  zcat "$root/share/man/man1/kivo.1.gz" | grep -q '^\.TH KIVO 1' || fail "no kivo(1)"
  desktop-file-validate "$root/share/applications/kivo.desktop" || fail "desktop entry rejected"
  for size in 16 22 24 32 48 64 128 256; do
    [ -s "$root/share/icons/hicolor/${size}x${size}/apps/kivo.png" ] || fail "no ${size}x${size} icon"
  done
  [ -s "$root/share/icons/hicolor/scalable/apps/kivo.svg" ] || fail "no scalable icon"
  xmllint --noout "$root/share/icons/hicolor/scalable/apps/kivo.svg" || fail "scalable icon is not XML"
  # The MIME types: the database builds from them, and a project is known by its bytes, not its name.
  update-mime-database "$root/share/mime" > "$work/mime.log" 2>&1 || fail "MIME types rejected: $(cat "$work/mime.log")"
  grep -q 'application/x-kivo-project' "$root/share/mime/magic" || fail "no magic for projects"
  grep -q '^application/x-kivo-targets:\*\.trg$' "$root/share/mime/globs" || fail "no glob for target files"
fi

cp "$root/share/doc/kivo/examples/PLANT.SIM" "$work/"
KIVO_INI=$work/none.ini "$root/bin/kivo-cli" info "$work/PLANT.SIM" | grep -q '"nNumTheos": 5' ||
  fail "installed kivo-cli cannot read the example"
KIVO_INI=$work/none.ini "$root/bin/kivo-cli" calculate "$work/PLANT.SIM" --json "$work/r.json" > /dev/null ||
  fail "installed kivo-cli cannot calculate the example"
grep -q '"schema": "kivo-results"' "$work/r.json" || fail "no results written"
echo "install check: 1 passed, 0 failed"
