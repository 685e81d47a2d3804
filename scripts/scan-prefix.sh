# Sourced after wine-env.sh: a second Wine prefix in which the fixed drives are
# only the ones made here, for tests that let the uninstall scan loose on every
# fixed drive. A default prefix maps z: to the Linux root and links the user
# folders to $HOME; a scan there would rewrite Desktop.ini files all over the
# machine.
#   c:  the prefix's own drive_c (fixed), user folders made plain
#   d:  scan/drives/d (fixed), the tests' playground
#   e:  scan/drives/e (floppy)   f: scan/drives/f (cdrom)   g: scan/drives/g (network)
#   t:  the build's bin folder (cdrom), so test programs find their siblings
#       through a drive path; the scan never enters it
#   s:  (when made) the staged dist/ folder, also a CD-ROM
#   n:  (when made) the setup packages of the next version, a CD-ROM
scan_root="${SCAN_ROOT:-$build_dir/scan}"
export WINEPREFIX="$scan_root/prefix"
export HOME="$scan_root/home"
scan_drives="$scan_root/drives"

make_scan_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  echo "creating scan prefix $WINEPREFIX"
  mkdir -p "$HOME"
  $wine_boot -i </dev/null >/dev/null 2>&1
  wineserver -w
  rm -f "$WINEPREFIX/dosdevices/z:"
  # The user folders are links to $HOME; plain folders keep the scan inside.
  find "$WINEPREFIX/drive_c/users" -type l | while read -r link; do
    rm "$link" && mkdir "$link"
  done
  local drive
  for drive in d e f g; do
    mkdir -p "$scan_drives/$drive"
    ln -sfn "$scan_drives/$drive" "$WINEPREFIX/dosdevices/$drive:"
  done
  ln -sfn "$build_dir/bin" "$WINEPREFIX/dosdevices/t:"
  make_link_loops
}

# Links back to an ancestor, two per level: a scan that follows them never
# ends. Windows programs under Wine cannot make links, so they are made here.
make_link_loops() {
  mkdir -p "$scan_drives/d/loops/a"
  ln -sfn .. "$scan_drives/d/loops/a/up1"
  ln -sfn ../.. "$scan_drives/d/loops/a/up2"
}

# Wine reads the drive types when its mount manager starts, so a change needs
# a fresh wineserver. "fixed" gives the types above; "none" makes c: and d:
# CD-ROMs, leaving no fixed drive at all.
set_scan_drive_types() {
  local mode=$1 marker="$WINEPREFIX/drive-types"
  [ "$(cat "$marker" 2>/dev/null)" = "$mode" ] && return 0
  local c=hd d=hd
  [ "$mode" = none ] && c=cdrom d=cdrom
  start_wineserver
  local key='HKLM\Software\Wine\Drives'
  $wine_native reg add "$key" /v c: /d $c /f </dev/null >/dev/null 2>&1
  $wine_native reg add "$key" /v d: /d $d /f </dev/null >/dev/null 2>&1
  $wine_native reg add "$key" /v e: /d floppy /f </dev/null >/dev/null 2>&1
  $wine_native reg add "$key" /v f: /d cdrom /f </dev/null >/dev/null 2>&1
  $wine_native reg add "$key" /v g: /d network /f </dev/null >/dev/null 2>&1
  $wine_native reg add "$key" /v s: /d cdrom /f </dev/null >/dev/null 2>&1
  $wine_native reg add "$key" /v n: /d cdrom /f </dev/null >/dev/null 2>&1
  $wine_native reg add "$key" /v t: /d cdrom /f </dev/null >/dev/null 2>&1
  stop_wineserver
  wineserver -w
  echo "$mode" >"$marker"
}
