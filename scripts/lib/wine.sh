# shellcheck shell=bash
# The Wine harness, sourced by scripts/run, scripts/test and tests/win32/run-under-wine.
#
#   quill_prepare_template   the 32-bit template prefix build/wine/prefix-template, made once
#   quill_new_run            a throw-away copy of it under build/wine/runs/ with the test drives
#   quill_start_xvfb         a private Xvfb on a free display, exported as DISPLAY
#   quill_wait_for_drives    blocks until Wine reports the test drives as the tests expect them
#   quill_install_traps      runs the registered clean-ups (quill_at_exit) on exit and on signals
#
# Everything lives under the build folder; ~/.wine is never touched.

quill_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QUILL_BUILD_DIR=${QUILL_BUILD_DIR:-$quill_root/build}
quill_wine_dir=$QUILL_BUILD_DIR/wine
quill_template=$quill_wine_dir/prefix-template

export WINEDEBUG=${QUILL_WINEDEBUG:--all}
unset WINESERVER WINELOADER

# --- which Wine --------------------------------------------------------------------------------

# Quill is a 32-bit program, run in a 32-bit prefix that keeps it off WoW64 and matches how it
# ships. Some kernels have 32-bit execution turned off (ia32_emulation), and there no 32-bit
# program starts, 32-bit Wine included ("Exec format error"). On those machines the Windows
# programs are also built for x86_64 (build/win64) and run in a 64-bit prefix instead, so the
# Windows tests still run. QUILL_WINE_BITS=32 or 64 overrides the probe.
quill_wine32_loader=/usr/lib/wine/wine
quill_wine64_loader=/usr/lib/wine/wine64

quill_probe_wine_bits() {
  if [ -n "${QUILL_WINE_BITS:-}" ]; then
    echo "$QUILL_WINE_BITS"
  elif "$quill_wine32_loader" --version >/dev/null 2>&1 || [ ! -x "$quill_wine64_loader" ]; then
    echo 32
  else
    echo 64
  fi
}

# The build folder whose programs this machine's Wine runs: win32, or win64 where 32-bit
# programs cannot start.
quill_windows_build() {
  if [ "$(quill_probe_wine_bits)" = 64 ]; then echo win64; else echo win32; fi
}

quill_windows_toolchain() {
  if [ "$(quill_windows_build)" = win64 ]; then echo cmake/mingw-x86_64.cmake; else echo cmake/mingw-i686.cmake; fi
}

# Sets WINEARCH and, for 64-bit, puts a "wine" first on PATH that is the 64-bit loader: Debian's
# wine and its tool wrappers (wineboot, winepath) pick the 32-bit loader whenever it is installed,
# whether or not it can start. Called before the first Wine command.
quill_select_wine() {
  [ -z "${quill_wine_bits:-}" ] || return 0
  quill_wine_bits=$(quill_probe_wine_bits)
  if [ "$quill_wine_bits" = 32 ]; then
    export WINEARCH=win32
    return 0
  fi
  [ -x "$quill_wine64_loader" ] || quill_die "no 32-bit execution here and no $quill_wine64_loader (run scripts/setup)"
  export WINEARCH=win64 WINELOADER=$quill_wine64_loader
  local shims=$quill_wine_dir/bin64 tool text
  mkdir -p "$shims"
  # Scripts rather than links: the loader finds its preloader beside the name it was started by.
  # Parallel test runs all get here: each writes under a name of its own and renames it over,
  # so none ever sees a half-written script.
  for tool in wine wineboot winepath winecfg winedbg; do
    if [ "$tool" = wine ]; then
      text=$(printf '#!/bin/sh\nexec "%s" "$@"' "$quill_wine64_loader")
    else
      text=$(printf '#!/bin/sh\nexec "%s" %s.exe "$@"' "$quill_wine64_loader" "$tool")
    fi
    [ -x "$shims/$tool" ] && [ "$(cat "$shims/$tool")" = "$text" ] && continue
    printf '%s\n' "$text" >"$shims/$tool.$$"
    chmod +x "$shims/$tool.$$"
    mv -f "$shims/$tool.$$" "$shims/$tool"
  done
  case ":$PATH:" in *":$shims:"*) ;; *) export PATH=$shims:$PATH ;; esac
  quill_log "this kernel cannot run 32-bit programs; using 64-bit Wine and the win64 build"
}

