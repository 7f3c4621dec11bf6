# Sourced by the scripts that run a Windows build under Wine. Gives the
# build its own Wine prefix and its own audio configuration, so nothing
# depends on the user's Wine set-up or on a sound card, and starts the Wine
# loader of the build's architecture: a 64-bit prefix and loader for the
# x86_64 build, a 32-bit one for the i686 build.
#   usage: source tools/wine-env.sh BUILD_DIR
_wbuild=$(cd "$1" && pwd)
# The build's processor, as CMake wrote it when it configured the build.
_wcpu=$(cat "$_wbuild/windows-cpu.txt" 2>/dev/null)
case $_wcpu in
  x86_64) export WINEARCH=win64; _wloader=/usr/lib/wine/wine64 ;;
  i686)   export WINEARCH=win32; _wloader=/usr/lib/wine/wine ;;
  *) echo "wine-env: $_wbuild is not a configured Windows build (its windows-cpu.txt names no i686 or x86_64)" >&2
     return 1 2>/dev/null || exit 1 ;;
esac
export SONDREL_WINE_CPU=$_wcpu
export WINEPREFIX="$_wbuild/wineprefix"
export WINEDEBUG=-all
# Debian's `wine` script starts the 32-bit loader whenever it is installed,
# whether this machine can run it or not, and `winepath`, `wineboot`,
# `regedit` and the rest go through `wine-stable`, the same script. Ours,
# first in PATH, start the loader of this build.
_wbin="$_wbuild/winebin"
mkdir -p "$_wbin"
for _w in wine wine-stable; do
  printf '#!/bin/sh\nexport WINELOADER=%s\nexec %s "$@"\n' "$_wloader" "$_wloader" >"$_wbin/$_w.part"
  chmod +x "$_wbin/$_w.part"
  mv "$_wbin/$_w.part" "$_wbin/$_w"
done
case ":$PATH:" in *":$_wbin:"*) ;; *) export PATH="$_wbin:$PATH" ;; esac
if [ ! -x "$_wloader" ]; then
  echo "wine-env: $_wloader is not installed: the $_wcpu build cannot run here" >&2
fi
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
# ALSA reads $HOME/.asoundrc last: a private HOME holds ours. Played audio
# lands in play.raw; nothing needs a sound card.
export SONDREL_WINE_HOME="$_wbuild/winehome"
mkdir -p "$SONDREL_WINE_HOME"
cat > "$SONDREL_WINE_HOME/.asoundrc" <<ASOUND
pcm.!default { type file; slave.pcm "null"; file "$SONDREL_WINE_HOME/play.raw"; format "raw" }
ASOUND
export HOME="$SONDREL_WINE_HOME"

# The editor's default data folder in this prefix: the Wine user's own
# under their local application data.
sondrel_user_data() {
  local d
  for d in "$WINEPREFIX"/drive_c/users/*/AppData/Local; do
    [ "${d##*/users/}" = "Public/AppData/Local" ] && continue
    [ -d "$d" ] && { echo "$d/Ketterly/Sondrel"; return; }
  done
  echo "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Ketterly/Sondrel"
}

sondrel_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # A virtual desktop gives title bars and fast window destruction.
    cat > "$_wbuild/wine-desktop.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="1024x768"
REG
    wine regedit /S "$(winepath -w "$_wbuild/wine-desktop.reg" 2>/dev/null)" >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Two CD-ROM drives, D: and E:, over an empty folder, for the CD import's
  # pass-through path (Wine opens their devices but has no CD-ROM ioctls).
  # The drive types are read when the server starts, so it is stopped here,
  # before the tests start their own.
  if [ ! -e "$WINEPREFIX/dosdevices/e:" ]; then
    mkdir -p "$_wbuild/cdrom"
    ln -sfn "$_wbuild/cdrom" "$WINEPREFIX/dosdevices/d:"
    ln -sfn "$_wbuild/cdrom" "$WINEPREFIX/dosdevices/e:"
    cat > "$_wbuild/wine-cdrom.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]
"d:"="cdrom"
"e:"="cdrom"
REG
    wine regedit /S "$(winepath -w "$_wbuild/wine-cdrom.reg" 2>/dev/null)" >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
    wineserver -w
  fi
}

# Starts a persistent wineserver and primes it so the first test does not hang.
sondrel_wine_start() {
  sondrel_wine_prefix
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

sondrel_wine_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
