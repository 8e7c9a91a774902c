#!/usr/bin/env bash
# The installed files and the Debian package, checked as an admin would meet them.
#   install_test.sh files    staged `cmake --install`: exact file list, validators, manual
#                            page, --help/--version, where each kind of copy keeps its settings
#   install_test.sh package  `cpack -G DEB`: the packages senvaro and senvaro-exporter, their
#                            names, dependencies (none of the exporter's on Qt's GUI
#                            modules), contents, no maintainer scripts in the exporter's,
#                            and the program taken from the package runs a one-shot action
# CTest runs it inside the private network namespace (the simulator binds port 23) with
# SENVARO_BUILD_DIR, SENVARO_APSIM_BIN, SENVARO_APP_ID and SENVARO_VERSION set.
set -euo pipefail

mode="$1"
build="$SENVARO_BUILD_DIR"
src_dir="$(cd "$(dirname "$0")/.." && pwd)"
app_id="$SENVARO_APP_ID"
tmp="$(mktemp -d)"
sim_pids=()
cleanup() {
  local p
  for p in $(jobs -p) "${sim_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${sim_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The installed files of a component (senvaro, exporter or both) below a prefix, one
# relative path a line.
expected_files() {
  {
    [ "$1" = exporter ] || printf '%s\n' \
      bin/senvaro \
      bin/senvaro-apsim \
      "share/applications/$app_id.desktop" \
      share/doc/senvaro/LICENSE \
      share/doc/senvaro/README.md \
      "share/icons/hicolor/scalable/apps/$app_id.svg" \
      share/man/man1/senvaro.1 \
      "share/metainfo/$app_id.metainfo.xml"
    [ "$1" = senvaro ] || printf '%s\n' \
      bin/senvaro-exporter \
      lib/systemd/system/senvaro-exporter.service \
      share/doc/senvaro-exporter/LICENSE \
      share/doc/senvaro-exporter/README.md \
      share/man/man1/senvaro-exporter.1 \
      share/senvaro-exporter/senvaro-exporter.rules.test.yml \
      share/senvaro-exporter/senvaro-exporter.rules.yml \
      share/senvaro-exporter/senvaro.json
  } | sort
}

# A settings file for the simulator's account; $2 is the password.
write_settings() {
  mkdir -p "$(dirname "$1")"
  printf '[Server]\r\nIP=127.0.0.99\r\n[User]\r\nName=technik\r\nPasswort=%s\r\n' "$2" >"$1"
  printf 'Benutzername speichern=1\r\nPasswort speichern=1\r\n' >>"$1"
}

# Simulators for the simulator's account, one per address; each logs to $tmp/sim-ADDRESS.log.
start_simulators() { # address...
  local a
  for a in "$@"; do
    "$SENVARO_APSIM_BIN" --address "$a" --user technik --password g3heim --stations 1 \
      >"$tmp/sim-$a.log" 2>&1 &
    sim_pids+=($!)
  done
  for _ in $(seq 200); do
    for a in "$@"; do grep -q listening "$tmp/sim-$a.log" || { sleep 0.05 && continue 2; }; done
    return 0
  done
  cat "$tmp"/sim-*.log >&2
  fail "the simulators did not start on $*"
}

# Runs a program with no display at all (or the Qt platform in $display) and a home and
# configuration folder inside the test's folder; XDG_CONFIG_HOME is left out when $xdg is
# "unset". Sets out, err, status. Runs going on side by side (in subshells) set io apart.
xdg="$tmp/cfg"
io=run
display=""
run() {
  mkdir -p -m 700 "$tmp/runtime"
  local env=(env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime")
  [ "$xdg" = unset ] || env+=(XDG_CONFIG_HOME="$xdg")
  [ -z "$display" ] || env+=(QT_QPA_PLATFORM="$display")
  status=0
  "${env[@]}" "$@" >"$tmp/$io.out" 2>"$tmp/$io.err" || status=$?
  out="$(cat "$tmp/$io.out")"
  err="$(cat "$tmp/$io.err")"
}

# The settings file a copy reports in its usage text (its last line).
reported_settings() {
  run "$1" --help
  [ "$status" -eq 0 ] && [ -z "$err" ] || fail "--help of $1: status $status, stderr: $err"
  tail -n 1 "$tmp/$io.out"
}

expect_path() { # what, expected, actual
  [ "$2" = "$3" ] || fail "$1: settings file $3, expected $2"
}

# One-shot action against the simulator of the address in the first argument, at most 10 s
# (no waiting out the 30 s for a connection). Status 0: the simulator received the login
# and the action line, and nothing is said on stderr; any other status: one line of the
# program's own there, holding $reason.
reason=""
one_shot() { # program, expected status, expected action line, arguments...
  local program="$1" expected="$2" action="$3" log before=0
  shift 3
  log="$tmp/sim-$(cut -d/ -f2 <<<"${1:-}").log"
  [ ! -f "$log" ] || before="$(wc -l <"$log")"
  run timeout 10 "$program" "$@"
  [ "$status" -eq "$expected" ] || fail "$program $*: status $status, expected $expected; stderr: $err"
  local said
  said="$(grep -c '^Senvaro: ' <<<"$err" || true)"
  if [ "$expected" -ne 0 ]; then
    [ "$said" -eq 1 ] && grep -q "^Senvaro: .*$reason" <<<"$err" ||
      fail "$program $*: stderr does not say why in one line (with \"$reason\"): $err"
    return 0
  fi
  [ "$said" -eq 0 ] || fail "$program $*: stderr: $err"
  # The simulator prints received lines as "[n] ms: line".
  [ "$(tail -n +"$((before + 1))" "$log" | sed -n 's/.* ms: //p')" = "$(printf 'technik\ng3heim\nversion\n%s' "$action")" ] ||
    fail "$program $*: the simulator did not receive the login and \"$action\": $(tail -n +"$((before + 1))" "$log")"
}

check_files() {
  local stage="$tmp/stage"
  # Both components are all there is (the file list below says so); installing them by
  # name keeps the build folder's install_manifest.txt to the package test.
  local component
  for component in senvaro exporter; do
    cmake --install "$build" --prefix "$stage" --component "$component" >"$tmp/install.log" ||
      fail "cmake --install: $(cat "$tmp/install.log")"
  done
  diff <(expected_files both) <(cd "$stage" && find . -type f -o -type l | sed 's|^\./||' | sort) ||
    fail "the staged installation holds other files than expected"

  # The one-shot runs wait for the robot's ticks; they go on in the background meanwhile.
  # A second installed copy holds a settings file of its own, so the runs stay apart.
  local exe="$stage/bin/senvaro" own="$tmp/own"
  cp -a "$stage" "$own"
  mkdir -p "$tmp/home"
  write_settings "$tmp/cfg/senvaro/SENVARO.INI" g3heim
  # A file beside the installed copy wins over the configuration folder (whose password
  # the simulator would refuse with status 3).
  write_settings "$tmp/cfg-own/senvaro/SENVARO.INI" wrong
  write_settings "$own/bin/SENVARO.INI" g3heim
  cp -p "$own/bin/SENVARO.INI" "$tmp/own.ini"
  # A plain copy, alone in a folder with its settings file.
  local lone="$tmp/lone/senvaro"
  mkdir -p "$tmp/lone"
  cp "$exe" "$lone"
  write_settings "$tmp/lone/SENVARO.INI" g3heim
  start_simulators 127.0.0.201 127.0.0.203 127.0.0.204
  ( # Only "Rebooting" ends a run the orderly way, saving the settings with the address of
    # the command line: headless in the configuration folder of an installed copy ...
    io=saving
    one_shot "$exe" 0 reboot /127.0.0.201/R
    grep -q 'IP=127.0.0.201' "$tmp/cfg/senvaro/SENVARO.INI" ||
      fail "after \"Rebooting\" the settings were not saved in the configuration folder"
    [ ! -e "$stage/bin/SENVARO.INI" ] || fail "the installed copy wrote a settings file beside itself"
  ) &
  local saving=$!
  ( # ... and, with a display (the run goes through the window), beside a plain copy.
    io=lone display=offscreen
    one_shot "$lone" 0 reboot /127.0.0.204/R
    grep -q 'IP=127.0.0.204' "$tmp/lone/SENVARO.INI" && grep -q 'Name=technik' "$tmp/lone/SENVARO.INI" ||
      fail "after \"Rebooting\" the plain copy's settings were not saved beside it"
  ) &
  local displayed=$!
  ( # Headless, the request in two pieces; the settings file is not even written back the same.
    io=own xdg="$tmp/cfg-own"
    expect_path "installed copy with its own file" "$own/bin/SENVARO.INI" "$(reported_settings "$own/bin/senvaro")"
    one_shot "$own/bin/senvaro" 0 "set eth2sta disable" /127.0.0.203/ ETH0
    cmp -s "$tmp/own.ini" "$own/bin/SENVARO.INI" && [ ! "$own/bin/SENVARO.INI" -nt "$tmp/own.ini" ] ||
      fail "the one-shot run wrote the settings file"
  ) &
  local beside=$!

  local desktop="$stage/share/applications/$app_id.desktop"
  local metainfo="$stage/share/metainfo/$app_id.metainfo.xml"
  local output
  output="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate: $output"
  [ -z "$output" ] || fail "desktop-file-validate: $output"
  output="$(appstreamcli validate --no-net "$metainfo" 2>&1)" || fail "appstreamcli validate: $output"
  # The entry, the metadata and the icon must name one another.
  grep -qx 'Exec=senvaro' "$desktop" || fail "desktop entry: Exec is not senvaro"
  grep -qx 'Categories=Network;Monitor;' "$desktop" || fail "desktop entry: categories"
  grep -qx "Icon=$app_id" "$desktop" || fail "desktop entry: the icon is not $app_id"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "metainfo: the launchable is not the installed desktop entry"
  grep -q '<image>https://.*page1-clients.png</image>' "$metainfo" || fail "metainfo: no screenshot"

  local page="$stage/share/man/man1/senvaro.1"
  output="$(LC_ALL=C.UTF-8 groff -man -Z -ww "$page" 2>&1 >/dev/null)"
  [ -z "$output" ] || fail "groff warns about the manual page: $output"
  output="$(LC_ALL=C.UTF-8 MANWIDTH=80 MAN_DISABLE_SECCOMP=1 man -l "$page" 2>/dev/null | col -b)"
  for text in 'EXIT STATUS' '7      the access point sent nothing' 'XDG_CONFIG_HOME/senvaro/SENVARO.INI' \
    "../share/applications/$app_id.desktop"; do
    grep -qF -- "$text" <<<"$output" || fail "the manual page lacks \"$text\""
  done

  check_exporter_files "$stage"

  # Usage and version without any display, from the build and from the installation.
  for program in "$build/senvaro" "$exe"; do
    run "$program" --version
    [ "$status" -eq 0 ] && [ "$out" = "Senvaro $SENVARO_VERSION" ] && [ -z "$err" ] ||
      fail "--version of $program: status $status, output \"$out\", stderr \"$err\""
    for arg in --help -h '/?'; do
      run "$program" "$arg"
      [ "$status" -eq 0 ] && [ -z "$err" ] && [ "$(head -n 1 "$tmp/$io.out")" = 'Aufruf: senvaro [/IP-Adresse/Aktion]' ] &&
        grep -q '^  7  der Access Point hat nach dem Verbindungsaufbau nichts gesendet$' "$tmp/$io.out" ||
        fail "$arg of $program: status $status, stderr \"$err\", output: $out"
    done
  done
  # Anything else keeps its old meaning: no action and no display ends with status 5.
  one_shot "$exe" 5 "" --Help
  one_shot "$exe" 5 ""

  # Where each kind of copy keeps its settings file.
  local plain="$tmp/plain/senvaro"
  mkdir -p "$tmp/plain"
  cp "$exe" "$plain"
  expect_path "installed copy" "$tmp/cfg/senvaro/SENVARO.INI" "$(reported_settings "$exe")"
  expect_path "plain copy" "$tmp/plain/SENVARO.INI" "$(reported_settings "$plain")"
  expect_path "build folder" "$build/SENVARO.INI" "$(reported_settings "$build/senvaro")"
  xdg=unset
  expect_path "installed, no XDG_CONFIG_HOME" "$tmp/home/.config/senvaro/SENVARO.INI" \
    "$(reported_settings "$exe")"
  xdg="$tmp/cfg"
  # A plain copy ignores the configuration folder: without a file beside it, status 4.
  reason="$tmp/plain/SENVARO.INI" one_shot "$plain" 4 "" /127.0.0.201/ETH0

  wait "$saving" || exit 1
  wait "$displayed" || exit 1
  wait "$beside" || exit 1
}

# The exporter's installed files: its manual page reads cleanly, the shipped rules and
# their unit test are the tested ones, the dashboard is JSON, and the program answers
# --version.
check_exporter_files() { # prefix
  local page="$1/share/man/man1/senvaro-exporter.1" output
  output="$(LC_ALL=C.UTF-8 groff -man -Z -ww "$page" 2>&1 >/dev/null)"
  [ -z "$output" ] || fail "groff warns about the exporter's manual page: $output"
  output="$(LC_ALL=C.UTF-8 MANWIDTH=80 MAN_DISABLE_SECCOMP=1 man -l "$page" 2>/dev/null | col -b)"
  for text in 'EXIT STATUS' 'senvaro_up{ap}' '127.0.0.1:9847' '/etc/senvaro/SENVARO.INI'; do
    grep -qF -- "$text" <<<"$output" || fail "the exporter's manual page lacks \"$text\""
  done
  # The rules and their unit test are installed side by side, as they are in the source:
  # byte for byte the files tst_mixin.sh runs that unit test on (seconds of CPU each time).
  local f
  for f in senvaro-exporter.rules.yml senvaro-exporter.rules.test.yml; do
    cmp -s "$1/share/senvaro-exporter/$f" "$src_dir/resources/linux/$f" ||
      fail "the installed $f is not resources/linux/$f"
  done
  # jq, not Python: a Python start costs half a second of CPU here.
  jq -e '.uid == "senvaro"' "$1/share/senvaro-exporter/senvaro.json" >/dev/null ||
    fail "the installed dashboard is not the Senvaro dashboard"
  grep -qx 'ExecStart=/usr/bin/senvaro-exporter --settings ${CREDENTIALS_DIRECTORY}/SENVARO.INI --listen 127.0.0.1:9847' \
    "$1/lib/systemd/system/senvaro-exporter.service" || fail "the unit does not start the installed exporter"
  run "$1/bin/senvaro-exporter" --version
  [ "$status" -eq 0 ] && [ "$out" = "senvaro-exporter $SENVARO_VERSION" ] ||
    fail "senvaro-exporter --version: status $status, output \"$out\", stderr \"$err\""
}

# One package's control data and file list: name, version and the fields every package
# has, and exactly the component's files.
check_deb() { # deb, package name, component
  local info
  info="$(dpkg-deb --info "$1")"
  for field in "Package: $2" "Version: $SENVARO_VERSION" "Architecture: $(dpkg --print-architecture)" \
    'Section: net' 'Maintainer: .\+<.\+@.\+>' 'Description: .\+'; do
    grep -q "^ $field\$" <<<"$info" || fail "$2's control data lacks \"$field\": $info"
  done
  diff <(expected_files "$3" | sed 's|^|usr/|') \
    <(dpkg-deb --contents "$1" | grep -v '^d' | sed 's|.* \./||' | sort) ||
    fail "the package $2 holds other files than expected"
}

depends_of() { # deb
  dpkg-deb --field "$1" Depends
}

check_package() {
  local arch
  arch="$(dpkg --print-architecture)"
  start_simulators 127.0.0.202
  # The release packs exactly the two components in one cpack run; here each is packed by a
  # run of its own, side by side (the same packages), so that the program's one-shot run
  # starts as soon as its package is there.
  grep -qx 'set(CPACK_COMPONENTS_ALL "senvaro;exporter")' "$build/CPackConfig.cmake" ||
    fail "cpack packs other components: $(grep CPACK_COMPONENTS_ALL "$build/CPackConfig.cmake")"
  # The program's package comes first: the exporter's is packed at a lower priority.
  local component packing=() priority=(nice -n 0)
  for component in senvaro exporter; do
    (cd "$build" && "${priority[@]}" cpack -G DEB -D CPACK_COMPONENTS_ALL="$component" -B "$tmp/pkg-$component" \
      >"$tmp/cpack-$component.log" 2>&1) &
    packing+=($!)
    priority=(nice -n 10)
  done
  local deb="$tmp/pkg-senvaro/senvaro_${SENVARO_VERSION}_$arch.deb"
  local exporter_deb="$tmp/pkg-exporter/senvaro-exporter_${SENVARO_VERSION}_$arch.deb"
  wait "${packing[0]}" || fail "cpack: $(cat "$tmp/cpack-senvaro.log")"
  [ -f "$deb" ] && [ "$(ls "$tmp/pkg-senvaro"/*.deb | wc -l)" -eq 1 ] ||
    fail "not the package $deb alone: $(ls "$tmp/pkg-senvaro")"

  local root="$tmp/root"
  dpkg-deb -x "$deb" "$root"
  file "$root/usr/bin/senvaro" | grep -q 'ELF.*, stripped' || fail "the packaged program is not a stripped ELF"
  mkdir -p "$tmp/home"
  write_settings "$tmp/cfg/senvaro/SENVARO.INI" g3heim
  (
    io=packaged
    one_shot "$root/usr/bin/senvaro" 0 "set eth2sta enable" /127.0.0.202/ETH1
  ) &
  local packaged=$!

  check_deb "$deb" senvaro senvaro
  local depends lib
  depends="$(depends_of "$deb")"
  for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6charts6 libqt6svg6; do
    grep -q "\(^\|, \)$lib (>= [^)]*)" <<<"$depends" || fail "Depends of senvaro lacks $lib: $depends"
  done
  [ "$(dpkg-deb --field "$deb" Recommends)" = 'qt6-translations-l10n, ieee-data' ] ||
    fail "Recommends of senvaro: $(dpkg-deb --field "$deb" Recommends)"

  wait "${packing[1]}" || fail "cpack: $(cat "$tmp/cpack-exporter.log")"
  [ -f "$exporter_deb" ] && [ "$(ls "$tmp/pkg-exporter"/*.deb | wc -l)" -eq 1 ] ||
    fail "not the package $exporter_deb alone: $(ls "$tmp/pkg-exporter")"
  # A headless server installs the exporter without Qt's GUI modules, and installing it
  # starts nothing: the unit needs the settings file first.
  check_deb "$exporter_deb" senvaro-exporter exporter
  depends="$(depends_of "$exporter_deb")"
  for lib in libc6 libqt6core6 libqt6network6 libqt6httpserver6; do
    grep -q "\(^\|, \)$lib (>= [^)]*)" <<<"$depends" || fail "Depends of senvaro-exporter lacks $lib: $depends"
  done
  for lib in libqt6gui6 libqt6widgets6 libqt6charts6 libqt6svg6; do
    ! grep -q "\(^\|, \)$lib[ ,]" <<<"$depends, " || fail "Depends of senvaro-exporter names $lib: $depends"
  done
  [ "$(dpkg-deb --field "$exporter_deb" Recommends)" = ieee-data ] ||
    fail "Recommends of senvaro-exporter: $(dpkg-deb --field "$exporter_deb" Recommends)"
  local scripts
  scripts="$(dpkg-deb --ctrl-tarfile "$exporter_deb" | tar -t | sed 's|^\./||' | grep -Evx 'control|md5sums|' || true)"
  [ -z "$scripts" ] || fail "senvaro-exporter has maintainer scripts or other control files: $scripts"

  dpkg-deb -x "$exporter_deb" "$root"
  file "$root/usr/bin/senvaro-exporter" | grep -q 'ELF.*, stripped' || fail "the packaged exporter is not a stripped ELF"
  check_exporter_files "$root/usr"
  wait "$packaged" || exit 1
}

case "$mode" in
files) check_files ;;
package) check_package ;;
*) fail "unknown mode $mode" ;;
esac
echo "install_test.sh $mode: passed"
