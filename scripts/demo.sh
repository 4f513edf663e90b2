#!/bin/sh
# The demo: builds lumiq-config, lumiq and lumiq-sim into build/ (every
# program the README then names from there) and opens
# lumiq-config inside a private network (scripts/netbed) that holds three
# simulated modules on a LAN (sim/example-modules.ini) and a fourth on a
# pseudo-terminal. Nothing sent there leaves this machine, and the network
# is removed when the program ends, on Ctrl+C too.
#
# With a display the operator uses the window as with real modules. Without
# one, or with --tour, the program runs a scripted tour (LUMIQ_DEMO_TOUR,
# app/DemoTour.h): search, select the first module, read all, change the
# device name, one-key write, factory default. It prints the information log
# and saves a picture of the final window as build/demo-tour.png.
#
# Usage (as root, because of the network namespace): sh scripts/demo.sh [--tour]
set -eu
cd "$(dirname "$0")/.."

tour=no
case "${1:-}" in
  "") ;;
  --tour) tour=yes ;;
  -h|--help) sed -n '2,/^set -eu/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "demo: unknown option '$1' (usage: sh scripts/demo.sh [--tour])" >&2; exit 2 ;;
esac

if [ "$(id -u)" != 0 ]; then
  cat >&2 <<'EOF'
demo: the simulated modules live in a private network namespace, and only
root can create one. Run the demo as root, for example:

    sudo sh scripts/demo.sh

or, where sudo is not installed:

    su -c 'sh scripts/demo.sh'
EOF
  exit 2
fi

sh scripts/install-deps.sh
# Built once; later runs only rebuild what changed.
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)" --target lumiq-config lumiq lumiq-sim
program=build/app/lumiq-config
modules=sim/example-modules.ini
pty=/tmp/ttyLumiqDemo
modules_found=$(grep -c '^\[module\]' "$modules")

# Namespaces left behind by a run that was killed outright.
scripts/netbed cleanup

# The program's single-instance lock lives here, apart from any copy the
# operator runs outside the demo.
runtime=$(mktemp -d /tmp/lumiq-demo.XXXXXX)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A display the program can reach from inside the private network: X11's
# socket file (an X server over TCP, as with ssh -X, is out of reach there).
display_reachable() {
  case "${DISPLAY:-}" in
    :*|unix:*) ;;
    *) return 1 ;;
  esac
  number=${DISPLAY#*:}
  number=${number%%.*}
  [ -S "/tmp/.X11-unix/X$number" ]
}

if [ "$tour" = no ]; then
  if display_reachable; then
    echo
    echo "lumiq-config opens in a private network with simulated modules:"
    awk -F' *= *' '/^\[module\]/ { n++ } $1 == "ip" { ip[n] = $2 } $1 == "name" { name[n] = $2 }
                   END { for (i = 1; i <= n; i++) printf "  LAN (UDP)    %-10s %s\n", ip[i], name[i] }' "$modules"
    echo "  serial port  $pty"
    echo
    echo "  搜索模块 lists the modules; clicking one reads all its parameters (读参数)."
    echo "  Change a field and press its 设置, or 一键写入 to write them all; 出厂设置"
    echo "  restores the module's factory values; 文件 > 保存配置 keeps the panel in CFG.ini."
    echo "  The serial module: 通讯方式 > 串口通讯, pick $pty as the port, OK,"
    echo "  answer the CFG-pin notice with OK, then 读参数."
    echo
    echo "Close the window (or press Ctrl+C here) to end the demo; the network goes with it."
    status=0
    scripts/netbed run --config "$modules" --pty "$pty" -- \
      env XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb "$program" || status=$?
    # 134: Qt aborts when it cannot open the display; above 128 otherwise
    # a signal (Ctrl+C) ended the program.
    if [ "$status" = 134 ] || { [ "$status" != 0 ] && [ "$status" -lt 128 ]; }; then
      echo "demo: lumiq-config ended with status $status. If its window could not open" >&2
      echo "on display $DISPLAY, run the scripted tour instead: sh scripts/demo.sh --tour" >&2
    fi
    exit "$status"
  fi
  if [ -n "${DISPLAY:-}" ]; then
    echo "demo: display $DISPLAY cannot be reached from the private network; running the scripted tour."
  else
    echo "demo: no display; running the scripted tour offscreen."
  fi
fi

if display_reachable; then platform=xcb; else platform=offscreen; fi
shot="$(pwd)/build/demo-tour.png"
rm -f "$shot"
status=0
scripts/netbed run --config "$modules" --pty "$pty" -- \
  env XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM="$platform" \
      LUMIQ_DEMO_TOUR="$modules_found" LUMIQ_SCREENSHOT="$shot" "$program" || status=$?
if [ "$status" != 0 ]; then
  echo "demo: the tour did not complete (status $status); the lines above say where it stopped." >&2
  exit "$status"
fi
echo
echo "The tour found $modules_found modules, wrote to the first and restored its factory values."
echo "Picture of the final window: $shot"
