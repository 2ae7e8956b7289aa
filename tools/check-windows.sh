#!/usr/bin/env bash
# Compiles every Windows-only file of the program with the MinGW-w64 cross
# compiler, so that the Windows side cannot rot unseen on a Linux machine.
# Syntax and types only (-fsyntax-only): nothing is linked, and no Windows
# build of Qt is needed.
#
# Qt's headers: Debian's Linux Qt headers are used as they are. They describe
# the same API; the compiler's own _WIN32 makes Qt's system detection say
# Q_OS_WIN, so Windows-only declarations (native event filters' MSG
# handling, winId as HWND) parse exactly as with Qt for Windows. What differs
# (the configuration of the Linux build in qconfig.h) does not touch the
# declarations these files use. They are included as system headers so that
# Qt's dllimport notes on inline functions do not bury our own warnings.
#
# Usage: tools/check-windows.sh   (JOBS=n for parallel compiles, default 2;
#        ALL=1 also compiles the portable sources of the core library, as a
#        Windows build would, which takes a few minutes)
set -euo pipefail
cd "$(dirname "$0")/.."

CXX=${MINGW_CXX:-x86_64-w64-mingw32-g++-posix}
WINDRES=${MINGW_WINDRES:-x86_64-w64-mingw32-windres}
QT=${QT_INCLUDE:-/usr/include/x86_64-linux-gnu/qt6}
JOBS=${JOBS:-2}

for tool in "$CXX" "$WINDRES"; do
  command -v "$tool" >/dev/null || { echo "check-windows: $tool is missing (make check-windows installs it)" >&2; exit 2; }
done
[ -d "$QT/QtCore" ] || { echo "check-windows: no Qt headers under $QT" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The version resource, filled in as CMake fills it for the Windows program.
version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
IFS=. read -r major minor patch tweak <<<"$version"
sed -e "s/@TESK_RC_VERSION_COMMA@/${major:-0},${minor:-0},${patch:-0},${tweak:-0}/g" \
    -e "s/@TESK_RC_VERSION@/$version/g" \
    -e "s/@TESK_RC_COMPANY@/Norvalis/g" \
    -e "s/@TESK_RC_PRODUCT@/TESK Windows Visningsklient/g" \
    -e "s/@TESK_RC_ORIGINAL@/TESKVistor.exe/g" \
    src/app/TESKVistor.rc.in >"$work/TESKVistor.rc"

flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Werror
       -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX
       -DTESK_VERSION_STRING="\"$version\"" -DTESK_COMPANY='"Norvalis"'
       -DTESK_PRODUCT_NAME='"TESK Windows Visningsklient"'
       -Isrc
       -isystem "$QT" -isystem "$QT/QtCore" -isystem "$QT/QtGui" -isystem "$QT/QtNetwork")

# Every file that only a Windows build compiles: the _win half of each
# platform layer.
mapfile -t files < <(find src -name '*_win.cpp' | sort)
if [ "${ALL:-0}" = 1 ]; then
  mapfile -t -O "${#files[@]}" files < <(find src/protocol src/common src/platform src/speech -maxdepth 1 -name '*.cpp' \
    ! -name '*_win.cpp' ! -name '*_unix.cpp' | sort)
  # The version record header as CMake generates it.
  mkdir -p "$work/generated"
  sed -e 's/@TESK_REC_[A-Z]*@/x/g' src/common/VersionRecord.h.in >"$work/generated/VersionRecord.h"
  flags+=(-I"$work/generated")
fi
[ ${#files[@]} -gt 0 ] || { echo "check-windows: no Windows files found" >&2; exit 2; }

start=$(date +%s)
compile() {
  local file=$1 log
  log="$work/$(echo "$file" | tr / _).log"
  if "$CXX" "${flags[@]}" "$file" >"$log" 2>&1; then
    echo "  ok    $file"
  else
    echo "  FAIL  $file"
    cat "$log"
    return 1
  fi
}

echo "check-windows: $CXX -fsyntax-only on ${#files[@]} files, $WINDRES on the version resource"
failed=0
running=0
for f in "${files[@]}"; do
  compile "$f" &
  running=$((running + 1))
  if [ "$running" -ge "$JOBS" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done

# Compiled, then read back: the version strings must be the project's.
if "$WINDRES" -i "$work/TESKVistor.rc" -o "$work/TESKVistor.res" -O res 2>"$work/rc.log" \
   && "$WINDRES" -i "$work/TESKVistor.res" -o "$work/back.rc" 2>>"$work/rc.log" \
   && grep -q "VALUE \"ProductVersion\", \"$version\"" "$work/back.rc" 2>>"$work/rc.log" \
   && grep -q "FILEVERSION ${major:-0}, ${minor:-0}, ${patch:-0}, ${tweak:-0}" "$work/back.rc" 2>>"$work/rc.log"; then
  echo "  ok    src/app/TESKVistor.rc.in"
else
  echo "  FAIL  src/app/TESKVistor.rc.in"
  cat "$work/rc.log"
  [ -f "$work/back.rc" ] && cat "$work/back.rc"
  failed=1
fi

echo "check-windows: $(( $(date +%s) - start )) s"
if [ "$failed" -ne 0 ]; then
  echo "check-windows: FAILED: a Windows file does not compile" >&2
  exit 1
fi
echo "check-windows: all Windows files compile"
