#!/bin/sh
# Muralix installed as a Linux desktop installs it: into a temporary DESTDIR under /usr,
# then checked in one group (every failure is listed, the test fails if there is one):
# the files are there, the desktop entry, the AppStream file and the manual page pass
# their tools, the desktop recognises a poster file by its content, and the installed
# program, started through bin/muralix with a fresh $HOME and its install folder
# read-only, runs its command-line modes on the sample poster and writes nothing outside
# the user's data and configuration folders.
#   install_test.sh BUILD_FOLDER
set -u
build=${1:?build folder}
work=$(mktemp -d /tmp/muralix-install-XXXXXX)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
root=$work/root
prefix=$root/usr
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

DESTDIR=$root cmake --install "$build" --prefix /usr > "$work/install.log" 2>&1 ||
  { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

# The files, where a desktop and the program look for them.
for f in lib/muralix/muralix lib/muralix/libmuralix-platform.so lib/muralix/CRDE2000.DLL \
         lib/muralix/ISP2000.DLL lib/muralix/muralix.hlp lib/muralix/images/coucher-de-soleil.bmp \
         share/applications/org.muralix.Muralix.desktop \
         share/metainfo/org.muralix.Muralix.metainfo.xml share/mime/packages/muralix-poster.xml \
         share/icons/hicolor/scalable/apps/org.muralix.Muralix.svg share/man/man1/muralix.1 \
         share/doc/muralix/examples/affiche-exemple.aff; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
  f=$prefix/share/icons/hicolor/${size}x$size/apps/org.muralix.Muralix.png
  [ -f "$f" ] || fail "no $size-pixel icon"
  file "$f" 2>/dev/null | grep -q "$size x $size" || fail "the $size-pixel icon is not $size x $size"
done
[ "$(readlink "$prefix/bin/muralix")" = ../lib/muralix/muralix ] ||
  fail "bin/muralix is not a relative link to the program"
# Nothing may lead back to the build folder: the libraries are found beside the program.
for f in muralix libmuralix-platform.so; do
  rpath=$(readelf -d "$prefix/lib/muralix/$f" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')
  [ "$rpath" = '$ORIGIN' ] || fail "$f looks for libraries in '$rpath'"
done

# Each desktop file passes its validator.
desktop-file-validate "$prefix/share/applications/org.muralix.Muralix.desktop" ||
  fail "desktop-file-validate"
grep -qx 'Exec=muralix %f' "$prefix/share/applications/org.muralix.Muralix.desktop" ||
  fail "the menu entry does not open a file"
appstreamcli validate --no-net "$prefix/share/metainfo/org.muralix.Muralix.metainfo.xml" \
  > "$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
groff -man -ww -z -K utf8 "$prefix/share/man/man1/muralix.1" > "$work/man.log" 2>&1
[ -s "$work/man.log" ] && { cat "$work/man.log"; fail "the manual page has warnings"; }

# The poster file type: by name, and by its first line when the name says nothing.
home=$work/home
mkdir -p "$home" "$work/files" "$work/run" "$work/out"
update-mime-database "$prefix/share/mime" > /dev/null 2>&1 || fail "update-mime-database"
cp "$prefix/share/doc/muralix/examples/affiche-exemple.aff" "$work/files/affiche"
cp "$work/files/affiche" "$work/files/POSTER.AFF"
cp "$work/files/affiche" "$work/files/poster.pla"
printf 'version1\n100\n100\nx.png\n1\n0\n' > "$work/files/unix-lines"
for f in affiche POSTER.AFF poster.pla unix-lines; do
  type=$(env -u XDG_DATA_HOME HOME="$home" XDG_DATA_DIRS="$prefix/share:/usr/share" \
         XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$work/files/$f" 2>/dev/null)
  [ "$type" = application/x-muralix-poster ] || fail "$f is seen as '$type'"
done
printf 'version12\r\nnot a poster\r\n' > "$work/files/other"
type=$(env -u XDG_DATA_HOME HOME="$home" XDG_DATA_DIRS="$prefix/share:/usr/share" \
       XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$work/files/other" 2>/dev/null)
[ "$type" = application/x-muralix-poster ] && fail "a text starting with version12 is a poster"
rm -rf "$home"/* "$home"/.[!.]* 2>/dev/null

# The installed program, as a user runs it: a fresh home, no XDG folders set, a working
# folder of its own, the whole installation read-only (a read-only bind mount when run
# as root, whom file modes do not stop).
run() {
  (cd "$work/run" && env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 \
     ASAN_OPTIONS=detect_leaks=0 "$@")
}
if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
  readonly_run() {
    run unshare -m sh -c 'mount --bind -o ro "$0" "$0" && exec "$@"' "$root" "$@"
  }
elif [ "$(id -u)" -eq 0 ]; then
  # No mount namespace here: run as nobody, whom the file modes do stop.
  chmod -R a-w "$root"
  chmod 755 "$work"
  chown -R 65534:65534 "$home" "$work/run" "$work/out"
  readonly_run() { run setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
else
  chmod -R a-w "$root"
  readonly_run() { run "$@"; }
fi
touch "$work/stamp"
sleep 1
program=$prefix/bin/muralix
poster=$prefix/share/doc/muralix/examples/affiche-exemple.aff
readonly_run "$program" "$poster" --info > "$work/info" 2> "$work/info.err" ||
  { cat "$work/info.err"; fail "--info on the sample poster"; }
grep -qx 'sheets: 6' "$work/info" || fail "--info: $(tr '\n' ' ' < "$work/info")"
grep -qx "picture: $prefix/lib/muralix/images/coucher-de-soleil.bmp" "$work/info" ||
  fail "the sample's picture is not found beside the program"
readonly_run "$program" "$poster" --print-to "$work/out/affiche.pdf" > "$work/print" \
  2> "$work/print.err" || { cat "$work/print.err"; fail "--print-to on the sample poster"; }
head -c 5 "$work/out/affiche.pdf" 2>/dev/null | grep -q '%PDF-' || fail "--print-to wrote no PDF"
tail -c 32 "$work/out/affiche.pdf" 2>/dev/null | grep -q '%%EOF' || fail "the PDF is not complete"
readonly_run "$program" --help > "$work/help" 2>&1 || fail "--help exits with $?"
grep -q '^Utilisation : muralix' "$work/help" || fail "--help: $(head -1 "$work/help")"
readonly_run "$program" --version > "$work/version" 2>&1 || fail "--version"
grep -qx 'Muralix [0-9.]*' "$work/version" || fail "--version: $(cat "$work/version")"
readonly_run "$program" --nonsense > /dev/null 2> "$work/usage"
[ $? -eq 2 ] || fail "an unknown option does not exit with 2"
grep -q 'Argument inconnu : --nonsense' "$work/usage" || fail "unknown option: $(cat "$work/usage")"

# What the runs left: only the PDF asked for, and files in the user's data and
# configuration folders.
find "$work" -newer "$work/stamp" ! -type d | sed "s#^$work/##" |
  grep -v -e '^out/affiche\.pdf$' -e '^home/\.local/share/' -e '^home/\.config/' \
    -e '^info' -e '^print' -e '^help$' -e '^version$' -e '^usage$' -e '^left$' > "$work/left"
[ -s "$work/left" ] && fail "files written elsewhere: $(tr '\n' ' ' < "$work/left")"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "install: all checks passed"