# The test drives as the tests see them. Wine takes a drive's label and serial from the files
# .windows-label and .windows-serial in the folder the drive maps to; checked with Wine 8 for the
# "cdrom" and the "floppy" drive types alike (GetVolumeInformationW returns both, the serial
# parsed as hex). The "cdrom" drive reports the CDFS file system, yet Wine still lets programs
# write to it; tests that need a read-only medium cannot rely on it being refused.
quill_cd_label=QUILLCD
quill_cd_serial=CD0D1234
quill_removable_label=FLOPPY1
quill_removable_serial=0E0E0001

quill_log() { echo "wine-harness: $*" >&2; }
quill_die() {
  echo "wine-harness: error: $*" >&2
  exit 1
}

# --- clean-up ----------------------------------------------------------------------------------

quill_exit_actions=()
quill_at_exit() { quill_exit_actions+=("$1"); }

quill_run_exit_actions() {
  local i
  for ((i = ${#quill_exit_actions[@]} - 1; i >= 0; i--)); do
    eval "${quill_exit_actions[i]}" || true
  done
  quill_exit_actions=()
}

quill_install_traps() {
  trap 'quill_run_exit_actions' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
}

# --- the template prefix -----------------------------------------------------------------------

# Changes to this file, to the installed Wine or to the fonts the prefix takes invalidate the
# template.
quill_template_hash() {
  {
    sha256sum <"${BASH_SOURCE[0]}"
    echo "$WINEARCH"
    wine --version 2>/dev/null
    ls -l --time-style=+%s "$quill_wine_fonts" "$quill_cjk_font" 2>/dev/null
  } | sha256sum | cut -c1-64
}

# The fonts. Debian's Wine does not load its own fonts (package fonts-wine) from where they are
# installed, so without them "Tahoma", "MS Shell Dlg" and "MS Sans Serif" fall to whatever
# fontconfig offers and the caption buttons, drawn with Marlett, show "0 1 r". So the template
# gets Wine's TrueType fonts in C:\windows\Fonts. Tahoma draws a real backslash but no Hangul;
# a system link gives it Noto Sans CJK KR (package fonts-noto-cjk), which also draws a real
# backslash, for the Korean texts. Korean faces such as NanumGothic or Gulim draw "\" as a Won
# sign, the old Korean convention, so they serve no face here. Wine's bitmap fonts (*.fon) stay
# out: a bitmap "MS Sans Serif" would win over the replacement below and takes no links, and
# Hangul in it comes out as bars.
quill_wine_fonts=/usr/share/wine/fonts
quill_cjk_font=/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc
quill_cjk_face="Noto Sans CJK KR"

quill_check_fonts() {
  [ -f "$quill_wine_fonts/tahoma.ttf" ] && [ -f "$quill_wine_fonts/marlett.ttf" ] ||
    quill_die "Wine's fonts are missing in $quill_wine_fonts (run scripts/setup: package fonts-wine)"
  [ -f "$quill_cjk_font" ] || quill_die "$quill_cjk_font is missing (run scripts/setup: package fonts-noto-cjk)"
}

# A REG_MULTI_SZ value in a REGEDIT4 file: hex(7) with the ANSI bytes of each item, each item and
# the list ending in a zero byte.
quill_reg_multi_sz() {
  local item bytes=()
  for item in "$@"; do
    # shellcheck disable=SC2207
    bytes+=($(printf '%s' "$item" | od -An -tx1 -v) 00)
  done
  bytes+=(00)
  local IFS=,
  printf 'hex(7):%s' "${bytes[*]}"
}

quill_write_prefix_settings() {
  local prefix=$1 link
  cp "$quill_wine_fonts"/*.ttf "$prefix/drive_c/windows/Fonts/" || return 1
  link=$(quill_reg_multi_sz "$(basename "$quill_cjk_font"),$quill_cjk_face")
  # Drive types are read from here by the mount manager. Unmanaged windows: without a window
  # manager (Xvfb) Wine waits about two seconds for one on every hide or destroy of a captioned
  # window, and it draws the frames and captions itself, so screenshots show them.
  # Fonts: "MS Sans Serif" (the pane and the operation dialogs) and "Microsoft Sans Serif" become
  # Tahoma, which "MS Shell Dlg" and the menus already use; the links give each the Hangul
  # glyphs. Wine's default link lists for these faces name Windows' own CJK files, which are
  # absent here; they are replaced.
  cat >"$prefix/drive_c/quill-settings.reg" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]
"d:"="cdrom"
"e:"="floppy"

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"MS Sans Serif"="Tahoma"
"Microsoft Sans Serif"="Tahoma"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]
"Tahoma"=$link
"MS Sans Serif"=$link
"Microsoft Sans Serif"=$link
EOF
  WINEPREFIX=$prefix wine regedit /S 'C:\quill-settings.reg' || return 1
  rm -f "$prefix/drive_c/quill-settings.reg"
}

quill_create_template() {
  local target=$1 started=$SECONDS
  quill_log "creating the Wine prefix template (once per build folder) ..."
  rm -rf "$target"
  (
    # Headless on purpose: no installer dialogs for Mono or Gecko, and no server bound to
    # whatever display the caller has.
    unset DISPLAY
    export WINEPREFIX=$target
    export WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot -i >"$quill_wine_dir/template.log" 2>&1 || exit 1
    quill_write_prefix_settings "$target" >>"$quill_wine_dir/template.log" 2>&1 || exit 1
    # The registry reaches the disk only when the server ends, and a server left running would
    # be reused by the next program, which would then start without a display.
    wineserver -w
  ) || { cat "$quill_wine_dir/template.log" >&2; quill_die "wineboot failed for $target"; }
  grep -q '^"d:"="cdrom"' "$target/system.reg" && grep -q '^"MS Sans Serif"="Tahoma"' "$target/user.reg" &&
    grep -q "^\"Tahoma\"=str(7):\"$(basename "$quill_cjk_font")," "$target/system.reg" ||
    quill_die "the template prefix did not keep its registry settings (see $quill_wine_dir/template.log)"
  quill_log "prefix template ready in $((SECONDS - started)) s"
}

# The drive probe the runs wait on; rebuilt when its source changes.
quill_build_drivecheck() {
  local source=$quill_root/tests/win32/drivecheck.c compiler=i686-w64-mingw32-gcc
  [ "$quill_wine_bits" = 64 ] && compiler=x86_64-w64-mingw32-gcc
  quill_drivecheck=$quill_wine_dir/drivecheck$quill_wine_bits.exe
  [ -f "$quill_drivecheck" ] && [ "$quill_drivecheck" -nt "$source" ] && return 0
  command -v "$compiler" >/dev/null || quill_die "$compiler is missing (run scripts/setup)"
  "$compiler" -O2 -Wall -Wextra -s -o "$quill_drivecheck.tmp" "$source" ||
    quill_die "cannot build $source"
  mv -f "$quill_drivecheck.tmp" "$quill_drivecheck"
}

# Makes sure build/wine/prefix-template is current. Safe to call from parallel runs: the first
# one builds it under an exclusive lock, the others wait and reuse it.
quill_prepare_template() {
  mkdir -p "$quill_wine_dir"
  quill_select_wine
  quill_check_fonts
  local want lockFd
  want=$(quill_template_hash)
  exec {lockFd}>"$quill_wine_dir/template.lock"
  flock -x -w 600 "$lockFd" || quill_die "timed out waiting for the template lock"
  if [ "$(cat "$quill_template/.quill-stamp" 2>/dev/null)" != "$want" ]; then
    quill_create_template "$quill_template.new"
    echo "$want" >"$quill_template.new/.quill-stamp"
    rm -rf "$quill_template"
    mv "$quill_template.new" "$quill_template"
  fi
  quill_build_drivecheck
  exec {lockFd}>&-
}

# Copies a prefix. The Windows binaries (over 500 MB) are hard links into the source: Wine only
# maps them, never writes them. Everything else - registry, user profile, ini files - is a real
# copy, since a program may change it in place.
quill_copy_prefix() {
  local source=$1 target=$2
  cp -al "$source" "$target"
  (cd "$source" && find . -type f ! \( -path './drive_c/windows/*' \( -name '*.dll' -o -name '*.exe' \
    -o -name '*.sys' -o -name '*.drv' -o -name '*.acm' -o -name '*.ocx' -o -name '*.cpl' -o -name '*.tlb' \
    -o -name '*.nls' -o -name '*.vxd' -o -name '*.ttf' -o -name '*.fon' \) \) -print0 |
    xargs -0 -r cp -a --parents --remove-destination -t "$target")
}

# --- per-run prefixes --------------------------------------------------------------------------

quill_process_is() {
  local pid=$1 name=$2
  [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ]
}

# "pid start-time" of a process, so a recycled pid or an unreaped zombie (containers whose init
# does not reap) is not taken for the original owner.
quill_process_identity() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  # Fields after "pid (name) ": state first, the start time 20th.
  stat=${stat##*) }
  # shellcheck disable=SC2086
  set -- $stat
  [ "$1" != Z ] || return 1
  echo "${20}"
}

quill_owner_alive() {
  local pid start
  read -r pid start <"$1" 2>/dev/null || return 1
  [ -n "$pid" ] && [ -n "$start" ] && [ "$(quill_process_identity "$pid")" = "$start" ]
}

# The small drive's tmpfs goes before its run folder does: rm -rf would empty it and then fail on
# the mount point. A lazy unmount covers a process that still holds a file there.
quill_unmount_small_drive() {
  local dir=$1/drive-f
  mountpoint -q "$dir" 2>/dev/null || return 0
  umount "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null || quill_log "cannot unmount $dir"
}

# Removes runs whose script was killed outright (no trap ran), with their server and display.
quill_sweep_runs() {
  local run
  for run in "$quill_wine_dir"/runs/run-*; do
    [ -f "$run/owner" ] || continue
    quill_owner_alive "$run/owner" && continue
    WINEPREFIX=$run/prefix wineserver -k 2>/dev/null || true
    quill_unmount_small_drive "$run"
    if quill_process_is "$(cat "$run/xvfb.pid" 2>/dev/null)" Xvfb; then
      kill "$(cat "$run/xvfb.pid")" 2>/dev/null || true
    fi
    rm -rf "$run"
  done
}

quill_finish_run() {
  local run=$QUILL_TEST_RUN_DIR
  WINEPREFIX=$run/prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$run/prefix wineserver -w 2>/dev/null || true
  quill_unmount_small_drive "$run"
  if [ "${QUILL_KEEP_RUN:-0}" = 1 ]; then
    rm -f "$run/owner"
    quill_log "kept the run folder $run"
  else
    rm -rf "$run"
  fi
}

# Creates the run folder, exports WINEPREFIX and the test variables:
#   QUILL_TEST_RUN_DIR       the run folder (Unix path)
#   QUILL_TEST_DRIVE_D_DIR   the folder behind D:, a CD-ROM drive labelled QUILLCD, serial CD0D1234
#   QUILL_TEST_DRIVE_E_DIR   the folder behind E:, a removable drive labelled FLOPPY1
#   QUILL_TEST_CDROM=D:  QUILL_TEST_REMOVABLE=E:
#   XDG_DATA_HOME            the run's own data folder: Wine's recycle bin (the desktop trash)
#                            and menu entries land there instead of in the user's home
#   QUILL_TEST_DRIVE_F_DIR   the folder behind F:, a 2 MiB tmpfs for running out of space, and
#   QUILL_TEST_SMALL_DRIVE=F:, both only when this process may mount (root, not a restricted
#                            container); otherwise unset, and the tests that need F: skip.
# C: stays the prefix's own drive_c.
quill_new_run() {
  mkdir -p "$quill_wine_dir/runs"
  quill_sweep_runs
  local run lockFd
  run=$(mktemp -d "$quill_wine_dir/runs/run-XXXXXX")
  echo "$$ $(quill_process_identity $$)" >"$run/owner"
  export QUILL_TEST_RUN_DIR=$run
  quill_at_exit quill_finish_run

  # Shared lock: the template must not be replaced while it is being copied.
  exec {lockFd}>"$quill_wine_dir/template.lock"
  flock -s -w 600 "$lockFd" || quill_die "timed out waiting for the template lock"
  quill_copy_prefix "$quill_template" "$run/prefix"
  exec {lockFd}>&-

  mkdir "$run/drive-d" "$run/drive-e"
  echo "$quill_cd_label" >"$run/drive-d/.windows-label"
  echo "$quill_cd_serial" >"$run/drive-d/.windows-serial"
  echo "$quill_removable_label" >"$run/drive-e/.windows-label"
  echo "$quill_removable_serial" >"$run/drive-e/.windows-serial"
  ln -sfn "$run/drive-d" "$run/prefix/dosdevices/d:"
  ln -sfn "$run/drive-e" "$run/prefix/dosdevices/e:"

  export WINEPREFIX=$run/prefix
  export QUILL_TEST_DRIVE_D_DIR=$run/drive-d
  export QUILL_TEST_DRIVE_E_DIR=$run/drive-e
  export QUILL_TEST_CDROM=D:
  export QUILL_TEST_REMOVABLE=E:

  export XDG_DATA_HOME=$run/xdg-data
  mkdir "$XDG_DATA_HOME"

  unset QUILL_TEST_DRIVE_F_DIR QUILL_TEST_SMALL_DRIVE
  mkdir "$run/drive-f"
  if mount -t tmpfs -o size=2m,mode=0755 quill-small "$run/drive-f" 2>/dev/null; then
    ln -sfn "$run/drive-f" "$run/prefix/dosdevices/f:"
    export QUILL_TEST_DRIVE_F_DIR=$run/drive-f
    export QUILL_TEST_SMALL_DRIVE=F:
  else
    quill_log "no small test drive F: (mounting a tmpfs is not permitted here)"
  fi
}

# A program started before the mount manager has applied HKLM\Software\Wine\Drives sees every
# drive as a fixed disk with no label. The mount manager reads that key when the Wine server
# starts, so a key written into a running server stays unapplied until the server restarts
# (seen with Wine 8: D: and E: "fixed" under the server that wrote the key, right in the next).
# So ask Wine itself, the way the program will, until C:, D: and E: report their types, labels
# and serials; past half the time allowed (QUILL_DRIVE_WAIT, 20 s) restart the server once.
quill_wait_for_drives() {
  local limit=${QUILL_DRIVE_WAIT:-20} output restarted=0 started=$SECONDS
  while :; do
    if output=$(wine "$quill_drivecheck" C:fixed \
      "D:cdrom:$quill_cd_label:$quill_cd_serial" \
      "E:removable:$quill_removable_label:$quill_removable_serial" 2>&1); then
      return 0
    fi
    if ((SECONDS - started >= limit)); then
      echo "$output" >&2
      quill_die "the test drives did not come up as expected within $limit s"
    fi
    if ((restarted == 0 && SECONDS - started >= limit / 2)); then
      quill_log "drive types not applied yet; restarting the Wine server"
      wineserver -k 2>/dev/null || true
      wineserver -w 2>/dev/null || true
      restarted=1
      continue
    fi
    sleep 0.5
  done
}

# --- the private X display ---------------------------------------------------------------------

quill_stop_xvfb() {
  [ -n "${QUILL_XVFB_PID:-}" ] || return 0
  # Programs go before their display does, or they die noisily on the lost connection.
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  kill "$QUILL_XVFB_PID" 2>/dev/null || true
  wait "$QUILL_XVFB_PID" 2>/dev/null || true
  QUILL_XVFB_PID=
}

quill_lock_owner() { { tr -dc '0-9' <"/tmp/.X$1-lock"; } 2>/dev/null || true; }

# Starts Xvfb on the first free display from :90 up and exports DISPLAY. Xvfb itself takes the
# display with an exclusive lock file (/tmp/.XN-lock holding its pid); when two runs race for
# one number the loser's server exits, and the loser moves on. A display counts as ours only
# when its lock names our server and its socket exists.
quill_start_xvfb() {
  local first=${QUILL_XVFB_FIRST:-90} n pid owner i log
  log=${QUILL_TEST_RUN_DIR:-$quill_wine_dir}/xvfb.log
  mkdir -p "$(dirname "$log")"
  for ((n = first; n < first + 200; n++)); do
    owner=$(quill_lock_owner "$n")
    [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null && continue
    Xvfb ":$n" -nolisten tcp -screen 0 1280x1024x24 >"$log" 2>&1 &
    pid=$!
    for ((i = 0; i < 100; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      if [ -S "/tmp/.X11-unix/X$n" ] && [ "$(quill_lock_owner "$n")" = "$pid" ]; then
        QUILL_XVFB_PID=$pid
        [ -n "${QUILL_TEST_RUN_DIR:-}" ] && echo "$pid" >"$QUILL_TEST_RUN_DIR/xvfb.pid"
        quill_at_exit quill_stop_xvfb
        export DISPLAY=:$n
        return 0
      fi
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  cat "$log" >&2
  quill_die "no free X display between :$first and :$((first + 199))"
}
