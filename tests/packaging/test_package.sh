#!/usr/bin/env bash
# The Debian package as IT installs it: built with CPack, unpacked with
# dpkg-deb, the unpacked program asked for its version without a display,
# the desktop entry and the metainfo validated where the tools exist.
set -euo pipefail
build=$1
version=$2
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb is not installed, no package built"; exit 77; }
command -v cpack >/dev/null || { echo "SKIP: cpack is not installed, no package built"; exit 77; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1); then
  cat "$out/cpack.log"
  exit 1
fi
arch=$(dpkg --print-architecture 2>/dev/null || echo amd64)
deb=$out/tesk-vistor_${version}_${arch}.deb
[ -f "$deb" ] || { echo "FAIL: no $deb"; ls "$out"; exit 1; }
[ -f "$out/tesk-callserver_${version}_${arch}.deb" ] || { echo "FAIL: no callserver package"; ls "$out"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for needed in qt6-translations-l10n qt6-qpa-plugins sound-theme-freedesktop libqt6widgets6; do
  case "$depends" in *"$needed"*) ;; *) echo "FAIL: Depends lacks $needed: $depends"; exit 1 ;; esac
done

root=$out/root
dpkg-deb -x "$deb" "$root"
for f in opt/tesk/TESKVistor usr/share/applications/se.norvalis.tesk.Vistor.desktop \
         usr/share/icons/hicolor/scalable/apps/se.norvalis.tesk.Vistor.svg \
         usr/share/metainfo/se.norvalis.tesk.Vistor.metainfo.xml; do
  [ -e "$root/$f" ] || { echo "FAIL: the package lacks /$f"; exit 1; }
done

shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/opt/tesk/TESKVistor" --version)
[ "$shown" = "TESK Windows Visningsklient $version" ] || { echo "FAIL: --version printed '$shown'"; exit 1; }
echo "unpacked program: $shown"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/se.norvalis.tesk.Vistor.desktop"
  echo "desktop entry valid"
else
  echo "desktop-file-validate is not installed: desktop entry not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/se.norvalis.tesk.Vistor.metainfo.xml" \
    || appstreamcli validate --no-net "$root/usr/share/metainfo/se.norvalis.tesk.Vistor.metainfo.xml"
  echo "metainfo valid"
else
  echo "appstreamcli is not installed: metainfo not validated"
fi
echo "1 passed, 0 failed"
