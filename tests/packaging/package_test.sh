#!/usr/bin/env bash
# package_test.sh BUILD VERSION HAS_DESKTOP: builds the .deb of BUILD with CPack into a
# scratch folder, lists what it holds and runs the packaged quillon-cli.
set -euo pipefail
build=$1 version=$2 desktop=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
deb="$scratch/quillon_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$scratch/contents"
expected=(/usr/bin/quillon-cli /usr/share/man/man1/quillon-cli.1.gz
          /usr/share/bash-completion/completions/quillon-cli)
if [ "$desktop" = 1 ]; then
  expected+=(/usr/bin/quillon /usr/share/man/man1/quillon.1.gz /usr/share/applications/quillon.desktop
             /usr/share/icons/hicolor/48x48/apps/quillon.png /usr/share/icons/hicolor/256x256/apps/quillon.png
             /usr/share/icons/hicolor/scalable/apps/quillon.svg)
fi
for path in "${expected[@]}"; do
  grep -qx "$path" "$scratch/contents" || fail "the package lacks $path"
done
# Nothing bundled: no shared libraries of our own, no headers, no tests.
if grep -E '\.so(\.|$)|/include/|_test$' "$scratch/contents"; then fail "the package bundles the files above"; fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
echo "$depends" | grep -q 'libc6' || fail "no libc6 dependency"
[ "$desktop" = 0 ] || echo "$depends" | grep -q 'libqt6widgets6' || fail "no Qt dependency"

dpkg-deb -x "$deb" "$scratch/root"
"$scratch/root/usr/bin/quillon-cli" --version | grep -qx "quillon-cli $version" || fail "quillon-cli --version"
completion="$scratch/root/usr/share/bash-completion/completions/quillon-cli"
bash -n "$completion" || fail "completion script"
# Every option of --help is in the manual page and in the completion.
options=$("$scratch/root/usr/bin/quillon-cli" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
[ "$(echo "$options" | wc -l)" -gt 25 ] || fail "too few options in --help"
manual=$(gzip -dc "$scratch/root/usr/share/man/man1/quillon-cli.1.gz" | sed 's/\\-/-/g')
for option in $options; do
  grep -q -- "$option" <<<"$manual" || fail "the manual page lacks $option"
  grep -q -- "$option" "$completion" || fail "the completion lacks $option"
done
grep -q '^\.SH EXAMPLES' <<<"$manual" || fail "the manual page has no examples"
words=$(bash -c 'source "$1"; COMP_WORDS=(quillon-cli --lo); COMP_CWORD=1; _quillon_cli; echo "${COMPREPLY[*]}"' _ "$completion")
[ "$words" = "--loop" ] || fail "completing --lo gives '$words'"
if [ "$desktop" = 1 ]; then
  "$scratch/root/usr/bin/quillon" --version >/dev/null || fail "quillon --version"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$scratch/root/usr/share/applications/quillon.desktop" || fail "desktop entry"
  fi
fi
cat "$scratch/contents"
echo "package ok: $deb"
