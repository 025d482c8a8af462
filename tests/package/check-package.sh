#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package, unpacks it into a temporary folder, validates its desktop entry
# and AppStream metadata, checks that the unpacked program answers --version and that its
# web-process extension is where the program looks for it.
set -euo pipefail
build="$1"
cd "$build"
rm -f quillet_*.deb
cpack -G DEB >/dev/null
package=$(ls quillet_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$package" "$root"

desktop-file-validate "$root/usr/share/applications/org.quillet.Quillet.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.quillet.Quillet.metainfo.xml"
for icon in scalable/apps/org.quillet.Quillet.svg 32x32/apps/org.quillet.Quillet.png \
            48x48/apps/org.quillet.Quillet.png 128x128/apps/org.quillet.Quillet.png; do
  test -s "$root/usr/share/icons/hicolor/$icon" || { echo "missing icon $icon"; exit 1; }
done
dpkg-deb -f "$package" Depends | grep -q "libwebkit2gtk-4.1-0" || { echo "no run-time dependencies"; exit 1; }
if dpkg-deb -f "$package" Depends | grep -E -q -- "-dev\b|cmake|g\+\+"; then
  echo "build tools among the dependencies"; exit 1
fi
version=$("$root/usr/bin/quillet" --version)
[ "$version" = "Quillet $(dpkg-deb -f "$package" Version)" ] || { echo "unexpected: $version"; exit 1; }
# The web-process extension where the program looks for it: lib/quillet/web-process beside bin/.
test -s "$root/usr/lib/quillet/web-process/libquillet_page_extension.so" ||
  { echo "missing the web-process extension"; exit 1; }
for doc in usr/share/doc/quillet/copyright usr/share/doc/quillet/changelog.gz \
           usr/share/man/man1/quillet.1.gz; do
  test -s "$root/$doc" || { echo "missing $doc"; exit 1; }
done
# Debian's own checker: any error or warning fails the package.
lintian --fail-on error,warning --display-info "$package"
echo "package $package: desktop entry, metainfo, icons, documents, --version and lintian all good"
