# Shared set-up for run.sh and test.sh: packages, the Japanese locale and quiet Wine prefixes.
# Sourced, not run.

VARNEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VARNEL_CACHE=${VARNEL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnel}

varnel_say() { printf '[varnel] %s\n' "$*" >&2; }

# Debian packages the build, the program under Wine and the tests need.
VARNEL_PACKAGES=(
  cmake make g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libgtest-dev googletest
  clang libclang-rt-14-dev cmark-gfm
  wine wine64 fonts-wine xvfb xauth xdotool x11-utils imagemagick fonts-ipafont locales
  python3 python3-gi gir1.2-gtk-3.0
)
# Runs the 32-bit package's program. Installed apart: the index of a second architecture can be
# missing (a mirror mid-sync, a container without multiarch), and nothing else needs it.
VARNEL_PACKAGE_32=wine32:i386

varnel_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

# True when the 32-bit package's program can run here.
varnel_has_wine32() { varnel_installed "$VARNEL_PACKAGE_32"; }

varnel_apt() {
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 "$@"
}

# A mirror caught mid-sync fails an index now and serves it a moment later: one more try.
varnel_apt_update() {
  varnel_apt update -qq && return 0
  varnel_say "the package index update failed; trying once more"
  sleep 5
  varnel_apt update -qq
}

varnel_install_packages() {
  local missing=()
  local pkg
  for pkg in "${VARNEL_PACKAGES[@]}"; do
    varnel_installed "$pkg" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && varnel_has_wine32 && return 0
  varnel_has_wine32 || varnel_say "installing: $VARNEL_PACKAGE_32"
  [ ${#missing[@]} -eq 0 ] || varnel_say "installing: ${missing[*]}"
  if ! varnel_has_wine32 && ! dpkg --print-foreign-architectures | grep -qx i386; then
    if [ "$(id -u)" -ne 0 ]; then sudo dpkg --add-architecture i386; else dpkg --add-architecture i386; fi
  fi
  # An index that still failed was left as it was: what the others list may yet install.
  varnel_apt_update || varnel_say "the package index is not complete; installing from what there is"
  if [ ${#missing[@]} -gt 0 ]; then
    varnel_apt install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
  fi
  if ! varnel_has_wine32; then
    varnel_apt install -y -qq --no-install-recommends "$VARNEL_PACKAGE_32" >/dev/null 2>&1 ||
      varnel_say "32-bit Wine ($VARNEL_PACKAGE_32) cannot be installed here: the 32-bit package's program will not be run"
  fi
  return 0
}

# Wine reads the code page from the locale: a generated ja_JP.UTF-8 gives code page 932 with
# Japanese file names intact.
varnel_locale() {
  local dir="$VARNEL_CACHE/locale"
  if [ ! -d "$dir/ja_JP.UTF-8" ]; then
    mkdir -p "$dir"
    localedef -i ja_JP -f UTF-8 "$dir/ja_JP.UTF-8" 2>/dev/null || [ -d "$dir/ja_JP.UTF-8" ]
  fi
  export LOCPATH="$dir"
  # For the children: bash itself read LOCPATH at its start, cannot load the locale and would warn.
  { export LANG=ja_JP.UTF-8; } 2>/dev/null
  unset LC_ALL LC_CTYPE LANGUAGE
}

# Registry settings every prefix of ours gets: unmanaged windows (no window manager runs under
# Xvfb, and managed windows block for seconds on every hide) and Japanese font replacements.
varnel_prefix_settings() {
  cat <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"MS Gothic"="IPAGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS Mincho"="IPAMincho"
"ＭＳ 明朝"="IPAMincho"
"MS PMincho"="IPAPMincho"
"ＭＳ Ｐ明朝"="IPAPMincho"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""
REG
}

# Makes (once) a quiet 64-bit prefix without Mono or Gecko prompts and applies our settings.
varnel_wine_prefix() {
  export WINEPREFIX="$1"
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  # With 32-bit Wine installed every program, 64-bit ones too, starts through its loader, which
  # needs the prefix's 32-bit system folder: a prefix made before it was installed starts nothing
  # (exit code 53) and is made anew.
  if [ -x /usr/lib/wine/wine ] && [ -f "$WINEPREFIX/.varnel-ready" ] &&
     [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    varnel_say "remaking Wine prefix $WINEPREFIX for 32-bit Wine"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  [ -f "$WINEPREFIX/.varnel-ready" ] && return 0
  varnel_say "preparing Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
  local reg="$WINEPREFIX/varnel-settings.reg"
  varnel_prefix_settings | iconv -f UTF-8 -t UTF-16 >"$reg"
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.varnel-ready"
}

# Starts an Xvfb display of our own; sets DISPLAY and VARNEL_XVFB_PID.
varnel_start_xvfb() {
  local n=${1:-90}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  VARNEL_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  varnel_say "Xvfb did not start on :$n"
  return 1
}

# Configures and builds one preset quietly, printing only failures.
varnel_build() {
  local preset=$1
  (cd "$VARNEL_ROOT" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j"$(nproc)")
}
